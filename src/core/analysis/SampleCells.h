#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qx::analysis {

/// The display codes of the `MemoryF` grid, one cell per sample. A cell is blank, an integer
/// code, or a fractional code shown in fixed notation (after re-averaging by more than one).
/// Kept as numbers, kinds and values in separate arrays, so a capture writes a cell without
/// building its text and the statistics run over the values as one array.
class SampleCells {
 public:
  enum class Kind : uint8_t { Blank, Integer, Fixed };
  struct Cell {
    Kind kind = Kind::Blank;
    double value = 0;
  };

  explicit SampleCells(int capacity)
      : kinds_(static_cast<size_t>(capacity)), values_(static_cast<size_t>(capacity)) {}

  int Capacity() const { return static_cast<int>(values_.size()); }
  void Blank(int i) { Set(i, Kind::Blank, 0); }
  /// Blanks cells from..to-1 (clamped to the grid).
  void BlankRange(int from, int to) {
    from = std::clamp(from, 0, Capacity());
    to = std::clamp(to, from, Capacity());
    std::fill(kinds_.begin() + from, kinds_.begin() + to, Kind::Blank);
    std::fill(values_.begin() + from, values_.begin() + to, 0.0);
  }
  void SetInteger(int i, int64_t v) { Set(i, Kind::Integer, static_cast<double>(v)); }
  void SetFixed(int i, double v) { Set(i, Kind::Fixed, v); }
  /// Cells 0..count-1 become integer cells with the values `fill` writes into the array it is
  /// given; one pass each, for the 65536-cell rewrites of re-averaging.
  template <class Fill>
  void SetIntegers(int count, Fill fill) {
    count = std::clamp(count, 0, Capacity());
    std::fill_n(kinds_.begin(), count, Kind::Integer);
    fill(values_.data(), count);
  }
  Cell At(int i) const {
    if (!Valid(i)) return {};
    return {kinds_[static_cast<size_t>(i)], values_[static_cast<size_t>(i)]};
  }
  /// The cell values; a blank cell holds 0.
  const double* Values() const { return values_.data(); }
  /// The cell as the grid shows it: "" blank, a decimal integer, or "%f" with two decimals.
  std::string Text(int i) const;
  /// The character count of the longest text among cells 0..count-1 (0 when all are blank), so
  /// a grid can size its columns without formatting every cell.
  size_t WidestText(int count) const;
  /// The cell's text read back as a number, as the statistics read it (0 when blank).
  double Number(int i) const;

 private:
  bool Valid(int i) const { return i >= 0 && i < Capacity(); }
  void Set(int i, Kind k, double v) {
    if (!Valid(i)) return;
    kinds_[static_cast<size_t>(i)] = k;
    values_[static_cast<size_t>(i)] = v;
  }
  std::vector<Kind> kinds_;
  std::vector<double> values_;
};

}  // namespace qx::analysis
