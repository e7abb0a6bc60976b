#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"

namespace qx::cli {
namespace {

using test::Qxctl;
using CliResult = test::QxctlResult;
using Args = std::vector<std::string>;

TEST(QxctlUsbOnlyCommands, CapturesOnTheSerialBridgeAreRefusedAtOnce) {
  const std::vector<Args> commands = {
      {"enob", "--points", "64", "--bits", "23", "--ref", "2.4"},
      {"stream", "10"},
      {"adc"},
      {"scan"},
  };
  for (const char* kind : {"0", "3"}) {
    for (const Args& command : commands) {
      Args argv = {"--simulate", "--link-kind", kind};
      argv.insert(argv.end(), command.begin(), command.end());
      const auto start = std::chrono::steady_clock::now();
      const CliResult r = Qxctl(argv);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << command[0];
      EXPECT_EQ(r.status, kExitUsage) << command[0];
      EXPECT_EQ(r.err, "qxctl: " + command[0] + " needs the USB bridge (link kind 1, 2, 4 or 5)\n");
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
}  // namespace qx::cli
