#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitLinkFailed = 1;
inline constexpr int kExitUsage = 2;

/// The ADC stream, the conversion reading and the bridge scan need the USB bridge: on another
/// link kind the command is refused at once with that reason (true means refused).
bool RefusedWithoutUsbBridge(CliSession& session, const std::string& command, std::ostream& err);

/// Runs the command of `options` on the session's link; prints results to `out` and failures to
/// `err`. Returns the process exit status.
int RunLinkCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                   std::ostream& err);

}  // namespace qx::cli
