#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// `sweep`: the noise table over PGA gains and output rates. Progress on stderr, the table on
/// stdout (or JSON), the CSV to a file. Exit 0 when every cell captured, 1 otherwise, 2 on bad
/// options.
int RunSweepCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                    std::ostream& err);

}  // namespace qx::cli
