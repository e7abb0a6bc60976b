#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "cli/QxctlCommand.h"
#include "sim/SimBoard.h"

namespace qx::test {

/// What one qxctl command line printed and returned.
struct QxctlResult {
  int status = -1;
  std::string out, err, trace;
};

/// Runs one qxctl command line in process; with --simulate, `prepare` sets up the fresh
/// simulated board before the command runs.
inline QxctlResult Qxctl(const std::vector<std::string>& argv,
                         const std::function<void(sim::SimBoard&)>& prepare = {}) {
  QxctlResult r;
  std::string error;
  const auto options = cli::ParseCommandLine(argv, error);
  if (!options) {
    r.status = cli::kExitUsage;
    r.err = error;
    return r;
  }
  std::ostringstream out, err, trace;
  r.status = cli::RunQxctlCommand(*options, out, err, trace, prepare);
  r.out = out.str();
  r.err = err.str();
  r.trace = trace.str();
  return r;
}

}  // namespace qx::test
