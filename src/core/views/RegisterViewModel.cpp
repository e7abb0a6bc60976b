#include "core/views/RegisterViewModel.h"

#include <algorithm>

#include "core/chip/ChipUiState.h"
#include "core/chip/TextConvert.h"

namespace qx::views {

namespace {
constexpr const char* kPageButtons[] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};
constexpr uint32_t kPageColours[] = {colour::kYellow, colour::kGreen, colour::kRed, colour::kWhite};
// Bits of these two registers are never offered for setting or clearing one by one.
constexpr uint16_t kNoBitMenu[] = {0x31, 0x32};

CellLook NameLook(bool changed) {
  return changed ? CellLook{colour::kBlue, colour::kWhite}
                 : CellLook{colour::kButtonFace, colour::kBlack};
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
}  // namespace

RegisterViewModel::RegisterViewModel(chip::ChipModel& chip, TargetPort& port, int& currentPage)
    : chip_(chip), port_(port), page_(currentPage) {
  bitGrid_.Reset(kColumns);
  byteGrid_.Reset(kColumns);
  wordGrid_.Reset(kColumns);
}

void RegisterViewModel::ApplyChip() {
  byteGrid_ = chip_.Ui.Grid(GridName(RegGrid::Byte));
  wordGrid_ = chip_.Ui.Grid(GridName(RegGrid::Word));
  // Sized by this chip's registers alone, so nothing of a larger previous chip stays; the
  // refresh below fills the value rows again.
  for (RegGrid g : {RegGrid::Byte, RegGrid::Word}) {
    chip::GridState& grid = GridOf(g);
    const int count = Count(g);
    grid.columns = kColumns;
    grid.SetRows((count + kColumns - 1) / kColumns * 2);
    for (int i = 0; i < grid.rows / 2 * kColumns; ++i) {
      const int col = i % kColumns;
      const int row = i / kColumns * 2;
      if (i >= count) grid.SetCell(col, row, "");
      grid.SetCell(col, row + 1, "");
    }
  }
  pending_ = {};
  SWSREG();
}

std::pair<int, int> RegisterViewModel::rkrr() const {
  const int page = std::clamp(page_, 0, kPages - 1);
  int first = 0;
  for (int p = 0; p < page; ++p) first += chip_.BitPageCount[static_cast<size_t>(p)];
  const int end = first + chip_.BitPageCount[static_cast<size_t>(page)];
  // The page counts and the list agree after a load; never point past the list.
  const int count = chip_.BitRegs.Count();
  return {std::min(first, count), std::min(end, count)};
}

void RegisterViewModel::SWSREG() {
  const auto [first, end] = rkrr();
  bitFirst_ = first;
  bitEnd_ = end;
  bitGrid_.Reset(kColumns);
  bitGrid_.SetRows(end - first);
  for (int r = first; r < end; ++r) {
    const chip::BitRegister* reg = chip_.BitRegs.Items(r);
    bitGrid_.SetCell(0, r - first, reg->name);
    for (int c = 1; c <= 8; ++c)
      bitGrid_.SetCell(c, r - first, reg->bit[static_cast<size_t>(c - 1)].name);
  }
  RefreshRegisters(true);
}

void RegisterViewModel::SelectPage(int page) {
  page_ = std::clamp(page, 0, kPages - 1);
  SWSREG();
}

ButtonLook RegisterViewModel::PageButton(int page) const {
  if (page != page_ || page < 0 || page >= kPages) return {};
  return {true, kPageColours[page]};
}

bool RegisterViewModel::PageVisible(int page) const {
  if (page < 0 || page >= kPages) return false;
  return chip_.Ui.Form(chip::kRegisterView).IsVisible(kPageButtons[page]);
}

const char* RegisterViewModel::PageButtonName(int page) {
  return (page >= 0 && page < kPages) ? kPageButtons[page] : "";
}

std::string RegisterViewModel::Caption() const {
  return chip_.Ui.Form(chip::kRegisterView).Caption("Caption");
}

uint16_t RegisterViewModel::Fsr(int selector) const {
  const uint16_t high = selector == 0 ? kFsr0High : kFsr1High;
  const uint16_t low = selector == 0 ? kFsr0Low : kFsr1Low;
  return static_cast<uint16_t>(port_.Get(high) * 256 + port_.Get(low));
}

uint8_t RegisterViewModel::Masked(int address) const {
  return static_cast<uint8_t>(port_.Get(address) & chip_.ValidAt(address));
}

void RegisterViewModel::Track(int address, uint8_t value) {
  if (address < 0 || address >= chip::kAddressSpace) return;
  const auto a = static_cast<size_t>(address);
  chip_.Changed[a] = value != chip_.LastValue[a];
  chip_.LastValue[a] = value;
}

void RegisterViewModel::UpdatePanel(PanelValue& panel, int& last, int value, int digits,
                                    bool suppress) {
  panel.text = chip::HexText(static_cast<uint32_t>(value), digits);
  panel.changed = !suppress && value != last;
  last = value;
}

void RegisterViewModel::RefreshRegisters(bool suppressHighlight) {
  UpdatePanel(work_, lastWork_, port_.Get(kWorkAddress), 2, suppressHighlight);
  const int fsr0 = Fsr(0);
  const int fsr1 = Fsr(1);
  const int values[4] = {fsr0, port_.Get(fsr0), fsr1, port_.Get(fsr1)};
  for (size_t i = 0; i < 4; ++i)
    UpdatePanel(indirect_[i], lastIndirect_[i], values[i], i % 2 == 0 ? 3 : 2, suppressHighlight);

  for (int i = 0; i < chip_.BitRegs.Count(); ++i) {
    chip::BitRegister* reg = chip_.BitRegs.Items(i);
    const uint8_t v = Masked(reg->address);
    reg->value = v;
    Track(reg->address, v);
  }
  for (int i = 0; i < chip_.ByteRegs.Count(); ++i) {
    chip::ByteRegister* reg = chip_.ByteRegs.Items(i);
    const uint8_t v = Masked(reg->address);
    reg->value = v;
    Track(reg->address, v);
    SetValueCell(RegGrid::Byte, i, chip::HexText(v, 2));
  }
  for (int i = 0; i < chip_.WordRegs.Count(); ++i) {
    chip::WordRegister* reg = chip_.WordRegs.Items(i);
    const uint8_t hi = Masked(reg->first);
    const uint8_t lo = Masked(reg->second);
    reg->value = static_cast<uint16_t>(hi * 256 + lo);
    if (reg->first < chip::kAddressSpace && reg->second < chip::kAddressSpace) {
      const bool hiChanged = hi != chip_.LastValue[reg->first];
      const bool loChanged = lo != chip_.LastValue[reg->second];
      chip_.Changed[reg->first] = hiChanged;
      chip_.Changed[reg->second] = !hiChanged && loChanged;
      chip_.LastValue[reg->first] = hi;
      chip_.LastValue[reg->second] = lo;
    }
    SetValueCell(RegGrid::Word, i, chip::HexText(reg->value, 4));
  }
}

void RegisterViewModel::SetValueCell(RegGrid g, int index, std::string text) {
  chip::GridState& grid = GridOf(g);
  const int col = index % kColumns;
  const int row = index / kColumns * 2 + 1;
  // A refresh must not undo what the user is typing into the cell.
  if (pending_.active && pending_.grid == g && pending_.col == col && pending_.row == row) return;
  if (row >= grid.rows) grid.SetRows(row + 1);
  grid.SetCell(col, row, std::move(text));
}

chip::GridState& RegisterViewModel::GridOf(RegGrid g) {
  return g == RegGrid::Bit ? bitGrid_ : g == RegGrid::Byte ? byteGrid_ : wordGrid_;
}
const chip::GridState& RegisterViewModel::GridOf(RegGrid g) const {
  return g == RegGrid::Bit ? bitGrid_ : g == RegGrid::Byte ? byteGrid_ : wordGrid_;
}

int RegisterViewModel::Rows(RegGrid g) const {
  return GridOf(g).rows;
}

std::string RegisterViewModel::Text(RegGrid g, int col, int row) const {
  return GridOf(g).Cell(col, row);
}

int RegisterViewModel::Count(RegGrid g) const {
  if (g == RegGrid::Byte) return chip_.ByteRegs.Count();
  if (g == RegGrid::Word) return chip_.WordRegs.Count();
  return bitEnd_ - bitFirst_;
}

int RegisterViewModel::IndexAt(RegGrid g, int col, int row) const {
  if (g == RegGrid::Bit || col < 0 || col >= kColumns || row < 0) return -1;
  const int index = row / 2 * kColumns + col;
  return index < Count(g) ? index : -1;
}

uint16_t RegisterViewModel::FirstAddress(RegGrid g, int index) const {
  if (g == RegGrid::Byte) return chip_.ByteRegs.Items(index)->address;
  return chip_.WordRegs.Items(index)->first;
}

const chip::BitRegister* RegisterViewModel::BitAt(int row) const {
  if (row < 0 || row >= bitEnd_ - bitFirst_) return nullptr;
  return chip_.BitRegs.Items(bitFirst_ + row);
}

CellLook RegisterViewModel::Look(RegGrid g, int col, int row) const {
  if (g == RegGrid::Bit) {
    const chip::BitRegister* reg = BitAt(row);
    if (!reg || col < 0 || col > 8) return {};
    if (col == 0) return NameLook(chip_.Changed[reg->address]);
    const bool set = (reg->value >> (8 - col)) & 1;
    return set ? CellLook{colour::kWhite, colour::kBlue}
               : CellLook{colour::kSilver, colour::kBlack};
  }
  if (row % 2 == 1) return {colour::kWhite, colour::kBlack};
  const int index = IndexAt(g, col, row);
  return NameLook(index >= 0 && chip_.Changed[FirstAddress(g, index)]);
}

std::string RegisterViewModel::Tip(RegGrid g, int col, int row) const {
  if (g == RegGrid::Bit) {
    const chip::BitRegister* reg = BitAt(row);
    if (!reg || col < 0 || col > 8) return {};
    return col == 0 ? reg->description : reg->bit[static_cast<size_t>(col - 1)].description;
  }
  const int index = IndexAt(g, col, row);
  if (index < 0 || row % 2 == 1) return {};
  return g == RegGrid::Byte ? chip_.ByteRegs.Items(index)->description
                            : chip_.WordRegs.Items(index)->description;
}

std::optional<HexRequest> RegisterViewModel::DoubleClick(RegGrid g, int col, int row) const {
  if (g == RegGrid::Bit) {
    const chip::BitRegister* reg = BitAt(row);
    if (!reg || col != 0) return std::nullopt;
    return HexRequest{"Ram" + chip::HexText(reg->address, 3) + "=" + reg->name,
                      "FF",
                      "00~FF",
                      {WriteTarget::Kind::Byte, reg->address, 0}};
  }
  const int index = IndexAt(g, col, row);
  if (index < 0 || row % 2 == 1) return std::nullopt;
  const std::string name = Text(g, col, row);
  if (g == RegGrid::Byte) {
    const uint16_t a = chip_.ByteRegs.Items(index)->address;
    return HexRequest{
        "Ram" + chip::HexText(a, 3) + "=" + name, "FF", "00~FF", {WriteTarget::Kind::Byte, a, 0}};
  }
  const chip::WordRegister* reg = chip_.WordRegs.Items(index);
  return HexRequest{
      "Ram" + name, "FFFF", "0000~FFFF", {WriteTarget::Kind::Word, reg->first, reg->second}};
}

std::optional<BitTarget> RegisterViewModel::BitMenu(int col, int row) const {
  const chip::BitRegister* reg = BitAt(row);
  if (!reg || col < 1 || col > 8 || Text(RegGrid::Bit, col, row) == "-") return std::nullopt;
  if (std::find(std::begin(kNoBitMenu), std::end(kNoBitMenu), reg->address) != std::end(kNoBitMenu))
    return std::nullopt;
  return BitTarget{reg->address, 8 - col};
}

void RegisterViewModel::SetBit(const BitTarget& t) {
  port_.Write(t.address, static_cast<uint8_t>(port_.Get(t.address) | (1u << t.bit)));
}

void RegisterViewModel::ClearBit(const BitTarget& t) {
  port_.Write(t.address, static_cast<uint8_t>(port_.Get(t.address) & ~(1u << t.bit)));
}

std::optional<HexRequest> RegisterViewModel::WorkRequest() const {
  return HexRequest{"Work=" + chip::HexText(port_.Get(kWorkAddress), 2),
                    "FF",
                    "00~FF",
                    {WriteTarget::Kind::Byte, kWorkAddress, 0}};
}

std::optional<HexRequest> RegisterViewModel::IndirectRequest(int selector) const {
  const uint16_t fsr = Fsr(selector);
  return HexRequest{
      std::string(selector == 0 ? "IND0=" : "IND1=") + chip::HexText(port_.Get(fsr), 2),
      "FF",
      "00~FF",
      {WriteTarget::Kind::Byte, fsr, 0}};
}

std::optional<HexRequest> RegisterViewModel::FsrRequest(int selector) const {
  const bool zero = selector == 0;
  return HexRequest{
      std::string(zero ? "FSR0=" : "FSR1=") + chip::HexText(Fsr(selector), 3),
      "FFF",
      "000~FFF",
      {WriteTarget::Kind::Word, zero ? kFsr0High : kFsr1High, zero ? kFsr0Low : kFsr1Low}};
}

std::string RegisterViewModel::FsrMenuCaption(int selector) {
  return selector == 0 ? "Modify FSR0" : "Modify FSR1";
}

void RegisterViewModel::Commit(const WriteTarget& target, uint32_t value) {
  if (target.kind == WriteTarget::Kind::Byte) {
    port_.Write(target.first, static_cast<uint8_t>(value & 0xFF));
    return;
  }
  port_.Write(target.first, static_cast<uint8_t>((value >> 8) & 0xFF));
  port_.Write(target.second, static_cast<uint8_t>(value & 0xFF));
}

void RegisterViewModel::WriteCell(RegGrid g, int col, int row) {
  const int index = IndexAt(g, col, row);
  if (index < 0) return;
  const auto value = static_cast<uint32_t>(chip::HexValue(Text(g, col, row)));
  if (g == RegGrid::Byte) {
    Commit({WriteTarget::Kind::Byte, chip_.ByteRegs.Items(index)->address, 0}, value);
  } else {
    const chip::WordRegister* reg = chip_.WordRegs.Items(index);
    Commit({WriteTarget::Kind::Word, reg->first, reg->second}, value);
  }
}

bool RegisterViewModel::TypeKey(RegGrid g, int col, int row, char c) {
  if (g == RegGrid::Bit || row % 2 == 0 || IndexAt(g, col, row) < 0) return false;
  if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  if (c == '\r' || c == '\n' || c == '\t') {
    pending_ = {};
    WriteCell(g, col, row);
    return true;
  }
  chip::GridState& grid = GridOf(g);
  std::string text = grid.Cell(col, row);
  if (c == '\b') {
    if (!text.empty()) text.pop_back();
  } else if (IsHexDigit(c)) {
    const size_t keep = g == RegGrid::Byte ? 2 : 4;
    text.push_back(c);
    if (text.size() > keep) text.erase(0, text.size() - keep);
  } else {
    return false;
  }
  pending_ = {true, g, col, row};
  grid.SetCell(col, row, std::move(text));
  return true;
}

void RegisterViewModel::CommitPending() {
  if (!pending_.active) return;
  const Pending p = pending_;
  pending_ = {};
  WriteCell(p.grid, p.col, p.row);
}

}  // namespace qx::views
