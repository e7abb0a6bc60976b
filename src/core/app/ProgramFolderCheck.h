#pragma once

#include <string>

namespace qx::app {

/// What is missing from a program folder for the panel to work: the folder itself or the chip
/// index in its INCLUDE folder. Said at start-up, since without them the chip list falls back
/// to built-in names that load nothing.
class ProgramFolderCheck {
 public:
  /// Empty when the folder and its chip index are there; else one line naming what is missing
  /// and the path where it was looked for.
  static std::string Problem(const std::string& programDir);
};

}  // namespace qx::app
