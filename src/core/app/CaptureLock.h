#pragma once

#include <string>

namespace qx::app {

/// Which main-window commands wait while an ADC capture owns the link: everything that talks to
/// the chip or reloads what the capture reads. The ones left open only show windows.
class CaptureLock {
 public:
  /// A drop-down menu ("Memu_File", "Menu_Option") or a command of the menu bar.
  static bool Blocks(const std::string& objectName);
  /// What the status bar says when a blocked command is asked for anyway.
  static std::string Refusal(const std::string& caption);
};

}  // namespace qx::app
