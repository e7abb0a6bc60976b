#include "core/autotest/TempTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/autotest/NumberText.h"
#include "core/chip/TextConvert.h"

namespace qx::autotest {

namespace {

void Note(std::string& message, const std::string& text) {
  if (!message.empty()) message += "; ";
  message += text;
}

// The largest count k <= n whose last point s + (k - 1)d stays at or below `highest`; 0 when even
// the first point is above it.
int64_t CountBelow(int64_t n, double s, double d, double highest) {
  if (d <= 0) return s <= highest ? n : 0;  // the points never rise above the first
  const double estimate = std::floor((highest - s) / d) + 1;
  int64_t k = estimate < 0                        ? 0
              : estimate > static_cast<double>(n) ? n
                                                  : static_cast<int64_t>(estimate);
  // The division may land one off either way in floating point; settle on the exact test.
  while (k > 0 && s + static_cast<double>(k - 1) * d > highest) --k;
  while (k < n && s + static_cast<double>(k) * d <= highest) ++k;
  return k;
}

}  // namespace

TempPointTable::Built TempPointTable::Build(const std::string& countText,
                                            const std::string& startText,
                                            const std::string& stepText) {
  Built out;
  int64_t n = 1;
  if (const auto count = WholeNumber(countText)) {
    n = *count;
    if (n < 0) Note(out.message, "A negative temperature count gives one point");
    n = std::max<int64_t>(n, 1);  // 0 means one point
  } else {
    Note(out.message,
         "The temperature count \"" + countText + "\" is not a whole number: one point");
  }
  const auto start = DecimalNumber(startText);
  if (!start)
    Note(out.message, "The start temperature \"" + startText + "\" is not a number: 0 used");
  const auto step = DecimalNumber(stepText);
  if (!step) Note(out.message, "The temperature step \"" + stepText + "\" is not a number: 0 used");
  const double s = start.value_or(0);
  const double d = step.value_or(0);

  // The chamber goes to 150 °C at most. The test looks one point past the last, as the bench
  // program always did, but a count is only ever lowered here.
  if (static_cast<double>(n + 1) * d + s > kHighestTemp) {
    const int64_t k = CountBelow(n, s, d, kHighestTemp);
    if (k < 1) {
      n = 1;
      Note(out.message, "The start temperature is above 150 °C");
    } else if (k < n) {
      n = k;
      Note(out.message, "Temperature count lowered to " + std::to_string(k) +
                            ": the chamber goes to 150 °C at most");
    }
  }
  if (n > kMaxPoints) {
    n = kMaxPoints;
    Note(out.message, "The table holds at most 30 temperature points");
  }

  out.count = static_cast<int>(n);
  out.countText = std::to_string(n);
  Resize(out.count + 1);
  for (int c = 0; c < kColumns; ++c) SetCell(c, 0, kHeaders[c]);
  for (int t = 1; t <= out.count; ++t) {
    SetCell(0, t, std::to_string(t));
    SetCell(1, t, FixedTwo(s + (t - 1) * d));
    SetCell(2, t, FixedTwo(0));
    SetCell(3, t, FixedTwo(0));
    SetCell(4, t, FixedTwo(5));
  }
  return out;
}

std::optional<double> TempPointTable::Number(int column, int point) const {
  return DecimalNumber(Cell(column, point));
}

int RegStepTable::ParseModeCount(const std::string& text) {
  const auto n = WholeNumber(text);
  if (!n || *n <= 0 || *n > kMaxModes) return kDefaultModes;
  return static_cast<int>(*n);
}

void RegStepTable::Apply(int modes) {
  modes = std::clamp(modes, 1, kMaxModes);
  Resize(modes + 1);
  SetCell(0, 0, "Address");
  SetCell(kDelayColumn, 0, "Delay");
  SetCell(kAcmColumn, 0, "ACM");
  for (int m = 1; m <= modes; ++m) SetCell(0, m, "Value-" + std::to_string(m));
  // Labelling row m narrows column m, for the first eleven rows only.
  for (int m = 1; m <= std::min(modes, 11); ++m)
    widths_[static_cast<size_t>(m)] = m <= 10 ? 22 : 40;
}

int RegStepTable::ColumnWidth(int column) const {
  if (column < 0 || column >= kColumns) return 0;
  if (column == 0) return kLabelColumnWidth;
  const int w = widths_[static_cast<size_t>(column)];
  return w == 0 ? kDefaultColumnWidth : w;
}

int RegStepTable::AddressCount(bool zeroEnds) const {
  int count = 0;
  for (int c = 1; c <= kAddressColumns; ++c) {
    const std::string& cell = Cell(c, 0);
    if (zeroEnds ? chip::HexValue(cell) == 0 : cell.empty()) break;
    count = c;
  }
  return count;
}

int RegStepTable::ModeCount() const {
  int count = 0;
  for (int m = 1; m < RowCount(); ++m) {
    if (HexDigitsOf(Cell(1, m)).empty()) break;
    count = m;
  }
  return count;
}

uint8_t RegStepTable::Address(int column) const {
  return static_cast<uint8_t>(chip::HexValue(Cell(column, 0)) & 0xFF);
}

uint8_t RegStepTable::Value(int column, int mode) const {
  return static_cast<uint8_t>(chip::HexValue(Cell(column, mode)) & 0xFF);
}

int RegStepTable::DelaySeconds(int mode) const {
  const auto n = WholeNumber(Cell(kDelayColumn, mode));
  if (!n || *n < 0) return 0;
  return static_cast<int>(std::min<int64_t>(*n, std::numeric_limits<int>::max()));
}

void ResultTable::Prepare(int columns, int rows, int points) {
  columns_ = std::max(columns, 1);
  cells_.assign(static_cast<size_t>(std::max(rows, 1)),
                std::vector<std::string>(static_cast<size_t>(columns_)));
  for (int m = 1; m < columns_; ++m) cells_[0][static_cast<size_t>(m)] = "D - " + std::to_string(m);
  for (int t = 1; t <= points && t < Rows(); ++t)
    cells_[static_cast<size_t>(t)][0] = std::to_string(t);
  ++revision_;
}

void ResultTable::ResizeRows(int rows, int points) {
  const int before = Rows();
  cells_.resize(static_cast<size_t>(std::max(rows, 1)),
                std::vector<std::string>(static_cast<size_t>(columns_)));
  for (int t = std::max(before, 1); t <= points && t < Rows(); ++t)
    cells_[static_cast<size_t>(t)][0] = std::to_string(t);
  ++revision_;
}

const std::string& ResultTable::Cell(int column, int row) const {
  static const std::string empty;
  if (column < 0 || column >= columns_ || row < 0 || row >= Rows()) return empty;
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

void ResultTable::SetCell(int column, int row, const std::string& text) {
  if (column < 0 || column >= columns_ || row < 0 || row >= Rows()) return;
  cells_[static_cast<size_t>(row)][static_cast<size_t>(column)] = text;
  ++revision_;
}

std::string FixedTwo(double value) {
  const int n = std::snprintf(nullptr, 0, "%.2f", value);
  if (n <= 0) return "0.00";
  std::string text(static_cast<size_t>(n) + 1, '\0');  // 1e300 takes over 300 characters
  std::snprintf(text.data(), text.size(), "%.2f", value);
  text.resize(static_cast<size_t>(n));
  if (text == "-0.00") return "0.00";  // a value that rounds to zero has no sign
  return text;
}

}  // namespace qx::autotest
