#include "core/views/RamViewModel.h"

#include <algorithm>

#include "core/chip/ChipUiState.h"
#include "core/chip/TextConvert.h"
#include "core/views/RamFile.h"

namespace qx::views {

namespace {
bool Inside(const chip::AddressRange& r, int a) {
  return a >= r.first && a <= r.last;
}
bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
bool InSpace(int a) {
  return a >= 0 && a < chip::kAddressSpace;
}
}  // namespace

RamViewModel::RamViewModel(chip::ChipModel& chip, TargetPort& port, int& currentBank)
    : chip_(chip), port_(port), bank_(currentBank) {
  bank_ = std::clamp(bank_, 0, kBanks - 1);
}

int RamViewModel::CellIndex(int col, int row) const {
  if (col < 1 || col > 16 || row < 1 || row > 16) return -1;
  return (row - 1) * 16 + (col - 1);
}

int RamViewModel::Address(int col, int row) const {
  const int i = CellIndex(col, row);
  return i < 0 ? -1 : bank_ * 256 + i;
}

bool RamViewModel::Editable(int address) const {
  return address >= 0 && chip_.ValidAt(address) != 0;
}

void RamViewModel::RefreshRam(bool suppressChanges) {
  for (int i = 0; i < 256; ++i) {
    const int a = bank_ * 256 + i;
    const uint8_t m = chip_.ValidAt(a);
    const auto v = static_cast<uint8_t>(port_.Get(a) & m);
    const bool editing = pending_ && pendingIndex_ == i;
    if (!editing) cells_[static_cast<size_t>(i)] = m != 0 ? chip::HexText(v, 2) : "-";
    if (!InSpace(a)) continue;
    const auto ua = static_cast<size_t>(a);
    chip_.Changed[ua] = !suppressChanges && v != chip_.LastValue[ua];
    // Inside the register ranges the register view keeps the last values.
    if (!Inside(chip_.Reg0Range, a) && !Inside(chip_.Reg1Range, a)) chip_.LastValue[ua] = v;
  }
}

void RamViewModel::SelectBank(int bank) {
  if (bank < 0 || bank >= kBanks) return;
  CommitPending();
  bank_ = bank;
  RefreshRam(false);
}

ButtonLook RamViewModel::BankButton(int bank) const {
  return bank == bank_ ? ButtonLook{true, colour::kYellow} : ButtonLook{};
}

bool RamViewModel::BankVisible(int bank) const {
  return chip_.Ui.Form(chip::kRamView).IsVisible(BankButtonName(bank));
}

std::string RamViewModel::Text(int col, int row) const {
  if (row == 0)
    return col >= 1 && col <= 16 ? chip::HexText(static_cast<uint32_t>(col - 1), 1) : "";
  if (col == 0) {
    if (row < 1 || row > 16) return {};
    return chip::HexText(static_cast<uint32_t>(bank_ * 16 + row - 1), 2) + "0";
  }
  const int i = CellIndex(col, row);
  return i < 0 ? std::string() : cells_[static_cast<size_t>(i)];
}

CellLook RamViewModel::Look(int col, int row) const {
  const int a = Address(col, row);
  if (a < 0) return {colour::kButtonFace, colour::kBlack};
  if (!InSpace(a)) return {};
  const RamCellMarks& m = marks_[static_cast<size_t>(a)];
  CellLook look;
  if (chip_.Changed[static_cast<size_t>(a)]) {
    look = {colour::kBlue, colour::kWhite};
  } else if (m.mark) {
    look = {colour::FromFileColour(m.colour), colour::kWhite};
  }
  look.underline = m.hint;
  return look;
}

std::string RamViewModel::Tip(int col, int row) const {
  const int a = Address(col, row);
  return InSpace(a) ? marks_[static_cast<size_t>(a)].hintText : std::string();
}

std::optional<HexRequest> RamViewModel::DoubleClick(int col, int row) const {
  const int a = Address(col, row);
  if (!Editable(a)) return std::nullopt;
  return HexRequest{"Ram" + chip::HexText(static_cast<uint32_t>(a), 4) + "=" + Text(col, row),
                    "FF",
                    "00~FF",
                    {WriteTarget::Kind::Byte, static_cast<uint16_t>(a), 0}};
}

void RamViewModel::Commit(const WriteTarget& target, uint32_t value) {
  port_.Write(target.first, static_cast<uint8_t>(value & 0xFF));
}

bool RamViewModel::TypeKey(int col, int row, char c) {
  const int i = CellIndex(col, row);
  const int a = Address(col, row);
  if (i < 0) return false;
  if (!Editable(a)) {
    // Assigned as a character: GCC 12 at -O3 misreads a literal assignment here as an
    // overlapping copy (-Wrestrict, GCC bug 105329).
    cells_[static_cast<size_t>(i)].assign(1, '-');
    return false;
  }
  if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  std::string& text = cells_[static_cast<size_t>(i)];
  if (c == '\r' || c == '\n' || c == '\t') {
    pending_ = false;
    WriteCellText(i);
    return true;
  }
  if (c == '\b') {
    if (!text.empty()) text.pop_back();
  } else if (IsHexDigit(c)) {
    text.push_back(c);
    if (text.size() > 2) text.erase(0, text.size() - 2);
  } else {
    return false;
  }
  pending_ = true;
  pendingIndex_ = i;
  return true;
}

void RamViewModel::WriteCellText(int index) {
  const int a = bank_ * 256 + index;
  if (!Editable(a)) return;
  port_.Write(static_cast<uint16_t>(a),
              static_cast<uint8_t>(chip::HexValue(cells_[static_cast<size_t>(index)]) & 0xFF));
}

void RamViewModel::CommitPending() {
  if (!pending_) return;
  pending_ = false;
  const int a = bank_ * 256 + pendingIndex_;
  if (!Editable(a)) {
    cells_[static_cast<size_t>(pendingIndex_)].assign(1, '-');
    return;
  }
  WriteCellText(pendingIndex_);
}

void RamViewModel::SetMark(int col, int row, uint32_t rgb) {
  const int a = Address(col, row);
  if (!Editable(a) || !InSpace(a)) return;
  RamCellMarks& m = marks_[static_cast<size_t>(a)];
  m.mark = true;
  m.colour = colour::ToFileColour(rgb);
}

void RamViewModel::ResetMark(int col, int row, uint32_t rgb) {
  const int a = Address(col, row);
  if (!Editable(a) || !InSpace(a)) return;
  RamCellMarks& m = marks_[static_cast<size_t>(a)];
  m.mark = false;
  m.colour = colour::ToFileColour(rgb);
}

void RamViewModel::ResetAllMarks() {
  for (RamCellMarks& m : marks_) m.mark = false;
}

void RamViewModel::ResetHint(int col, int row) {
  const int a = Address(col, row);
  if (!Editable(a) || !InSpace(a)) return;
  RamCellMarks& m = marks_[static_cast<size_t>(a)];
  m.hint = false;
  m.hintText.clear();
}

void RamViewModel::ResetAllHints() {
  for (RamCellMarks& m : marks_) {
    m.hint = false;
    m.hintText.clear();
  }
}

std::string RamViewModel::SaveText() const {
  return RamFile::Render(port_, chip_, marks_);
}

std::string RamViewModel::LoadText(std::string_view text) {
  const RamFile::Contents c = RamFile::Parse(text);
  for (int a = 0; a < c.values; ++a)
    port_.Store(a, chip_.ValidAt(a) != 0 ? c.value[static_cast<size_t>(a)] : 0);
  if (c.values == RamFile::kCells) RefreshRam(true);
  for (int a = 0; a < c.groups; ++a)
    marks_[static_cast<size_t>(a)] = c.marks[static_cast<size_t>(a)];
  return c.error;
}

std::vector<RamSheetCell> RamViewModel::SheetCells() const {
  std::vector<RamSheetCell> cells;
  cells.reserve(RamFile::kCells * 2);
  for (int a = 0; a < RamFile::kCells; ++a) {
    const int row = a / 16 + 3;
    const int j = a % 16;
    if (chip_.ValidAt(a) != 0) {
      const uint8_t v = port_.Get(a);
      cells.push_back({row, j + 3, true, v, {}});
      cells.push_back({row, j + 20, false, 0, chip::HexText(v, 2) + "h"});
    } else {
      cells.push_back({row, j + 3, false, 0, "-"});
      cells.push_back({row, j + 20, false, 0, "-"});
    }
  }
  return cells;
}

}  // namespace qx::views
