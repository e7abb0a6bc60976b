#pragma once

#include <cstdint>

#include "core/widgets/Placement.h"

namespace qx::widgets {

struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const Rect&) const = default;
};

/// The desktop the windows live on: with several monitors, the union of them all, whose origin
/// lies left of or above the primary screen's when a monitor is placed there.
struct ScreenSize {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Left = 0;
  int32_t Top = 0;
};

/// How a window is placed from its record.
struct PlacementResult {
  Rect Bounds;  ///< width and height are the window's own when not sizeable
  WindowState State = WindowState::Normal;
  bool Show = false;  ///< AutoShow and the record says visible
};

/// What the placement needs to know about a window.
struct WindowTraits {
  Rect Current;                  ///< bounds before placement
  bool Sizeable = true;          ///< sizeable frame: width and height are restored too
  bool PositionDesigned = true;  ///< a window placed by the system (centred, default) is skipped
};

/// Keep-on-screen arithmetic of the program's windows.
class ScreenFit {
 public:
  /// The main window at creation: size cut to the screen; a left edge beyond the screen moves the
  /// window flush right, a left edge within 20 pixels of the right border moves to width − 20;
  /// likewise top and height.
  static Rect AtCreation(Rect r, ScreenSize screen);

  /// A restored placement: bounds from the record; a normal sizeable window is kept on the
  /// desktop (size cut to it, a left edge beyond its right border − 20 moves the window flush
  /// right, the same for top; a window left of or above the desktop comes back to its edge).
  /// False when the window is skipped.
  static bool Restore(const Placement& record, const WindowTraits& window, ScreenSize screen,
                      bool autoShow, PlacementResult& out);
};

}  // namespace qx::widgets
