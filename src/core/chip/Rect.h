#pragma once

namespace qx::chip {

/// A window or screen rectangle in pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const Rect&) const = default;
};

}  // namespace qx::chip
