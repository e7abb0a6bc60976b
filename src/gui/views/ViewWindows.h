#pragma once

#include <QPointer>

#include "core/app/Workbench.h"
#include "core/views/AccessPort.h"
#include "core/views/RamCommands.h"
#include "core/views/RamViewModel.h"
#include "core/views/RegisterViewModel.h"
#include "gui/views/HexPopup.h"
#include "gui/views/RamView.h"
#include "gui/views/RegisterView.h"

namespace qx::gui {

class MainPanel;
class QtHost;

/// The register and memory views with their models, the hex entry popup, and the main-window
/// commands that act on the target ("Read RAM", "SLEEP"). Each window is created by its own
/// call, at its place in the program's window order.
class ViewWindows {
 public:
  ViewWindows(app::Workbench& bench, QtHost& host, MainPanel& main);
  ~ViewWindows();
  ViewWindows(const ViewWindows&) = delete;
  ViewWindows& operator=(const ViewWindows&) = delete;

  void CreateRamView();       ///< `TQx_RAM`, with "Read RAM" and "SLEEP"
  void CreateRegisterView();  ///< `TQx_Reg2`
  void CreatePopup();         ///< `TQxPopSelHex`

  RamView* Ram() { return ram_; }
  RegisterView* Registers() { return registers_; }
  HexPopup* Popup() { return popup_; }
  views::RamCommands& Commands() { return commands_; }
  views::RamViewModel& RamModel() { return ramModel_; }
  views::RegisterViewModel& RegisterModel() { return registerModel_; }
  /// Asked before the views write the target (a remote lock may refuse).
  void SetWriteGuard(std::function<bool()> mayWrite) { port_.SetWriteGuard(std::move(mayWrite)); }

 private:
  bool Ask(const views::HexRequest& request, QPoint at, uint32_t& value);

  app::Workbench& bench_;
  QtHost& host_;
  MainPanel& main_;
  views::AccessPort port_;
  views::RamCommands commands_;
  views::RamViewModel ramModel_;
  views::RegisterViewModel registerModel_;
  // Guarded: the main window's frames hold the windows too, and whichever goes first takes them.
  QPointer<RamView> ram_;
  QPointer<RegisterView> registers_;
  QPointer<HexPopup> popup_;
};

}  // namespace qx::gui
