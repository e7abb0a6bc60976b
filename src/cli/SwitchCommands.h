#pragma once

#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// The completion wait of `switch-test` ends after this many seconds unless --timeout says
/// otherwise.
inline constexpr int kSwitchWaitLimitSeconds = 600;

/// `switch-test`: sends the channel settings of "StepADC.txt" (or the options), runs the
/// target's test, prints one summary line per measured channel and writes the eight CSV files.
int RunSwitchCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                     std::ostream& err);

}  // namespace qx::cli
