#pragma once

#include <ostream>

#include "cli/CliOptions.h"

namespace qx::cli {

/// True for the commands that read chip files and need no link: "chip-list", "chip-dump".
bool IsChipCommand(const std::string& command);

/// Runs "chip-list" or "chip-dump" on the chip files of the program folder.
int RunChipCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qx::cli
