#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/remote/ScpiAddress.h"

namespace qx::app {

/// Options of the panel program:
/// `[--simulate [--virtual-time]] [--dir PATH] [--switch-test] [--remote [ADDR:PORT]]
/// [--help|-h] [--version]`.
struct CommandLine {
  bool Simulate = false;
  std::optional<std::string> Dir;
  bool SwitchTest = false;  ///< --switch-test: the hidden "Switch Test" menu item is shown
  /// --sim-fault TEXT: faults of the simulated bridge, checked by the simulation (needs
  /// --simulate; the environment's QX_SIM_FAULT when not given).
  std::optional<std::string> SimFault;
  /// --virtual-time: waits of the simulated bench pass at once (needs --simulate), so an
  /// hours-long temperature run takes seconds.
  bool VirtualTime = false;
  /// --remote [ADDR:PORT]: the SCPI server starts with the panel, on this address.
  std::optional<remote::Ipv4Endpoint> Remote;
  bool Help = false;     ///< --help or -h anywhere: print Usage() and stop
  bool Version = false;  ///< --version anywhere: print VersionText() and stop
  std::string Error;     ///< the first argument not understood; empty when all were

  /// Reads every argument, so --help after a bad one (or after the toolkit's own options)
  /// still answers.
  static CommandLine Parse(const std::vector<std::string>& args);

  /// Where the panel's SCPI server listens unless told otherwise.
  static constexpr char kDefaultRemote[] = "127.0.0.1:5025";

  /// What --help prints, ending in a newline.
  static std::string Usage();
  /// What --version of `program` prints, ending in a newline.
  static std::string VersionText(const std::string& program = "qxpanel");

  /// `ProgramDir` with its trailing separator: `--dir`, else the environment's QX_PROGRAM_DIR
  /// (empty counts as unset), else the folder of the program file.
  static std::string ProgramDir(const std::optional<std::string>& dirOption,
                                const char* environment, const std::string& programFolder);
};

}  // namespace qx::app
