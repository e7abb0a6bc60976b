#include "gui/RestoreWin.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>

#include "core/widgets/PlacementFile.h"
#include "core/widgets/ScreenFit.h"

namespace qx::gui {

namespace {

// An MDI child is placed through its sub-window frame inside the MDI area.
QWidget* Frame(QWidget* form) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget())) return sub;
  return form;
}

widgets::WindowState StateOf(const QWidget* w) {
  if (w->windowState() & Qt::WindowMinimized) return widgets::WindowState::Minimized;
  if (w->windowState() & Qt::WindowMaximized) return widgets::WindowState::Maximized;
  return widgets::WindowState::Normal;
}

Qt::WindowStates QtState(widgets::WindowState s) {
  switch (s) {
    case widgets::WindowState::Minimized:
      return Qt::WindowMinimized;
    case widgets::WindowState::Maximized:
      return Qt::WindowMaximized;
    case widgets::WindowState::Normal:
      break;
  }
  return Qt::WindowNoState;
}

widgets::ScreenSize Screen() {
  const QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return {1920, 1080};
  // The union of all monitors, so a window on a monitor left of or above the primary stays.
  const QRect desk = s->virtualGeometry();
  return {desk.width(), desk.height(), desk.left(), desk.top()};
}

}  // namespace

RestoreWin::RestoreWin(std::string programFile, std::function<std::vector<QWidget*>()> forms)
    : programFile_(std::move(programFile)), forms_(std::move(forms)) {}

void RestoreWin::SetExtName(const std::string& ext) {
  extName_ = ext.empty() ? widgets::PlacementFile::kDefaultExtension : ext;
}

std::string RestoreWin::FilePath() const {
  return widgets::PlacementFile::PathFor(programFile_, extName_).string();
}

std::string RestoreWin::MainShown() {
  if (shown_ || !Enabled) return {};
  shown_ = true;
  std::string problem = Load();
  Apply();
  return problem;
}

std::string RestoreWin::MainClosed() {
  return Enabled ? Save() : std::string();
}

std::string RestoreWin::Load() {
  std::string problem;
  if (widgets::PlacementFile::Load(FilePath(), records_, &problem))
    onDisk_ = widgets::PlacementFile::Render(records_);
  return problem;
}

void RestoreWin::Apply() {
  for (QWidget* form : forms_()) {
    const widgets::Placement* record = records_.Find(form->objectName().toStdString());
    if (!record) continue;
    QWidget* w = Frame(form);
    widgets::WindowTraits traits;
    traits.Current = {w->x(), w->y(), w->width(), w->height()};
    traits.Sizeable = w->minimumSize() != w->maximumSize();
    widgets::PlacementResult r;
    if (!widgets::ScreenFit::Restore(*record, traits, Screen(), AutoShow, r)) continue;
    w->move(r.Bounds.Left, r.Bounds.Top);
    w->resize(r.Bounds.Width, r.Bounds.Height);
    w->setWindowState(QtState(r.State));
    if (r.Show) {
      w->show();
      if (w != form) form->show();
    }
  }
}

std::string RestoreWin::SaveIfChanged(bool mainOnScreen) {
  // Before the first show nothing is placed yet, and after the close the children are hidden
  // by the close sequence, not by the user.
  if (!Enabled || !shown_ || !mainOnScreen) return {};
  Collect();
  const std::string text = widgets::PlacementFile::Render(records_);
  if (text == onDisk_ || text == lastFailed_) return {};
  std::string error;
  if (widgets::PlacementFile::Save(FilePath(), records_, error)) {
    onDisk_ = text;
    lastFailed_.clear();
    return {};
  }
  lastFailed_ = text;
  return "Window placements not saved: " + error;
}

std::string RestoreWin::Save() {
  Collect();
  std::string error;
  if (widgets::PlacementFile::Save(FilePath(), records_, error)) {
    onDisk_ = widgets::PlacementFile::Render(records_);
    return {};
  }
  return "Window placements not saved: " + error;
}

void RestoreWin::Collect() {
  for (QWidget* form : forms_()) {
    const QWidget* w = Frame(form);
    widgets::Placement p;
    p.Name = form->objectName().toStdString();
    p.State = StateOf(w);
    if (p.State == widgets::WindowState::Normal) {
      p.Left = w->x();
      p.Top = w->y();
      p.Width = w->width();
      p.Height = w->height();
    } else {
      // The normal bounds, so a maximized window comes back to them when restored.
      const QRect normal = w->normalGeometry().isValid() ? w->normalGeometry() : w->geometry();
      p.Left = normal.x();
      p.Top = normal.y();
      p.Width = normal.width();
      p.Height = normal.height();
    }
    p.Visible = form->isVisible();
    records_.Store(p);
  }
}

}  // namespace qx::gui
