#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx::analysis {

/// The display codes of the `MemoryF` grid, one cell per sample. A cell is blank, an integer
/// code, or a fractional code shown in fixed notation (after re-averaging by more than one).
/// Kept as numbers so a capture writes a cell without building its text.
class SampleCells {
 public:
  enum class Kind : uint8_t { Blank, Integer, Fixed };
  struct Cell {
    Kind kind = Kind::Blank;
    double value = 0;
  };

  explicit SampleCells(int capacity) : cells_(static_cast<size_t>(capacity)) {}

  int Capacity() const { return static_cast<int>(cells_.size()); }
  void Blank(int i) {
    if (Valid(i)) cells_[static_cast<size_t>(i)] = {};
  }
  void SetInteger(int i, int64_t v) {
    if (Valid(i)) cells_[static_cast<size_t>(i)] = {Kind::Integer, static_cast<double>(v)};
  }
  void SetFixed(int i, double v) {
    if (Valid(i)) cells_[static_cast<size_t>(i)] = {Kind::Fixed, v};
  }
  Cell At(int i) const { return Valid(i) ? cells_[static_cast<size_t>(i)] : Cell{}; }
  /// The cell as the grid shows it: "" blank, a decimal integer, or "%f" with two decimals.
  std::string Text(int i) const;
  /// The cell's text read back as a number, as the statistics read it (0 when blank).
  double Number(int i) const;

 private:
  bool Valid(int i) const { return i >= 0 && i < Capacity(); }
  std::vector<Cell> cells_;
};

}  // namespace qx::analysis
