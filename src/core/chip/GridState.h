#pragma once

#include <string>
#include <vector>

namespace qx::chip {

/// Shape and texts of a register view grid as the chip loader laid it out.
struct GridState {
  int columns = 9;
  int rows = 0;
  std::vector<std::string> cells;  ///< row-major, columns x rows

  void Reset(int cols) {
    columns = cols;
    rows = 0;
    cells.clear();
  }
  /// Grows to `newRows` rows; cells of the added rows are empty.
  void SetRows(int newRows) {
    rows = newRows;
    cells.resize(static_cast<size_t>(columns) * static_cast<size_t>(rows));
  }
  std::string Cell(int col, int row) const {
    if (col < 0 || col >= columns || row < 0 || row >= rows) return {};
    return cells[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                 static_cast<size_t>(col)];
  }
  void SetCell(int col, int row, std::string text) {
    if (col < 0 || col >= columns || row < 0 || row >= rows) return;
    cells[static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(col)] =
        std::move(text);
  }
};

}  // namespace qx::chip
