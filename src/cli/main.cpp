#include <iostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "cli/QxctlCommand.h"
#include "platform/DurableFiles.h"

int main(int argc, char** argv) {
  qx::platform::DurableFiles::Install();
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = qx::cli::ParseCommandLine(args, error);
  if (!options) {
    std::cerr << "qxctl: " << error << "\n" << qx::cli::UsageText();
    return qx::cli::kExitUsage;
  }
  if (options->help) {
    std::cout << qx::cli::UsageText();
    return 0;
  }
  return qx::cli::RunQxctlCommand(*options, std::cout, std::cerr, std::cerr);
}
