#include <gtest/gtest.h>

#include "core/app/CommandLine.h"

namespace qx::app {
namespace {

TEST(CommandLineSimFault, TakesTheFaultTextWithTheSimulatedBoardOnly) {
  const CommandLine spaced = CommandLine::Parse({"--simulate", "--sim-fault", "unplug:3000@900"});
  EXPECT_EQ(spaced.Error, "");
  EXPECT_EQ(spaced.SimFault, "unplug:3000@900");
  EXPECT_EQ(CommandLine::Parse({"--sim-fault=drop@40", "--simulate"}).SimFault, "drop@40");
  EXPECT_FALSE(CommandLine::Parse({"--simulate"}).SimFault.has_value());

  EXPECT_EQ(CommandLine::Parse({"--sim-fault", "drop@40"}).Error, "--sim-fault needs --simulate");
  EXPECT_EQ(CommandLine::Parse({"--simulate", "--sim-fault"}).Error,
            "--sim-fault needs a fault setting");
  EXPECT_NE(CommandLine::Usage().find("--sim-fault FAULTS"), std::string::npos);
}

TEST(CommandLineSimFault, VirtualTimeGoesWithTheSimulatedBenchOnly) {
  struct Case {
    std::vector<std::string> args;
    bool virtualTime;
    const char* error;
  };
  const Case cases[] = {
      {{"--simulate", "--virtual-time"}, true, ""},
      {{"--virtual-time", "--simulate"}, true, ""},
      {{"--simulate"}, false, ""},
      {{"--virtual-time"}, true, "--virtual-time needs --simulate"},
  };
  for (const Case& c : cases) {
    const CommandLine line = CommandLine::Parse(c.args);
    EXPECT_EQ(line.VirtualTime, c.virtualTime) << c.args.size();
    EXPECT_EQ(line.Error, c.error) << c.args.size();
  }
  EXPECT_NE(CommandLine::Usage().find("--virtual-time"), std::string::npos);
}

}  // namespace
}  // namespace qx::app
