#include "core/widgets/ScreenFit.h"

namespace qx::widgets {

namespace {
constexpr int32_t kGrip = 20;  // pixels of a window that must stay reachable on screen
}

Rect ScreenFit::AtCreation(Rect r, ScreenSize screen) {
  if (r.Width > screen.Width) r.Width = screen.Width;
  if (r.Height > screen.Height) r.Height = screen.Height;
  if (r.Left > screen.Width)
    r.Left = screen.Width - r.Width;
  else if (r.Left > screen.Width - kGrip)
    r.Left = screen.Width - kGrip;
  if (r.Top > screen.Height)
    r.Top = screen.Height - r.Height;
  else if (r.Top > screen.Height - kGrip)
    r.Top = screen.Height - kGrip;
  return r;
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
