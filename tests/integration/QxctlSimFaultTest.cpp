#include <gtest/gtest.h>

#include <sstream>
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

/// The number of the first request of `trace` that starts with `frame` ("C4 02"), from 1, as
/// --sim-fault counts them; 0 when there is none.
size_t RequestNumber(const std::string& trace, const std::string& frame) {
  size_t n = 0;
  std::istringstream lines(trace);
  for (std::string l; std::getline(lines, l);) {
    if (l.rfind("> ", 0) != 0) continue;
    ++n;
    if (l.rfind("> " + frame, 0) == 0) return n;
  }
  return 0;
}

TEST(QxctlSimFault, FaultSettingsThatAreNotOneAreUsageErrors) {
  std::string error;
  struct Case {
    const char* text;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"", "empty fault setting"},
      {"drop", "fault \"drop\": needs @N, the request it hits"},
      {"drop@0",
       "fault \"drop@0\": the request after @ must be a whole number from 1 to 1000000000"},
      {"drop@4x",
       "fault \"drop@4x\": the request after @ must be a whole number from 1 to 1000000000"},
      {"late@4", "fault \"late@4\": late needs :MS, the delay in milliseconds"},
      {"drop:5@4", "fault \"drop:5@4\": drop takes no time"},
      {"late:-5@4",
       "fault \"late:-5@4\": the time after : must be whole milliseconds from 1 to 86400000"},
      {"drop@40,,unplug@9", "fault \"\": needs @N, the request it hits"},
      {"melt@3",
       "fault \"melt@3\": unknown kind (drop, corrupt, late:MS, fail, unplug[:MS], "
       "garble-LINE, slow-LINE:MS)"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(ParseCommandLine({"--simulate", "--sim-fault", c.text, "scan"}, error)) << c.text;
    EXPECT_EQ(error, std::string("--sim-fault: ") + c.reason);

    auto options = ParseCommandLine({"--simulate", "scan"}, error);
    ASSERT_TRUE(options);
    std::string note;
    if (*c.text) {
      EXPECT_FALSE(ApplySimFaultEnvironment(*options, c.text, error, note)) << c.text;
      EXPECT_EQ(error, std::string("QX_SIM_FAULT: ") + c.reason);
    }
  }
  EXPECT_FALSE(ParseCommandLine({"--sim-fault", "drop@4", "scan"}, error));
  EXPECT_EQ(error, "--sim-fault needs --simulate");

  // The command line wins over the environment; without --simulate the environment is noted.
  auto options = ParseCommandLine({"--simulate", "--sim-fault", "drop@4", "scan"}, error);
  ASSERT_TRUE(options);
  std::string note;
  EXPECT_TRUE(ApplySimFaultEnvironment(*options, "melt@3", error, note));
  EXPECT_EQ(options->simFault, "drop@4");
  options = ParseCommandLine({"scan"}, error);
  ASSERT_TRUE(options);
  EXPECT_TRUE(ApplySimFaultEnvironment(*options, "drop@4", error, note));
  EXPECT_FALSE(options->simFault);
  EXPECT_EQ(note, "QX_SIM_FAULT has no effect without --simulate");
}

TEST(QxctlSimFault, FaultSettingReachesTheSimulatedBridge) {
  // The claim is request 1: failing it leaves the bridge unconnected.
  const CliResult failed = Qxctl({"--simulate", "--sim-fault", "fail@1", "scan"});
  EXPECT_EQ(failed.status, kExitLinkFailed);
  EXPECT_EQ(failed.out, "USB not Connect !!!\n");
  const CliResult later = Qxctl({"--simulate", "--sim-fault", "fail@500", "scan"});
  EXPECT_EQ(later.status, kExitOk) << later.err;
}

/// Runs `command` (after --simulate --virtual-time --trace) once undisturbed to find the
/// request that starts the stream (C4 02), then with the bridge leaving the bus at that request
/// and at the interrupt enable write right after it; the results of those two runs.
std::vector<CliResult> UnpluggedAtStreamStart(const std::vector<std::string>& command) {
  std::vector<std::string> argv = {"--simulate", "--virtual-time", "--trace"};
  argv.insert(argv.end(), command.begin(), command.end());
  const CliResult clean = Qxctl(argv);
  EXPECT_EQ(clean.status, kExitOk) << clean.err;
  const size_t start = RequestNumber(clean.trace, "C4 02");
  EXPECT_GT(start, 0u) << clean.trace;
  std::vector<CliResult> results;
  for (const size_t at : {start, start + 1}) {
    std::vector<std::string> faulty = argv;
    faulty.insert(faulty.begin() + 1, {"--sim-fault", "unplug@" + std::to_string(at)});
    results.push_back(Qxctl(faulty));
  }
  return results;
}

TEST(QxctlSimFault, CaptureWhoseStreamCannotStartSaysWhyAtOnce) {
  // The capture ends with the reason, without waiting for results that cannot come.
  for (const CliResult& r :
       UnpluggedAtStreamStart({"enob", "--points", "64", "--bits", "23", "--ref", "2.4"})) {
    EXPECT_EQ(r.status, kExitLinkFailed);
    EXPECT_NE(r.err.find("qxctl: Read Error !!!!! (0 of 64 samples): USB not Connect !!!\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "") << "no figures of a capture that did not complete";
  }
}

TEST(QxctlSimFault, StreamWhoseBridgeLeavesAtItsStartSaysSo) {
  for (const CliResult& r : UnpluggedAtStreamStart({"stream", "4"})) {
    EXPECT_EQ(r.status, kExitLinkFailed);
    EXPECT_EQ(r.err, "qxctl: the stream did not start: USB not Connect !!!\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST(QxctlSimFault, ALostReplyIsNotALostBridge) {
  // A reply dropped at the third stream poll: the bridge is still there, so nothing blames a
  // missing bridge, and a capture prints no figures of its part.
  struct Case {
    std::vector<std::string> command;
    std::string said;
  };
  const std::vector<Case> cases = {
      {{"enob", "--points", "256", "--bits", "23", "--ref", "2.4"}, "qxctl: Read Error !!!!! ("},
      {{"stream", "200"}, "qxctl: stream poll failed after "},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"--simulate", "--virtual-time", "--trace"};
    argv.insert(argv.end(), c.command.begin(), c.command.end());
    const CliResult clean = Qxctl(argv);
    ASSERT_EQ(clean.status, kExitOk) << clean.err;
    const size_t poll = RequestNumber(clean.trace, "C4 04");
    ASSERT_GT(poll, 0u) << clean.trace;
    argv.insert(argv.begin() + 1, {"--sim-fault", "drop@" + std::to_string(poll + 2)});
    const CliResult r = Qxctl(argv);
    EXPECT_EQ(r.status, kExitLinkFailed) << c.command[0];
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a reply of the bridge was lost; the bridge is on line\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("USB not Connect"), std::string::npos) << r.err;
    if (c.command[0] == "enob") {
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
}  // namespace qx::cli
