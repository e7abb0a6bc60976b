#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// `instrument chamber|fluke|power|meter ...`: selects the instrument on its port exactly as
/// the setup dialog does, then reads or commands it. Exit 1 when it does not answer.
int RunInstrumentCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                         std::ostream& err);

/// With `on`, every instrument byte goes to the session's trace ("> COM7 02 30 ...  |.01...|");
/// without, the trace stops.
void TraceInstruments(CliSession& session, bool on);

}  // namespace qx::cli
