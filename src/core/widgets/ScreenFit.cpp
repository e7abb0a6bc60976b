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
    if (r.Width > screen.Width) r.Width = screen.Width;
    if (r.Height > screen.Height) r.Height = screen.Height;
    if (r.Left > screen.Width - kGrip) r.Left = screen.Width - r.Width;
    if (r.Top > screen.Height - kGrip) r.Top = screen.Height - r.Height;
    // A window saved on a screen left of or above this one would come back out of reach.
    if (r.Left < kGrip - r.Width) r.Left = 0;
    if (r.Top < 0) r.Top = 0;
  }
  out.Bounds = r;
  out.State = record.State;
  out.Show = autoShow && record.Visible;
  return true;
}

}  // namespace qx::widgets
