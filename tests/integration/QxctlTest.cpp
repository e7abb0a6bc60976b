#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/LinkCommands.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"

namespace qx::cli {
namespace {

using test::Qxctl;
using CliResult = test::QxctlResult;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(Qxctl, ScanFindsTheSimulatedBridge) {
  const CliResult r = Qxctl({"--simulate", "scan"},
                            [](sim::SimBoard& b) { b.Bridge().SetFirmwareName("ENOB-S01"); });
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "USB On Line\nENOB-S01\n");
}

TEST(Qxctl, ScanWithoutBridgeSaysSo) {
  const CliResult r = Qxctl({"--simulate", "scan"}, [](sim::SimBoard& b) { b.Bridge().Unplug(); });
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.out, "USB not Connect !!!\n");
}

TEST(Qxctl, TracedRegisterReadOnTheQx740xLink) {
  const CliResult r = Qxctl({"--simulate", "--trace", "read", "3", "2"}, [](sim::SimBoard& b) {
    b.Target().SetRegister(3, 0x5A);
    b.Target().SetRegister(4, 0xC3);
  });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "5A C3\n");
  const auto trace = Lines(r.trace);
  std::string request;
  for (const auto& l : trace)
    if (l.rfind("> C4 01 A0 03 02", 0) == 0) request = l;
  ASSERT_FALSE(request.empty()) << r.trace;
  EXPECT_EQ(request.size(), 1 + 64 * 3u);  // a whole HID frame
  EXPECT_EQ(trace.front().rfind("> F9 02 00 00", 0), 0u);
}

TEST(Qxctl, WriteStoresTheReadBack) {
  const CliResult r = Qxctl({"--simulate", "write", "0x02", "101B"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "05\n");
  const CliResult outside = Qxctl({"--simulate", "write", "5", "1"});
  EXPECT_EQ(outside.status, kExitLinkFailed);
}

TEST(Qxctl, ReadBeyondTheQx740xRegistersIsRefusedLikeAWrite) {
  for (const auto& [address, count] : {std::pair{"0x30", "1"}, std::pair{"3", "4"}}) {
    const CliResult r = Qxctl({"--simulate", "read", address, count});
    EXPECT_EQ(r.status, kExitLinkFailed) << address;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "qxctl: the QX740x link reaches registers 0 to 4 only\n");
  }
}

TEST(Qxctl, SpiLinkReadsTargetMemory) {
  const CliResult r =
      Qxctl({"--simulate", "--link-kind", "1", "read", "0100H", "3"}, [](sim::SimBoard& b) {
        b.Target().SetMemory(0x100, 0x01);
        b.Target().SetMemory(0x101, 0x23);
        b.Target().SetMemory(0x102, 0x45);
      });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "01 23 45\n");
}

TEST(Qxctl, SerialLinkReadsThroughTheBridgeMcu) {
  const CliResult r =
      Qxctl({"--simulate", "--link-kind", "0", "read", "16", "2"}, [](sim::SimBoard& b) {
        b.Target().SetMemory(16, 0xBE);
        b.Target().SetMemory(17, 0xEF);
      });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "BE EF\n");
}

TEST(Qxctl, SerialReplyOneByteShortIsAFailedRead) {
  const CliResult r =
      Qxctl({"--simulate", "--virtual-time", "--link-kind", "0", "read", "0x10", "4"},
            [](sim::SimBoard& b) {
              for (uint16_t a = 0; a < 4; ++a)
                b.Target().SetMemory(static_cast<uint16_t>(0x10 + a),
                                     std::array<uint8_t, 4>{0x70, 0xFF, 0x0D, 0x85}[a]);
              b.SerialBridge().Faults().shortReadBy = 1;
            });
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qxctl: read of 4 bytes at 16 failed\n");
}

TEST(Qxctl, AdcAndStream) {
  const CliResult adc = Qxctl({"--simulate", "adc"});
  ASSERT_EQ(adc.status, kExitOk) << adc.err;
  EXPECT_EQ(adc.out.size(), 9u);

  const CliResult stream = Qxctl({"--simulate", "stream", "40", "--mode", "3"});
  ASSERT_EQ(stream.status, kExitOk) << stream.err;
  const auto lines = Lines(stream.out);
  ASSERT_EQ(lines.size(), 40u);
  for (const auto& l : lines) {
    EXPECT_EQ(l.size(), 6u);
    EXPECT_EQ(l.find_first_not_of("0123456789ABCDEF"), std::string::npos) << l;
  }
}

TEST(Qxctl, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Qxctl({"--simulate"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "read", "3"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "read", "zz", "1"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "write", "1", "256"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--simulate", "frobnicate"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--link-kind", "6", "scan"}).status, kExitUsage);
  EXPECT_EQ(Qxctl({"--bogus", "scan"}).status, kExitUsage);
}

// A usage error is one line: what is wrong, and where the command's own help is.
TEST(Qxctl, UsageErrorsAreOneLineWithTheCommandsHelp) {
  struct Case {
    std::vector<std::string> argv;
    const char* hint;
  };
  const std::vector<Case> cases = {
      {{"--simulate", "read", "3"}, "(see qxctl read --help)"},
      {{"--simulate", "write", "1", "256"}, "(see qxctl write --help)"},
      {{"--simulate", "enob", "--points", "64", "--bits", "23", "--ref", "abc"},
       "(see qxctl enob --help)"},
      {{"--simulate", "temp-test", "--points", "-3"}, "(see qxctl temp-test --help)"},
      {{"--simulate", "sweep", "--points", "zz"}, "(see qxctl sweep --help)"},
      {{"--simulate", "instrument", "bogus"}, "(see qxctl instrument --help)"},
      {{"--simulate", "chip-list", "x"}, "(see qxctl chip-list --help)"},
      {{"runs", "bogus"}, "(see qxctl runs --help)"},
      {{"--simulate", "frobnicate"}, "(see qxctl --help)"},
  };
  for (const Case& c : cases) {
    const CliResult r = Qxctl(c.argv);
    const std::string line = c.argv.back();
    EXPECT_EQ(r.status, kExitUsage) << line;
    ASSERT_FALSE(r.err.empty()) << line;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
  }
  // A command line that does not parse names the command it was meant for.
  EXPECT_EQ(HelpHint(CommandOf({"--bogus", "--dir", "x", "scan"})), "(see qxctl scan --help)");
  EXPECT_EQ(HelpHint(CommandOf({"--bogus"})), "(see qxctl --help)");
}

TEST(Qxctl, CommandHelpHoldsEveryFormOfThatCommandOnly) {
  const std::string instrument = CommandUsage("instrument");
  for (const char* form : {"instrument chamber read", "instrument fluke TEXT",
                           "instrument power TEXT", "instrument meter N", "COM8 to COM13"})
    EXPECT_NE(instrument.find(form), std::string::npos) << form;
  EXPECT_EQ(instrument.find("switch-test"), std::string::npos);
  const std::string read = CommandUsage("read");
  EXPECT_EQ(read.rfind("usage: qxctl [global options] read ADDR COUNT", 0), 0u) << read;
  EXPECT_EQ(read.find("write ADDR"), std::string::npos);
  EXPECT_NE(CommandUsage("runs").find("runs export ID"), std::string::npos);
  EXPECT_NE(CommandUsage("temp-test").find("--link-wait MIN"), std::string::npos);
  EXPECT_TRUE(CommandUsage("bogus").empty());
  EXPECT_TRUE(CommandUsage("").empty());
}

TEST(Qxctl, NumberForms) {
  const std::vector<std::pair<std::string, long>> good = {
      {"42", 42},      {"0x2A", 42}, {"0X2a", 42}, {"2AH", 42}, {"0FFH", 255},
      {"101010B", 42}, {"42D", 42},  {"-3", -3},   {"0", 0}};
  for (const auto& [text, value] : good) EXPECT_EQ(ParseNumberArgument(text), value) << text;
  for (const char* bad : {"", "0x", "FF", "12B", "1.5", "H", "--1", "99999999999999999999"})
    EXPECT_FALSE(ParseNumberArgument(bad).has_value()) << bad;
}

}  // namespace
}  // namespace qx::cli
