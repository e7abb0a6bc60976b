#pragma once

#include "core/app/ShellCommands.h"
#include "core/chip/SetupDialogModel.h"

namespace qx::app {

/// Hands the setup dialog's loader and chip list to the main window's commands: the settings
/// loader's finishing step, the chip identification after a USB Scan and the chip name in the
/// titles. The dialog must outlive `shell`'s use of the hooks.
struct SetupShellBinding {
  static void Bind(chip::SetupDialogModel& setup, app::ShellCommands& shell) {
    shell.Config().loadChipDescription = [&setup] { setup.GetSELUP(); };
    shell.restoreSetupAndReloadChip = [&setup] { setup.ChennalComChange(); };
    shell.chipListEntry = [&setup](uint16_t index) { return setup.ChipListEntry(index); };
  }
  /// Before the dialog goes away.
  static void Unbind(app::ShellCommands& shell) {
    shell.Config().loadChipDescription = nullptr;
    shell.restoreSetupAndReloadChip = nullptr;
    shell.chipListEntry = nullptr;
  }
};

}  // namespace qx::app
