#include "core/widgets/LcdGeometry.h"

namespace qx::widgets {

LcdGeometry::LcdGeometry(int width, int height, int segWidth, int margin, int digits)
    : width_(width), height_(height), s_(segWidth), m_(margin), digits_(digits > 0 ? digits : 1) {
  gap_ = (m_ + s_) / 10;
  cellWidth_ = (width_ - gap_ * (digits_ - 1)) / digits_;
  half_ = s_ / 2;
  middle_ = height_ / 2 - m_ - half_ - 1;
}

std::array<LcdPoint, 6> LcdGeometry::Segment(int cell, int segment) const {
  const int x = CellLeft(cell);
  const int w = cellWidth_, m = m_, s = s_, t = half_, y = middle_, h = height_;
  const int r = x + w - m - gap_;
  const int left = x + m + t;
  const int right = x + w - m - s - gap_ - t;
  const int top = m + t;
  const int mid = m + y + t;
  const int bottom = h - m - t - 2;

  // Horizontal bars run from one anchor to the other along x, vertical ones along y.
  auto horizontal = [](LcdPoint a, LcdPoint b, int x0, int x1, int y0, int y1) {
    return std::array<LcdPoint, 6>{a, LcdPoint{x0, y0}, LcdPoint{x1, y0},
                                   b, LcdPoint{x1, y1}, LcdPoint{x0, y1}};
  };
  auto vertical = [](LcdPoint a, LcdPoint b, int x0, int x1, int y0, int y1) {
    return std::array<LcdPoint, 6>{a, LcdPoint{x1, y0}, LcdPoint{x1, y1},
                                   b, LcdPoint{x0, y1}, LcdPoint{x0, y0}};
  };
  switch (segment) {
    case 0:
      return horizontal({left, top}, {right, top}, x + m + s, r - 2 * s, m, m + s);
    case 1:
      return vertical({right, top}, {right, mid}, r - 2 * s, r - s, m + s, m + y);
    case 2:
      return vertical({right, mid}, {right, bottom}, r - 2 * s, r - s, m + y + s, h - m - s - 2);
    case 3:
      return horizontal({left, bottom}, {right, bottom}, x + m + s, r - 2 * s, h - m - s - 2,
                        h - m - 2);
    case 4:
      return vertical({left, mid}, {left, bottom}, x + m, x + m + s, m + y + s, h - m - s - 2);
    case 5:
      return vertical({left, top}, {left, mid}, x + m, x + m + s, m + s, m + y);
    default:
      return horizontal({left, mid}, {right, mid}, x + m + s, r - 2 * s, m + y, m + y + s);
  }
}

LcdSquare LcdGeometry::Point(int cell) const {
  const int x = CellLeft(cell);
  return {x + cellWidth_ - m_ - s_, height_ - m_ - s_, s_};
}

}  // namespace qx::widgets
