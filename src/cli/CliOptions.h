#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qx::cli {

/// The command line of qxctl: global options, the command and its own arguments.
struct CliOptions {
  bool simulate = false;
  bool trace = false;
  bool virtualTime = false;   ///< --virtual-time: waits on the simulated bench take no real time
  bool help = false;          ///< --help: print the usage and exit
  bool version = false;       ///< --version: print the version and exit
  std::string dir;            ///< program folder; empty means the executable's folder
  int linkKind = 5;           ///< the configuration loader always selects the QX740x link
  std::string port = "COM1";  ///< serial bridge port of link kind 0, or an instrument's port
  bool portGiven = false;     ///< --port was on the command line
  int baud = 9600;
  std::string command;
  std::vector<std::string> args;  ///< positional arguments of the command
  std::optional<int> mode;        ///< stream mode (--mode)
  std::optional<int> chip;        ///< chip list index (--chip)
  /// Faults of the simulated bridge (--sim-fault, else QX_SIM_FAULT), already checked.
  std::optional<std::string> simFault;
  /// Options of the analysis commands ("--points" -> "4096"; flags map to "").
  std::map<std::string, std::string> extra;
};

/// Commands that take their own options; any other command refuses unknown options.
bool TakesExtraOptions(const std::string& command);

/// Parses argv. On a bad command line, returns nothing and sets `error`.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& argv,
                                           std::string& error);

/// Takes the fault setting of the environment (QX_SIM_FAULT) when the command line gave none.
/// Returns false, with the reason in `error`, when that setting is not a fault setting; a
/// setting without --simulate is left out with a note in `note`.
bool ApplySimFaultEnvironment(CliOptions& options, const char* environment, std::string& error,
                              std::string& note);

/// Number arguments: decimal, 0x-prefixed hexadecimal, and the chip-description forms
/// ("0FFH", "101B", "12D", "-5").
std::optional<long> ParseNumberArgument(const std::string& text);

const char* UsageText();

/// The usage lines of one command (all of its forms), or nothing for an unknown command.
std::string CommandUsage(const std::string& command);

/// "(see qxctl COMMAND --help)" for a command the usage knows, else "(see qxctl --help)".
std::string HelpHint(const std::string& command);

/// The command word of a command line that did not parse, for the hint of its error.
std::string CommandOf(const std::vector<std::string>& argv);

}  // namespace qx::cli
