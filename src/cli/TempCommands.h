#pragma once

#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// `temp-test`: runs the temperature test from the register, delay, ACM, calibrator and power
/// lists of the program folder, writes the result files and records the run in the journal.
/// Exit 0 only when the run completed.
int RunTempCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                   std::ostream& err);

/// A temperature run for a client of `qxctl serve`: as `temp-test` with `options` (its
/// flags and values only), its progress lines on `log`. Empty when every mode was measured;
/// else why the run did not start or did not complete, or which modes failed.
std::string RunTemperatureForClient(CliSession& session, const CliOptions& options,
                                    std::ostream& log);

/// `runs list` and `runs export ID [--out DIR]`: the runs of the journal.
int RunRunsCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

/// The flags of `temp-test` that take no value.
bool IsTempFlag(const std::string& option);

}  // namespace qx::cli
