#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "cli/QxctlCommand.h"
#include "core/app/CommandLine.h"
#include "platform/DurableFiles.h"

int main(int argc, char** argv) {
  qx::platform::DurableFiles::Install();
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = qx::cli::ParseCommandLine(args, error);
  if (!options) {
    std::cerr << "qxctl: " << error << " " << qx::cli::HelpHint(qx::cli::CommandOf(args)) << "\n";
    return qx::cli::kExitUsage;
  }
  if (options->help) {
    const std::string usage = qx::cli::CommandUsage(options->command);
    std::cout << (usage.empty() ? qx::cli::UsageText() : usage);
    return 0;
  }
  if (options->version) {
    std::cout << qx::app::CommandLine::VersionText("qxctl");
    return 0;
  }
  std::string note;
  if (!qx::cli::ApplySimFaultEnvironment(*options, std::getenv("QX_SIM_FAULT"), error, note)) {
    std::cerr << "qxctl: " << error << "\n";
    return qx::cli::kExitUsage;
  }
  if (!note.empty()) std::cerr << "qxctl: " << note << "\n";
  return qx::cli::RunQxctlCommand(*options, std::cout, std::cerr, std::cerr);
}
