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

}  // namespace
}  // namespace qx::app
