#include "core/widgets/WorkAreaFit.h"

#include <algorithm>

namespace qx::widgets {

Rect WorkAreaFit::Inside(Rect window, ScreenSize area) {
  if (area.Width <= 0 || area.Height <= 0) return window;
  Rect r = window;
  r.Width = std::min(r.Width, area.Width);
  r.Height = std::min(r.Height, area.Height);
  r.Left = std::clamp(r.Left, 0, area.Width - r.Width);
  r.Top = std::clamp(r.Top, 0, area.Height - r.Height);
  return r;
}

}  // namespace qx::widgets
