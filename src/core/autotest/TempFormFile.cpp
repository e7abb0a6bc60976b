#include "core/autotest/TempFormFile.h"

#include <charconv>
#include <optional>
#include <utility>
#include <vector>

#include "core/base/FixedWidth.h"

namespace qx::autotest {

namespace {

// The boxes keep their text as typed: a run checks it when it starts.
struct TextField {
  const char* key;
  std::string TempForm::*field;
  size_t maxSize;
};
constexpr size_t kMaxText = 64;
/// The device and the note are the user's words on the run, not numbers.
constexpr size_t kMaxWords = 256;
constexpr TextField kTexts[] = {{"points", &TempForm::tempCount, kMaxText},
                                {"start", &TempForm::tempStart, kMaxText},
                                {"step", &TempForm::tempStep, kMaxText},
                                {"modes", &TempForm::modeCount, kMaxText},
                                {"hold", &TempForm::holdMinutes, kMaxText},
                                {"delay", &TempForm::powerDelay, kMaxText},
                                {"link_wait", &TempForm::linkWaitMinutes, kMaxText},
                                {"device", &TempForm::device, kMaxWords},
                                {"note", &TempForm::note, kMaxWords}};
constexpr std::pair<const char*, bool TempForm::*> kFlags[] = {
    {"full_files", &TempForm::fullFiles},
    {"keep_operating", &TempForm::keepOperating},
    {"adc_and_temperature", &TempForm::adcAndTemp},
    {"lock_330mV", &TempForm::lock330mV},
    {"lock_3V", &TempForm::lock3V}};

bool ApplyLine(std::string_view name, std::string_view value, TempForm& form) {
  for (const auto& [key, field, maxSize] : kTexts) {
    if (name != key) continue;
    if (value.size() > maxSize) return false;
    form.*field = std::string(value);
    return true;
  }
  for (const auto& [key, field] : kFlags) {
    if (name != key) continue;
    if (value != "0" && value != "1") return false;
    form.*field = value == "1";
    return true;
  }
  if (name == "measure" || name == "capture") {
    const bool measure = name == "measure";
    const int items = measure ? 3 : 2;
    if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + items) return false;
    const int item = value[0] - '0';
    if (measure)
      form.measure = static_cast<TempForm::Measure>(item);
    else
      form.capture = static_cast<TempForm::Capture>(item);
    return true;
  }
  return false;
}

/// A cell of the register table the file may hold: an address (row 0, columns 1 to 10) or a
/// value, delay or reference text of a mode; never a label.
bool KeptCell(int row, int column, int rows) {
  if (row < 0 || row >= rows || column < 1 || column >= RegStepTable::kColumns) return false;
  return row > 0 || column <= RegStepTable::kAddressColumns;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct RegCell {
  int row = 0;
  int column = 0;
  std::string text;
};

/// "ROW,COLUMN,TEXT".
std::optional<RegCell> ParseRegCell(std::string_view value) {
  const size_t a = value.find(',');
  if (a == std::string_view::npos) return std::nullopt;
  const size_t b = value.find(',', a + 1);
  if (b == std::string_view::npos || value.size() - b - 1 > kMaxText) return std::nullopt;
  const auto row = Number(value.substr(0, a));
  const auto column = Number(value.substr(a + 1, b - a - 1));
  if (!row || !column) return std::nullopt;
  return RegCell{*row, *column, std::string(value.substr(b + 1))};
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text)
    if (c != '\r' && c != '\n') line += c;
  return line;
}

}  // namespace

std::string TempFormFile::Render(const TempForm& form, const RegStepTable* regs) {
  std::string text;
  for (const auto& [key, field, maxSize] : kTexts) {
    std::string value;
    for (char c : form.*field)
      if (c != '\r' && c != '\n') value += c;
    text += std::string(key) + "=" + value + base::kCrLf;
  }
  text += "measure=" + std::to_string(static_cast<int>(form.measure)) + base::kCrLf;
  text += "capture=" + std::to_string(static_cast<int>(form.capture)) + base::kCrLf;
  for (const auto& [key, field] : kFlags)
    text += std::string(key) + "=" + (form.*field ? "1" : "0") + base::kCrLf;
  // A table never sized by the mode count has no labels yet and nothing to keep.
  if (!regs || regs->RowCount() < 2) return text;
  text += "reg_rows=" + std::to_string(regs->RowCount()) + base::kCrLf;
  for (int r = 0; r < regs->RowCount(); ++r)
    for (int c = 1; c < RegStepTable::kColumns; ++c) {
      if (!KeptCell(r, c, regs->RowCount())) continue;
      const std::string cell = OneLine(regs->Cell(c, r));
      if (cell.empty()) continue;
      text += "reg=" + std::to_string(r) + "," + std::to_string(c) + "," + cell + base::kCrLf;
    }
  return text;
}

int TempFormFile::Apply(std::string_view text, TempForm& form, RegStepTable* regs) {
  int lineNo = 0, firstBad = 0;
  int regRows = 0;
  std::vector<std::pair<int, RegCell>> cells;  // with their line numbers
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    const std::string_view name = eq == std::string_view::npos ? line : line.substr(0, eq);
    const std::string_view value =
        eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
    bool read = false;
    if (eq == std::string_view::npos) {
      read = false;
    } else if (name == "reg_rows") {
      const auto rows = Number(value);
      read = rows && *rows >= 2 && *rows <= RegStepTable::kMaxModes + 1;
      if (read) regRows = *rows;
    } else if (name == "reg") {
      const auto cell = ParseRegCell(value);
      read = cell.has_value();
      if (read) cells.emplace_back(lineNo, *cell);
    } else {
      read = ApplyLine(name, value, form);
    }
    if (!read && firstBad == 0) firstBad = lineNo;
  }
  if (regRows == 0) {
    if (!cells.empty() && firstBad == 0) firstBad = cells.front().first;
    return firstBad;
  }
  if (!regs) return firstBad;
  regs->Apply(regRows - 1);
  for (const auto& [cellLine, cell] : cells) {
    if (!KeptCell(cell.row, cell.column, regRows)) {
      if (firstBad == 0 || cellLine < firstBad) firstBad = cellLine;
      continue;
    }
    regs->SetCell(cell.column, cell.row, cell.text);
  }
  return firstBad;
}

}  // namespace qx::autotest
