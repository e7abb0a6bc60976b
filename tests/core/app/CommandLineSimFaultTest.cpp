#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

TEST(CommandLineRemote, TakesAnOptionalAddressAndRefusesABadOne) {
  struct Case {
    std::vector<std::string> args;
    std::optional<remote::Ipv4Endpoint> remote;
    bool error;
  };
  const Case cases[] = {
      {{"--simulate"}, std::nullopt, false},
      {{"--remote"}, remote::Ipv4Endpoint{remote::kLoopback, 5025}, false},
      {{"--remote", "--simulate"}, remote::Ipv4Endpoint{remote::kLoopback, 5025}, false},
      {{"--remote", "0.0.0.0:0", "--simulate"}, remote::Ipv4Endpoint{0, 0}, false},
      {{"--remote=127.0.0.1:6000"}, remote::Ipv4Endpoint{remote::kLoopback, 6000}, false},
      {{"--remote", "localhost"}, std::nullopt, true},
      {{"--remote=127.0.0.1:70000"}, std::nullopt, true},
  };
  for (const Case& c : cases) {
    const CommandLine line = CommandLine::Parse(c.args);
    const std::string where = c.args.back();
    EXPECT_EQ(line.Remote.has_value(), c.remote.has_value()) << where;
    if (line.Remote && c.remote) {
      EXPECT_EQ(line.Remote->address, c.remote->address) << where;
      EXPECT_EQ(line.Remote->port, c.remote->port) << where;
    }
    EXPECT_EQ(line.Error.rfind("--remote: ", 0) == 0, c.error) << where << ": " << line.Error;
  }
}

}  // namespace
}  // namespace qx::app
