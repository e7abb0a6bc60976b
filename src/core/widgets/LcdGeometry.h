#pragma once

#include <array>

namespace qx::widgets {

struct LcdPoint {
  int x = 0;
  int y = 0;
  bool operator==(const LcdPoint&) const = default;
};

/// Square of the decimal point: top-left corner and side.
struct LcdSquare {
  int left = 0;
  int top = 0;
  int side = 0;
  bool operator==(const LcdSquare&) const = default;
};

/// Layout of the seven-segment display for one control size, in integer pixels: the cell
/// grid, the anchors where segments meet and the six-point polygon of every segment.
class LcdGeometry {
 public:
  LcdGeometry(int width, int height, int segWidth, int margin, int digits);

  int Gap() const { return gap_; }
  int CellWidth() const { return cellWidth_; }
  int HalfThickness() const { return half_; }
  int MiddleOffset() const { return middle_; }
  int CellLeft(int cell) const { return cell * (cellWidth_ + gap_); }

  /// Segment 0..6 (a..g) of `cell`: anchor, two bar corners, the other anchor, two corners.
  std::array<LcdPoint, 6> Segment(int cell, int segment) const;
  /// The decimal point of `cell`, its lower right corner at (X + W - Margin, Height - Margin).
  LcdSquare Point(int cell) const;

 private:
  int width_, height_, s_, m_, digits_;
  int gap_, cellWidth_, half_, middle_;
};

}  // namespace qx::widgets
