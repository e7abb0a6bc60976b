#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/LinkCommands.h"
#include "core/analysis/SlotFile.h"
#include "core/chip/FileTextSource.h"
#include "sim/SimBoard.h"
#include "support/QxctlRun.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

using test::Qxctl;
using CliResult = test::QxctlResult;

TEST(QxctlFileLimits, StatsReadsRegularSlotFilesUpToTheirLimitOnly) {
  const CliResult zero = Qxctl({"stats", "--bits", "23", "--ref", "2.4", "/dev/zero"});
  EXPECT_EQ(zero.status, kExitLinkFailed);
  EXPECT_EQ(zero.err, "qxctl: /dev/zero: not a regular file\n");

  // One line past a capture's slots and its settling slots.
  const test::TempDir dir("qx_stats_limit");
  const auto path = dir.Path() / "slots.txt";
  std::string line = "800000\r\n";
  std::string text;
  text.reserve(analysis::SlotFile::kMaxBytes + line.size());
  while (text.size() <= analysis::SlotFile::kMaxBytes) text += line;
  { std::ofstream(path, std::ios::binary) << text; }
  const CliResult large = Qxctl({"stats", "--bits", "23", "--ref", "2.4", path.string()});
  EXPECT_EQ(large.status, kExitLinkFailed);
  EXPECT_EQ(large.err, "qxctl: " + path.string() + ": larger than 8388712 bytes, not read\n");
  EXPECT_EQ(large.out, "");
}

TEST(QxctlFileLimits, ChipListOfAnIndexTooLargeToReadFailsInsteadOfTheBuiltInList) {
  const test::TempDir dir("qx_index_limit");
  std::filesystem::create_directories(dir.Path() / "INCLUDE");
  const auto index = dir.Path() / "INCLUDE" / "QxSel.INC";
  { std::ofstream(index, std::ios::binary) << "QX7401.CHP QX7401 (16k)\r\n"; }
  std::filesystem::resize_file(index, chip::FileTextSource::kMaxBytes + 1);

  const CliResult r = Qxctl({"--dir", dir.Path().string(), "chip-list"});
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qxctl: " + (dir.Path() / "INCLUDE/").string() +
                       "QxSel.INC: larger than 16777216 bytes, not read\n");

  // Without an index the built-in list is the answer, as the setup dialog shows it.
  std::filesystem::remove(index);
  const CliResult missing = Qxctl({"--dir", dir.Path().string(), "chip-list"});
  EXPECT_EQ(missing.status, kExitOk);
  EXPECT_EQ(missing.err, "");
}

}  // namespace
}  // namespace qx::cli
