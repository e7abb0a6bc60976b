#include "gui/MainPanel.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>

#include "core/app/CaptureLock.h"
#include "core/app/ShellCommands.h"
#include "core/app/WindowTitles.h"
#include "core/app/Workbench.h"
#include "core/chip/ChipUiState.h"
#include "core/widgets/WorkAreaFit.h"
#include "gui/MessagesWindow.h"
#include "gui/StatusPanel.h"

namespace qx::gui {

namespace {
constexpr int kDesignedLeft = 0;
constexpr int kDesignedTop = 0;
constexpr int kDesignedWidth = 1024;
constexpr int kDesignedHeight = 700;
constexpr int kSettingsCheckMs = 1000;
}  // namespace

MainPanel::MainPanel(app::Workbench& bench, app::ShellCommands& shell,
                     const std::string& programFile)
    : bench_(bench), shell_(shell), restoreWin_(programFile, [this] { return Forms(); }) {
  setObjectName(app::InfoOf(app::FormId::TMainPanel).Name);
  forms_.insert(app::FormId::TMainPanel);
  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("MdiArea");
  setCentralWidget(mdi_);

  auto* bar = new QStatusBar(this);
  bar->setObjectName("StatusBar1");
  setStatusBar(bar);
  for (size_t i = 0; i < panels_.size(); ++i) {
    panels_[i] = new StatusPanel(bar);
    panels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    bar->addWidget(panels_[i], i == 2 ? 1 : 0);
  }
  remoteStatus_ = new QLabel(bar);
  remoteStatus_->setObjectName("RemoteStatus");
  remoteStatus_->hide();
  bar->addPermanentWidget(remoteStatus_);
  gauge_ = new QProgressBar(bar);
  gauge_->setObjectName("Gauge1");
  gauge_->setRange(0, 100);
  bar->addPermanentWidget(gauge_);

  BuildMenu();
  bar->installEventFilter(this);
  FormCreate();
}

MainPanel::~MainPanel() {
  shell_.Release();
}

void MainPanel::FormCreate() {
  widgets::Rect r{kDesignedLeft, kDesignedTop, kDesignedWidth, kDesignedHeight};
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    r = widgets::ScreenFit::AtCreation(r,
                                       {screen->geometry().width(), screen->geometry().height()});
  move(r.Left, r.Top);
  resize(r.Width, r.Height);

  gauge_->hide();
  const int third = statusBar()->width() / 3;
  panels_[0]->setFixedWidth(third);
  panels_[1]->setFixedWidth(third);

  shell_.InitLinkState();
  setWindowTitle(app::kMainCaption);
}

void MainPanel::FormActivate() {
  for (app::FormId f : app::kChildHideOrder) ShowChild(f, app::InfoOf(f).PlacementIndex, false);
  shell_.StartupActivation();
  // Every setting reaches the disk within a second of its change, so a kill loses none.
  if (!settingsKeeper_) {
    settingsKeeper_ = new QTimer(this);
    settingsKeeper_->setObjectName("SettingsKeeper");
    connect(settingsKeeper_, &QTimer::timeout, this, [this] {
      shell_.SaveConfigIfChanged();
      if (const std::string error = restoreWin_.SaveIfChanged(isVisible()); !error.empty())
        SetStatusText(2, QString::fromStdString(error));
    });
  }
  settingsKeeper_->start(kSettingsCheckMs);
}

void MainPanel::FormClose() {
  shell_.SaveConfig();
  for (app::FormId f : app::kChildHideOrder) ShowChild(f, app::InfoOf(f).PlacementIndex, false);
}

void MainPanel::BuildMenu() {
  std::map<std::string, QMenu*> menus;
  for (const app::MenuItem& item : app::MainMenu::kItems) {
    auto* action = new QAction(QString::fromUtf8(item.Caption), this);
    action->setObjectName(item.ObjectName);
    if (item.Parent) {
      QMenu*& menu = menus[item.Parent];
      if (!menu) {
        menu = menuBar()->addMenu(QString::fromUtf8(app::MainMenu::MenuCaption(item.Parent)));
        menu->setObjectName(item.Parent);
      }
      menu->addAction(action);
    } else {
      menuBar()->addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, &item] { Trigger(item); });
    actions_[item.ObjectName] = action;
  }
  // The status bar's history is no command of the chip's menu: always there.
  if (QMenu* option = menus["Menu_Option"]) {
    option->addSeparator();
    QAction* messages = option->addAction(QString::fromUtf8("Messages…"));
    messages->setObjectName("SMenu_Messages");
    messages->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(messages, &QAction::triggered, this, &MainPanel::ShowMessages);
    // The SCPI server: checked while it listens; "Local" takes control back from a client.
    remoteAction_ = option->addAction(QString::fromUtf8("Remote control…"));
    remoteAction_->setObjectName("SMenu_Remote");
    remoteAction_->setCheckable(true);
    localAction_ = option->addAction(QString::fromUtf8("Local"));
    localAction_->setObjectName("SMenu_Local");
    localAction_->setCheckable(true);
    localAction_->setEnabled(false);
  }
  // The journal's runs, beside the temperature test's lists.
  if (QMenu* file = menus["Memu_File"]) {
    file->addSeparator();
    runHistoryAction_ = file->addAction(QString::fromUtf8("Run History…"));
    runHistoryAction_->setObjectName("SMenu_RunHistory");
    runHistoryAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  }
  SyncMenu();
}

void MainPanel::SyncMenu() {
  // The chip description shows and hides the optional commands.
  for (const auto& [name, visible] : bench_.chip.Ui.Form(chip::kMainWindow).visible) {
    if (menu_.SetVisible(name, visible)) continue;
    if (auto* menu = findChild<QMenu*>(QString::fromStdString(name)))
      menu->menuAction()->setVisible(visible);
  }
  for (auto& [name, action] : actions_) action->setVisible(menu_.IsVisible(name));
  UpdateEnabled();
}

void MainPanel::FitInWorkArea(QMdiSubWindow* sub) {
  const QSize area = mdi_->viewport()->size();
  const widgets::Rect fitted = widgets::WorkAreaFit::Inside(
      {sub->x(), sub->y(), sub->width(), sub->height()}, {area.width(), area.height()});
  sub->setGeometry(fitted.Left, fitted.Top, fitted.Width, fitted.Height);
}

void MainPanel::SayHiddenCommands() {
  const auto shown = [this](const std::string& name) {
    if (const auto it = actions_.find(name); it != actions_.end()) return it->second->isVisible();
    const QMenu* menu = findChild<QMenu*>(QString::fromStdString(name));
    return menu && menu->menuAction()->isVisible();
  };
  const std::string notice = app::MainMenu::HiddenNotice(
      shown, bench_.chip.Loaded ? bench_.chip.ProductName : std::string());
  if (notice == hiddenNotice_) return;
  hiddenNotice_ = notice;
  if (notice.empty()) return;
  // A load that failed has its reason on the status bar already (no chip folder, no file);
  // the list of what it hid goes to the messages without covering that reason.
  if (bench_.chip.Loaded)
    SetStatusText(2, QString::fromStdString(notice));
  else
    messages_.Add(2, notice);
}

void MainPanel::RevealCommand(const std::string& objectName) {
  menu_.Reveal(objectName);
  SyncMenu();
}

void MainPanel::UpdateEnabled() {
  for (const app::MenuItem& item : app::MainMenu::kItems) {
    const std::string name = item.ObjectName;
    const bool windowExists = forms_.count(item.Window) > 0;
    const bool handled = item.OpensWindow || commands_.count(name) > 0 || name == "USBScan";
    const bool locked = capturing_ && app::CaptureLock::Blocks(name);
    actions_[name]->setEnabled(windowExists && handled && !locked);
  }
  for (const app::MenuHeading& heading : app::MainMenu::kMenus)
    if (auto* menu = findChild<QMenu*>(heading.ObjectName))
      menu->menuAction()->setEnabled(!(capturing_ && app::CaptureLock::Blocks(heading.ObjectName)));
}

void MainPanel::SetCaptureRunning(bool running) {
  capturing_ = running;
  UpdateEnabled();
}

void MainPanel::Trigger(const app::MenuItem& item) {
  if (onCommand) onCommand(item.ObjectName);
  if (capturing_ && app::CaptureLock::Blocks(item.ObjectName)) {
    SetStatusText(2, QString::fromStdString(
                         app::CaptureLock::Refusal(QString::fromUtf8(item.Caption).toStdString())));
    return;
  }
  const auto command = commands_.find(item.ObjectName);
  if (command != commands_.end()) {
    command->second();
  } else if (item.OpensWindow) {
    ShowChild(item.Window, app::InfoOf(item.Window).PlacementIndex, true);
  } else if (std::string(item.ObjectName) == "USBScan") {
    shell_.UsbScan();
  }
}

void MainPanel::RegisterForm(app::FormId form, QWidget* widget) {
  forms_.insert(form);
  if (widget) {
    widget->setObjectName(app::InfoOf(form).Name);
    children_[form] = widget;
  }
  UpdateEnabled();
}

void MainPanel::RegisterCommand(const std::string& objectName, std::function<void()> handler) {
  commands_[objectName] = std::move(handler);
  UpdateEnabled();
}

const std::string& MainPanel::ProgramDir() const {
  return shell_.ProgramDir();
}

void MainPanel::RunCommand(const std::string& objectName) {
  const app::MenuItem* item = app::MainMenu::Find(objectName);
  if (!item) return;
  if (commands_.count(objectName) == 0 && !item->OpensWindow) {
    SetStatusText(2, QString::fromUtf8(item->Caption) + ": not available yet");
    return;
  }
  Trigger(*item);
}

QMdiSubWindow* MainPanel::SubWindowOf(QWidget* child) const {
  return qobject_cast<QMdiSubWindow*>(child->parentWidget());
}

QMdiSubWindow* MainPanel::AddFrame(QWidget* child) {
  QMdiSubWindow* sub = mdi_->addSubWindow(child);
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  return sub;
}

void MainPanel::ShowChild(app::FormId form, int index, bool show) {
  const auto it = children_.find(form);
  if (it == children_.end() || !it->second) return;
  QWidget* child = it->second;
  QMdiSubWindow* sub = SubWindowOf(child);
  if (!show) {
    if (sub) sub->hide();
    child->hide();
    return;
  }
  if (!sub) {
    QRect designed = child->geometry();
    sub = AddFrame(child);
    sub->ensurePolished();
    // A remembered placement is the frame's; a designed one is the window's own client size,
    // which the frame must surround.
    if (!restoreWin_.Records().Find(child->objectName().toStdString())) {
      const QMargins frame = sub->contentsMargins();
      designed.setSize(designed.size().grownBy(frame));
    }
    sub->setGeometry(designed);
    FitInWorkArea(sub);
  }
  // The entry keeps the bounds the child had, so a moved child comes back where it was left.
  if (index > 0 && index < static_cast<int>(placementTable_.size())) {
    widgets::Rect& entry = placementTable_[static_cast<size_t>(index)];
    entry = {sub->x(), sub->y(), sub->width(), sub->height()};
    sub->setGeometry(entry.Left, entry.Top, entry.Width, entry.Height);
  }
  child->show();
  sub->show();
}

void MainPanel::UsbClient() {
  for (const app::WindowTitle& t : shell_.UsbClient()) {
    const QString title = QString::fromStdString(t.Title);
    if (t.Form == app::FormId::TMainPanel) {
      setWindowTitle(title);
    } else if (const auto it = children_.find(t.Form); it != children_.end() && it->second) {
      it->second->setWindowTitle(title);
    }
  }
  shell_.RefreshAfterConnect();
}

void MainPanel::SetStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < static_cast<int>(panels_.size()))
    panels_[static_cast<size_t>(panel)]->SetMessage(text);
  const size_t before = messages_.Count();
  messages_.Add(panel, text.toStdString());
  if (messagesWindow_ && messages_.Count() > before)
    messagesWindow_->Append(messages_.Entries().back());
}

void MainPanel::ShowMessages() {
  if (!messagesWindow_) messagesWindow_ = new MessagesWindow(messages_, this);
  messagesWindow_->Reload();
  messagesWindow_->show();
  messagesWindow_->raise();
  messagesWindow_->activateWindow();
}

bool MainPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && watched == statusBar()) {
    ShowMessages();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

QString MainPanel::StatusText(int panel) const {
  if (panel < 0 || panel >= static_cast<int>(panels_.size())) return {};
  return panels_[static_cast<size_t>(panel)]->Message();
}

void MainPanel::SetRemoteStatus(const QString& text) {
  remoteStatus_->setText(text);
  remoteStatus_->setVisible(!text.isEmpty());
}

QString MainPanel::RemoteStatus() const {
  return remoteStatus_->text();
}

void MainPanel::SetGauge(int percent, bool visible) {
  gauge_->setValue(percent);
  gauge_->setVisible(visible);
}

std::vector<QWidget*> MainPanel::Forms() {
  std::vector<QWidget*> forms{this};
  for (const app::FormInfo& info : app::kFormsInCreationOrder) {
    const auto it = children_.find(info.Id);
    if (it != children_.end() && it->second) forms.push_back(it->second);
  }
  // Only once framed: a window never opened keeps the placement remembered before.
  for (const auto& [window, open] : remembered_)
    if (window && SubWindowOf(window)) forms.push_back(window);
  return forms;
}

void MainPanel::RememberPlacement(QWidget* window, std::function<void()> open) {
  remembered_.emplace_back(window, std::move(open));
}

std::optional<QRect> MainPanel::RememberedBounds(const QWidget* window) const {
  const widgets::Placement* p = restoreWin_.Records().Find(window->objectName().toStdString());
  if (!p || p->Width <= 0 || p->Height <= 0) return std::nullopt;
  return QRect(p->Left, p->Top, p->Width, p->Height);
}

void MainPanel::showEvent(QShowEvent* event) {
  if (const std::string problem = restoreWin_.MainShown(); !problem.empty())
    SetStatusText(2, QString::fromStdString(problem));
  // A child the placement file shows again belongs in the work area, like one the menu opens.
  for (const auto& [form, child] : children_) {
    if (child && !child->isHidden() && !SubWindowOf(child) && form != app::FormId::TOption &&
        form != app::FormId::TQxPopSelHex)
      ShowChild(form, app::InfoOf(form).PlacementIndex, true);
  }
  if (!rememberedOpened_) {
    rememberedOpened_ = true;
    for (const auto& [window, open] : remembered_) {
      const widgets::Placement* p =
          window ? restoreWin_.Records().Find(window->objectName().toStdString()) : nullptr;
      // Once the work area has its size, which the frame is fitted into.
      if (p && p->Visible && open) QTimer::singleShot(0, this, open);
    }
  }
  QMainWindow::showEvent(event);
}

void MainPanel::closeEvent(QCloseEvent* event) {
  // The placements keep what the user saw: saved before the close sequence hides the children.
  // A failed save shows in the status bar and, as the window is going, on stderr too.
  if (const std::string error = restoreWin_.MainClosed(); !error.empty()) {
    SetStatusText(2, QString::fromStdString(error));
    std::fprintf(stderr, "qxpanel: %s\n", error.c_str());
  }
  if (!closed_) {
    FormClose();
    closed_ = true;
  }
  QMainWindow::closeEvent(event);
}

void MainPanel::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  const int third = statusBar()->width() / 3;
  panels_[0]->setFixedWidth(third);
  panels_[1]->setFixedWidth(third);
}

}  // namespace qx::gui
