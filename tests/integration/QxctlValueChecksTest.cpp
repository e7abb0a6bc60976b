#include <gtest/gtest.h>

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

TEST(QxctlValueChecks, ValuesThatCannotBeRightAreUsageErrors) {
  const Args stats = {"stats", "--bits", "23", "no-such-file"};
  struct Case {
    Args extra;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--ref", "-2.4"}, "--ref must be a number from 1e-06 to 100 V: -2.4"},
      {{"--ref", "0"}, "--ref must be a number from 1e-06 to 100 V: 0"},
      {{"--ref", "1e308"}, "--ref must be a number from 1e-06 to 100 V: 1e308"},
      {{"--ref", "nan"}, "--ref must be a number from 1e-06 to 100 V: nan"},
      {{"--ref", "2.4V"}, "--ref must be a number from 1e-06 to 100 V: 2.4V"},
      {{"--ref", "2.4", "--gain", "inf"}, "--gain must be a number from 1e-06 to 1e+06 : inf"},
      {{"--ref", "2.4", "--gain", "1e-320"},
       "--gain must be a number from 1e-06 to 1e+06 : 1e-320"},
      {{"--ref", "2.4", "--gain", "0"}, "--gain must be a number from 1e-06 to 1e+06 : 0"},
      {{"--ref", "2.4", "--gain", "-4"}, "--gain must be a number from 1e-06 to 1e+06 : -4"},
      {{"--ref", "2.4", "--gain", "8x"}, "--gain must be a number from 1e-06 to 1e+06 : 8x"},
  };
  for (const Case& c : cases) {
    Args argv = stats;
    argv.insert(argv.end(), c.extra.begin(), c.extra.end());
    const CliResult r = Qxctl(argv);
    EXPECT_EQ(r.status, kExitUsage) << c.message;
    EXPECT_EQ(r.err, "qxctl: " + c.message + " (see qxctl stats --help)\n");
    EXPECT_EQ(r.out, "");
  }

  const CliResult save =
      Qxctl({"--simulate", "enob", "--points", "64", "--bits", "23", "--ref", "2.4", "--save", ""});
  EXPECT_EQ(save.status, kExitUsage);
  EXPECT_EQ(save.err, "qxctl: --save needs a file name (see qxctl enob --help)\n");
  EXPECT_EQ(save.out, "");
  const CliResult ref =
      Qxctl({"--simulate", "enob", "--points", "64", "--bits", "23", "--ref", "-2.4"});
  EXPECT_EQ(ref.status, kExitUsage);
  EXPECT_EQ(ref.out, "");
}

TEST(QxctlValueChecks, EmptyFolderAndPortNamesAreUsageErrors) {
  // An empty folder would quietly be the default one; an empty port opens nothing and says
  // nothing about why.
  const CliResult dir = Qxctl({"--simulate", "--dir", "", "scan"});
  EXPECT_EQ(dir.status, kExitUsage);
  EXPECT_EQ(dir.err, "--dir needs a folder name");
  const CliResult port = Qxctl({"--simulate", "--port", "", "instrument", "meter", "1"});
  EXPECT_EQ(port.status, kExitUsage);
  EXPECT_EQ(port.err, "--port needs a port name");
}

}  // namespace
}  // namespace qx::cli
