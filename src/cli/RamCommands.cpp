#include "cli/RamCommands.h"

#include <cstdio>

#include "cli/LinkCommands.h"
#include "core/views/RamCommands.h"

namespace qx::cli {

bool IsRamCommand(const CliOptions& options) {
  return options.command == "read-ram" || options.command == "sleep";
}

int RunRamCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                  std::ostream& err) {
  if (!options.args.empty()) {
    err << "qxctl: " << options.command << " takes no arguments " << HelpHint(options.command)
        << "\n";
    return kExitUsage;
  }
  std::string error;
  if (!session.Connect(error)) {
    err << "qxctl: " << error << "\n";
    return kExitLinkFailed;
  }
  app::Workbench& bench = session.Bench();
  views::RamCommands commands(bench.target, bench.frame, bench.access, bench.chip, session.Host());
  if (options.command == "sleep") {
    if (!commands.Sleep()) {
      err << "qxctl: the SLEEP byte was not sent\n";
      return kExitLinkFailed;
    }
    return kExitOk;
  }
  const bool ok = commands.ReadRam();
  if (!ok) err << "qxctl: read-ram stopped at a failed block; the image below is partly old\n";
  char text[8];
  for (int line = 0; line < link::kRegImageSize / 16; ++line) {
    std::snprintf(text, sizeof text, "%03X:", line * 16);
    out << text;
    for (int i = 0; i < 16; ++i) {
      std::snprintf(text, sizeof text, " %02X", bench.access.GetRegImage(line * 16 + i));
      out << text;
    }
    out << "\n";
  }
  return ok ? kExitOk : kExitLinkFailed;
}

}  // namespace qx::cli
