#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/app/ConfigFile.h"
#include "core/app/ConfigLoadResult.h"
#include "core/app/WindowTitles.h"
#include "core/autotest/StepFile.h"
#include "core/autotest/TempFormFile.h"

namespace qx::app {

class Workbench;

/// The main window's own behaviour without its widgets: start-up activation, USB Scan, the chip
/// identification after a scan, and what closing and destroying the window do to the settings
/// file and the link. The front end calls these from its window events.
class ShellCommands {
 public:
  ShellCommands(Workbench& bench, std::string programDir);

  /// The link state at creation: no serial port, no USB bridge.
  void InitLinkState();
  /// Loads `ProgramDir` + "QxADC.cfg" (creating it first when missing) and the switch test's
  /// "StepADC.txt", names a problem in status panel 2 and fixes an impossible capture length.
  ConfigLoadResult StartupActivation();
  /// Saves the configuration file, then "StepADC.txt" and "QxTemp.cfg"; a failure of the first
  /// is shown as an error message, of the others in status panel 2. True when all were written.
  bool SaveConfig();
  /// Writes the configuration file and "StepADC.txt" when what they would hold differs from
  /// what was last read or written, so a kill or a crash loses no setting. Returns false only
  /// when a write failed; a failure is reported once per change, not at every call.
  bool SaveConfigIfChanged();
  /// "USB Scan": connect on the USB link kinds; nothing on the others.
  bool UsbScan();
  /// Chip identification after a successful scan: restores the setup dialog and the chip
  /// description, then returns the window titles naming the chip.
  std::vector<WindowTitle> UsbClient();
  /// Last step of the chip identification: every view and panel refreshes from RegImage.
  void RefreshAfterConnect();
  /// Closes the bridge's serial port and releases a claimed USB bridge (F9 01 FF FF first).
  void Release();

  const std::string& ProgramDir() const { return programDir_; }
  std::string ConfigPath() const { return programDir_ + ConfigFile::kFileName; }
  std::string StepPath() const { return programDir_ + autotest::StepFile::kFileName; }
  std::string TempFormPath() const { return programDir_ + autotest::TempFormFile::kFileName; }
  ConfigFile& Config() { return config_; }

  /// The setup dialog's `ChennalComChange`: restores its lists from the target and reloads the
  /// chip description. Filled when the setup dialog exists.
  std::function<void()> restoreSetupAndReloadChip;
  /// Entry `index` of the setup dialog's chip list. Filled when the chip list exists; until then
  /// the chip list is read from the program's chip folder.
  std::function<std::string(uint16_t index)> chipListEntry;

 private:
  /// What the two files hold as far as this program last read or wrote them.
  void RememberSaved();
  /// The temperature window's boxes from "QxTemp.cfg", when there is one.
  void LoadTempForm();
  bool SaveTempForm(const std::string& text);

  Workbench& bench_;
  std::string programDir_;
  ConfigFile config_;
  std::string savedConfig_, savedSteps_, savedTempForm_;
};

}  // namespace qx::app
