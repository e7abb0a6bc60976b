#pragma once

#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// "enob" and "stats".
bool IsAnalysisCommand(const std::string& command);

/// `enob`: the "Catch ADC" capture on the link, re-averaging when --avg is above 1, and the
/// seven figures of the noise result record. `stats`: the same figures for a recorded stream.
int RunAnalysisCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                       std::ostream& err);

}  // namespace qx::cli
