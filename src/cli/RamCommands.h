#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// True for the commands RunRamCommand handles: "read-ram" and "sleep".
bool IsRamCommand(const CliOptions& options);

/// read-ram: runs Read RAM and prints the register image as 64 lines "XXX: " + 16 bytes.
/// sleep: sends the SLEEP byte.
int RunRamCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                  std::ostream& err);

}  // namespace qx::cli
