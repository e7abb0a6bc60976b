#pragma once

#include <functional>
#include <ostream>

#include "cli/CliOptions.h"

namespace qx::sim {
class SimBoard;
}

namespace qx::cli {

/// Runs a parsed qxctl command line: the chip commands without a session, the others on a
/// fresh session whose simulated board `prepare` may set up first. This is the command
/// boundary: an exception that reaches it is printed as the cause and gives exit status 1,
/// never an abort.
int RunQxctlCommand(const CliOptions& options, std::ostream& out, std::ostream& err,
                    std::ostream& trace, const std::function<void(sim::SimBoard&)>& prepare = {});

}  // namespace qx::cli
