#pragma once

#include <optional>
#include <string>

namespace qx::app {

/// The program folder that a run works in. A copy that `cmake --install` (or the .deb) put in
/// place has its executables in <prefix>/bin and its chip files in <prefix>/share/qx740x/INCLUDE;
/// it cannot keep settings, placements and results beside itself, so it works in a per-user
/// folder into which the install's chip files are copied. --dir and QX_PROGRAM_DIR still win,
/// and a copy that is not installed (a build tree) keeps working beside its executables.
class InstalledCopy {
 public:
  /// The install's data folder, relative to the folder of the executables.
  static constexpr char kDataFolder[] = "../share/qx740x/";
  /// The name of the per-user folder under $XDG_DATA_HOME (or ~/.local/share).
  static constexpr char kUserFolderName[] = "qx740x";

  struct Choice {
    std::string programDir;  ///< with its trailing separator
    std::string problem;     ///< what could not be prepared; empty when all went well
  };

  /// `programFolder` is the folder of the executable. The per-user folder is prepared (created,
  /// chip files copied) when it is chosen.
  static Choice ChooseProgramDir(const std::optional<std::string>& dirOption,
                                 const char* programDirEnvironment,
                                 const std::string& programFolder, const char* xdgDataHome,
                                 const char* home);

  /// The install's data folder with its trailing separator when `programFolder` is the bin
  /// folder of an install (the data folder holds INCLUDE/ with the chip index); else empty.
  static std::string DataFolder(const std::string& programFolder);

  /// $XDG_DATA_HOME/qx740x/ when that is an absolute path, else $HOME/.local/share/qx740x/;
  /// empty without either.
  static std::string UserFolder(const char* xdgDataHome, const char* home);

  /// Creates `userFolder` with its INCLUDE/ and copies in every chip file of the data folder's
  /// INCLUDE/ that is missing there or older there. Chip files the user added or changed later
  /// stay. Returns what failed, empty when all went well.
  static std::string Prepare(const std::string& dataFolder, const std::string& userFolder);
};

}  // namespace qx::app
