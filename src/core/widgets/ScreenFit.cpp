#include "core/widgets/ScreenFit.h"

#include "core/chip/TextConvert.h"

namespace qx::widgets {

namespace {
constexpr int32_t kGrip = 20;  // pixels of a window that must stay reachable on screen
}

Rect ScreenFit::AtCreation(Rect r, ScreenSize screen) {
  // The main window follows the same rule as every other window the program keeps on screen.
  const chip::Rect fitted =
      chip::FitToScreen({r.Left, r.Top, r.Width, r.Height}, {0, 0, screen.Width, screen.Height});
  return {fitted.left, fitted.top, fitted.width, fitted.height};
}

bool ScreenFit::Restore(const Placement& record, const WindowTraits& window, ScreenSize screen,
                        bool autoShow, PlacementResult& out) {
  if (!window.PositionDesigned) return false;
  Rect r = window.Current;
  r.Left = record.Left;
  r.Top = record.Top;
  if (window.Sizeable) {
    r.Width = record.Width;
    r.Height = record.Height;
  }
  if (record.State == WindowState::Normal && window.Sizeable) {
    const int32_t right = screen.Left + screen.Width;
    const int32_t bottom = screen.Top + screen.Height;
    if (r.Width > screen.Width) r.Width = screen.Width;
    if (r.Height > screen.Height) r.Height = screen.Height;
    if (r.Left > right - kGrip) r.Left = right - r.Width;
    if (r.Top > bottom - kGrip) r.Top = bottom - r.Height;
    // A window saved on a monitor that is gone would come back out of reach.
    if (r.Left < screen.Left + kGrip - r.Width) r.Left = screen.Left;
    if (r.Top < screen.Top) r.Top = screen.Top;
  }
  out.Bounds = r;
  out.State = record.State;
  out.Show = autoShow && record.Visible;
  return true;
}

}  // namespace qx::widgets
