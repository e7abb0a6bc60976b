#include "gui/views/ViewWindows.h"

#include <QGuiApplication>
#include <QScreen>

#include "gui/MainPanel.h"
#include "gui/QtHost.h"

namespace qx::gui {

ViewWindows::ViewWindows(app::Workbench& bench, QtHost& host, MainPanel& main)
    : bench_(bench),
      host_(host),
      main_(main),
      port_(bench.access),
      commands_(bench.target, bench.frame, bench.access, bench.chip, host),
      ramModel_(bench.chip, port_, bench.settings.CurrentBank),
      registerModel_(bench.chip, port_, bench.settings.CurrentPage) {}

ViewWindows::~ViewWindows() {
  // The windows may sit in the main window's MDI area: leave it before the main window goes.
  delete popup_.data();
  delete registers_.data();
  delete ram_.data();
}

bool ViewWindows::Ask(const views::HexRequest& request, QPoint at, uint32_t& value) {
  if (!popup_) return false;
  return popup_->AskHex(at, value, QString::fromStdString(request.pattern),
                        QString::fromStdString(request.range),
                        QString::fromStdString(request.prompt));
}

void ViewWindows::CreateRamView() {
  ram_ = new RamView(ramModel_, host_, [this](const views::HexRequest& r, QPoint at, uint32_t& v) {
    return Ask(r, at, v);
  });
  // 40 pixels from the top, 20 from the right edge of the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    ram_->move(screen->geometry().width() - ram_->width() - 20, 40);
  main_.RegisterForm(app::FormId::TQx_RAM, ram_);
  host_.OnRegImageChanged(ram_, [this](int) { ram_->Refresh(); });
  host_.OnChipLoaded(ram_, [this] { ram_->ApplyChip(); });
  main_.RegisterCommand("Menu_ReadRAM", [this] { commands_.ReadRam(); });
  main_.RegisterCommand("SLEEP1", [this] { commands_.Sleep(); });
}

void ViewWindows::CreateRegisterView() {
  registers_ = new RegisterView(registerModel_, [this](const views::HexRequest& r, QPoint at,
                                                       uint32_t& v) { return Ask(r, at, v); });
  // Bottom right of the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    registers_->move(screen->geometry().width() - registers_->width() - 20,
                     screen->geometry().height() - registers_->height() - 40);
  main_.RegisterForm(app::FormId::TQx_Reg2, registers_);
  host_.OnRegImageChanged(registers_, [this](int) { registers_->Refresh(); });
  host_.OnChipLoaded(registers_, [this] { registers_->ApplyChip(); });
}

void ViewWindows::CreatePopup() {
  popup_ = new HexPopup(&main_);
  main_.RegisterForm(app::FormId::TQxPopSelHex, popup_);
}

}  // namespace qx::gui
