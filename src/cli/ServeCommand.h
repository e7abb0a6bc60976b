#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace qx::cli {

/// `serve [--listen ADDR:PORT] [--allow CIDR[,CIDR]]`: the bench as a SCPI instrument on a TCP
/// socket until SIGINT or SIGTERM. Prints `listening on ADDR:PORT` on `out` once it listens;
/// connection events go to `err`.
int RunServeCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                    std::ostream& err);

}  // namespace qx::cli
