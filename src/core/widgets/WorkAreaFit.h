#pragma once

#include "core/widgets/ScreenFit.h"

namespace qx::widgets {

/// Where a child window goes in the main window's work area (the MDI area) the first time it
/// shows: wholly inside it, cut to the area when larger, moved in when it sticks out.
class WorkAreaFit {
 public:
  /// `area` is the work area's size; the result's Left and Top are relative to it.
  static Rect Inside(Rect window, ScreenSize area);
};

}  // namespace qx::widgets
