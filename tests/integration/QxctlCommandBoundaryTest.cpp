#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

using test::Qxctl;
using CliResult = test::QxctlResult;

TEST(QxctlCommandBoundary, StatsOnAFolderEndsWithItsCauseNotAnAbort) {
  const test::TempDir dir("qx_stats_folder");
  const CliResult r = Qxctl({"stats", "--bits", "23", "--ref", "2.4", dir.Path().string()});
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.err.rfind("qxctl: ", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(QxctlCommandBoundary, ExceptionInACommandIsItsCauseAndExitStatusOne) {
  const CliResult r = Qxctl({"--simulate", "scan"}, [](sim::SimBoard&) {
    throw std::runtime_error("basic_filebuf::underflow error reading the file");
  });
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.err, "qxctl: scan stopped: basic_filebuf::underflow error reading the file\n");
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace qx::cli
