#include <gtest/gtest.h>

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

std::vector<std::string> Lines(const std::string& text, const std::string& prefix = "") {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (l.rfind(prefix, 0) == 0) lines.push_back(l);
  return lines;
}

TEST(ReadRamCli, SpiLinkWithEmptyBank1IssuesExactlyTheFiveBaseReads) {
  const CliResult r =
      Qxctl({"--simulate", "--link-kind", "1", "--trace", "read-ram"}, [](sim::SimBoard& b) {
        b.Target().SetMemory(0x00, 0x12);
        b.Target().SetMemory(0x1A, 0x77);  // never read: 26
        b.Target().SetMemory(0x1C, 0x34);
        b.Target().SetMemory(0xFF, 0xAB);
      });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  // Read requests of the SPI link: B1 (BC with the photo option) C0 lo hi count.
  std::vector<std::string> reads;
  for (const auto& l : Lines(r.trace, "> "))
    if (l.size() > 7 && l.substr(4, 3) == " C0" &&
        (l.rfind("> B1", 0) == 0 || l.rfind("> BC", 0) == 0))
      reads.push_back(l.substr(7, 9));
  EXPECT_EQ(reads, (std::vector<std::string>{" 00 00 1A", " 1C 00 24", " 40 00 40", " 80 00 40",
                                             " C0 00 40"}));
  const auto image = Lines(r.out);
  ASSERT_EQ(image.size(), 64u);
  EXPECT_EQ(image[0].substr(0, 8), "000: 12 ");
  EXPECT_EQ(image[1], "010: 00 00 00 00 00 00 00 00 00 00 00 00 34 00 00 00");
  EXPECT_EQ(image[15].substr(50), "AB");
  EXPECT_EQ(image[63].substr(0, 5), "3F0: ");
}

TEST(ReadRamCli, SleepSendsA5ToFD) {
  const CliResult r = Qxctl({"--simulate", "--link-kind", "1", "--trace", "sleep"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const auto sent = Lines(r.trace, "> ");
  // The sleep write is the last frame of the command; the release of the bridge on exit follows.
  ASSERT_GE(sent.size(), 2u);
  EXPECT_NE(sent[sent.size() - 2].find(" 40 FD 00 01 A5"), std::string::npos) << r.trace;
  EXPECT_EQ(sent.back().rfind("> F9 01 FF FF", 0), 0u) << sent.back();
  const CliResult extra = Qxctl({"--simulate", "sleep", "1"});
  EXPECT_EQ(extra.status, kExitUsage);
}

}  // namespace
}  // namespace qx::cli
