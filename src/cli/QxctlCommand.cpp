#include "cli/QxctlCommand.h"

#include <exception>

#include "cli/ChipCommands.h"
#include "cli/CliSession.h"
#include "cli/LinkCommands.h"

namespace qx::cli {

int RunQxctlCommand(const CliOptions& options, std::ostream& out, std::ostream& err,
                    std::ostream& trace, const std::function<void(sim::SimBoard&)>& prepare) {
  try {
    if (IsChipCommand(options.command)) return RunChipCommand(options, out, err);
    CliSession session(options, trace);
    if (prepare && session.Board()) prepare(*session.Board());
    return RunLinkCommand(session, options, out, err);
  } catch (const std::exception& e) {
    err << "qxctl: " << options.command << " stopped: " << e.what() << "\n";
  } catch (...) {
    err << "qxctl: " << options.command << " stopped by an unknown error\n";
  }
  return kExitLinkFailed;
}

}  // namespace qx::cli
