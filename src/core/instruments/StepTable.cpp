#include "core/instruments/StepTable.h"

#include <algorithm>

#include "core/chip/TextConvert.h"

namespace qx::instruments {

namespace {
const std::string kEmpty;
}

void StepTable::FormCreate() {
  Resize(kDefaultRows);
  for (int c = 0; c < kColumns; ++c) cells_[0][c] = kHeaders[c];
  for (int r = 1; r < kDefaultRows; ++r) cells_[r][0] = std::to_string(r);
  ++revision_;
}

void StepTable::INI(int modeCount) {
  Resize(modeCount + 1);
  for (int r = 1; r < RowCount(); ++r) cells_[r][0] = std::to_string(r);
  ++revision_;
}

void StepTable::Resize(int rows) {
  rows = std::max(rows, 2);  // the header and at least one step, as a grid needs
  const bool fresh = cells_.empty();
  cells_.resize(static_cast<size_t>(rows));
  if (fresh)
    for (int c = 0; c < kColumns; ++c) cells_[0][c] = kHeaders[c];
  ++revision_;
}

const std::string& StepTable::Cell(int column, int row) const {
  if (column < 0 || column >= kColumns || row < 0 || row >= RowCount()) return kEmpty;
  return cells_[row][column];
}

void StepTable::SetCell(int column, int row, const std::string& text) {
  if (column < 0 || column >= kColumns || row < 0 || row >= RowCount()) return;
  cells_[row][column] = text;
  ++revision_;
}

std::string StepTable::Edit(int column, int row, const std::string& text) {
  if (row < 1 || row >= RowCount() || column < 0 || column >= kColumns)
    return "Row " + std::to_string(row) + " is not a step of this table";
  if (column == 1) {
    const bool hex = text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    if (!hex || text.size() > kStepDigits)
      return "Step \"" + text + "\" of row " + std::to_string(row) +
             " is not a hex number of up to 4 digits: 0 or empty turns the step off, 1 to FFFF "
             "turns it on";
  }
  SetCell(column, row, text);
  return {};
}

bool StepTable::Enabled(int row) const {
  return row > 0 && chip::HexValue(Cell(1, row)) != 0;
}

}  // namespace qx::instruments
