#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qx::app {

/// Options of the panel program: `[--simulate] [--dir PATH]`.
struct CommandLine {
  bool Simulate = false;
  std::optional<std::string> Dir;
  std::string Error;  ///< empty when the arguments were understood

  static CommandLine Parse(const std::vector<std::string>& args);

  /// `ProgramDir` with its trailing separator: `--dir`, else the environment's QX_PROGRAM_DIR
  /// (empty counts as unset), else the folder of the program file.
  static std::string ProgramDir(const std::optional<std::string>& dirOption,
                                const char* environment, const std::string& programFolder);
};

}  // namespace qx::app
