#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/app/FormId.h"
#include "core/app/MainMenu.h"
#include "core/app/StatusLog.h"
#include "core/widgets/ScreenFit.h"
#include "gui/RestoreWin.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;

namespace qx::app {
class ShellCommands;
class Workbench;
}  // namespace qx::app

class QTimer;

namespace qx::gui {

class MessagesWindow;
class StatusPanel;

/// `TMainPanel`: the multi-document main window. It owns the menu bar built from the core menu
/// table, the status bar and gauge, and shows and hides the child windows; everything it decides
/// is done by `ShellCommands`.
class MainPanel final : public QMainWindow {
  Q_OBJECT

 public:
  /// Child placement entries 1..13 (0 unused).
  using ChildPlacements = std::array<widgets::Rect, 14>;

  MainPanel(app::Workbench& bench, app::ShellCommands& shell, const std::string& programFile);
  /// Releases the bridge and closes the serial port.
  ~MainPanel() override;

  /// Start-up activation: hide every child, load the settings. Runs once, after all windows exist.
  void FormActivate();

  /// A window that exists from now on: a child window (shown in the MDI area) or `TQx_UP`
  /// (`widget` null). Menu commands behind it become available.
  void RegisterForm(app::FormId form, QWidget* widget);
  /// The handler of a menu command that does more than open its window.
  void RegisterCommand(const std::string& objectName, std::function<void()> handler);
  /// Runs a menu command as its menu item does, also from a window's own button while the item
  /// is hidden; a command that cannot run now says so in the status bar.
  void RunCommand(const std::string& objectName);
  /// Shows a child at its remembered bounds as an MDI child, or hides it.
  void ShowChild(app::FormId form, int index, bool show);
  /// Puts a window into the MDI area in a frame whose close (its X, Ctrl+F4) only hides it:
  /// every window lives until the program ends, and others keep references to it.
  QMdiSubWindow* AddFrame(QWidget* child);

  /// Names the chip in the window titles after a successful USB Scan.
  void UsbClient();
  /// Applies the menu visibility of the core menu model.
  void SyncMenu();
  /// Shows a menu item that ships hidden, from now on.
  void RevealCommand(const std::string& objectName);
  /// Moves and cuts a frame so that it lies wholly inside the work area, as it is now.
  void FitInWorkArea(QMdiSubWindow* sub);
  /// A window outside the form table whose frame placement the placement file keeps once it
  /// was opened; `open` opens it again at start when it was left open.
  void RememberPlacement(QWidget* window, std::function<void()> open);
  /// The frame bounds remembered for `window`, if any.
  std::optional<QRect> RememberedBounds(const QWidget* window) const;
  /// After a chip load: names the optional commands the chip description hid, once per change.
  void SayHiddenCommands();

  /// While a capture runs the commands that would disturb it are disabled; they come back
  /// when it ends, even if a menu sync ran in between.
  void SetCaptureRunning(bool running);
  bool CaptureRunning() const { return capturing_; }

  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;
  /// "Messages": the status bar's last messages, whole (Option menu, Ctrl+M, or a double-click
  /// on the status bar).
  void ShowMessages();
  const app::StatusLog& Messages() const { return messages_; }
  void SetGauge(int percent, bool visible);
  /// The SCPI server's state at the right of the status bar; empty hides it.
  void SetRemoteStatus(const QString& text);
  QString RemoteStatus() const;
  /// "Remote control…" (checkable: the server listens) and "Local" of the Option menu.
  QAction* RemoteAction() const { return remoteAction_; }
  /// File > "Run History…"; null when the menu has no File entry.
  QAction* RunHistoryAction() const { return runHistoryAction_; }
  QAction* LocalAction() const { return localAction_; }

  /// Called with every menu command the user gives, before it runs.
  std::function<void(const std::string&)> onCommand;

  /// The program folder, where the data files are and where file dialogs open.
  const std::string& ProgramDir() const;
  app::MainMenu& Menu() { return menu_; }
  RestoreWin& Placement() { return restoreWin_; }
  QMdiArea* MdiArea() const { return mdi_; }
  const ChildPlacements& PlacementTable() const { return placementTable_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void BuildMenu();
  void Trigger(const app::MenuItem& item);
  void UpdateEnabled();
  std::vector<QWidget*> Forms();
  QMdiSubWindow* SubWindowOf(QWidget* child) const;

  app::Workbench& bench_;
  app::ShellCommands& shell_;
  app::MainMenu menu_;
  RestoreWin restoreWin_;
  QMdiArea* mdi_ = nullptr;
  std::array<StatusPanel*, 3> panels_{};
  QProgressBar* gauge_ = nullptr;
  QLabel* remoteStatus_ = nullptr;
  QAction* remoteAction_ = nullptr;
  QAction* runHistoryAction_ = nullptr;
  QAction* localAction_ = nullptr;
  QTimer* settingsKeeper_ = nullptr;
  app::StatusLog messages_;
  std::string hiddenNotice_;
  MessagesWindow* messagesWindow_ = nullptr;
  std::set<app::FormId> forms_;
  std::map<app::FormId, QPointer<QWidget>> children_;
  std::vector<std::pair<QPointer<QWidget>, std::function<void()>>> remembered_;
  bool rememberedOpened_ = false;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, std::function<void()>> commands_;
  ChildPlacements placementTable_{};
  bool closed_ = false;
  bool capturing_ = false;
};

}  // namespace qx::gui
