#include "core/instruments/MeterPortsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/FileBytes.h"
#include "support/TempDir.h"

namespace qx::instruments {
namespace {

TEST(MeterPortsFile, SavesUsedMetersAndReadsThemBack) {
  qx::test::TempDir dir("meters");
  const auto file = dir.Path() / MeterPortsFile::kFileName;
  MeterPortsFile::Names names{"COM8", "", "COM10", "", "", "COM17"};
  std::string error;
  ASSERT_TRUE(MeterPortsFile::Save(file, names, error)) << error;
  EXPECT_EQ(*base::ReadFileBytes(file), "METER1 COM8\r\nMETER3 COM10\r\nMETER6 COM17\r\n");
  int skipped = -1;
  EXPECT_EQ(MeterPortsFile::Load(file, &skipped), names);
  EXPECT_EQ(skipped, 0);
}

// The setup dialog saves the meters and the three instruments at different clicks: neither
// save may drop what the other wrote.
TEST(MeterPortsFile, MeterAndInstrumentPortsSurviveEachOthersSave) {
  qx::test::TempDir dir("meters");
  const auto file = dir.Path() / MeterPortsFile::kFileName;
  std::string error;
  ASSERT_TRUE(MeterPortsFile::SaveInstruments(file, {"COM5", "", "COM7"}, error)) << error;
  ASSERT_TRUE(MeterPortsFile::Save(file, {"COM8", "", "", "", "", ""}, error)) << error;
  EXPECT_EQ(*base::ReadFileBytes(file), "METER1 COM8\r\nFLUKE COM5\r\nCHAMBER COM7\r\n");
  ASSERT_TRUE(MeterPortsFile::SaveInstruments(file, {"COM5", "COM6", "COM7"}, error)) << error;
  int skipped = -1;
  EXPECT_EQ(MeterPortsFile::Load(file, &skipped),
            (MeterPortsFile::Names{"COM8", "", "", "", "", ""}));
  EXPECT_EQ(skipped, 0) << "instrument lines are not bad meter lines";
  EXPECT_EQ(MeterPortsFile::LoadInstruments(file),
            (MeterPortsFile::InstrumentNames{"COM5", "COM6", "COM7"}));
  std::ofstream(file, std::ios::binary) << "FLUKE COM99\r\nPOWER\r\nCHAMBER COM2\r\nOVEN COM3\r\n";
  EXPECT_EQ(MeterPortsFile::LoadInstruments(file),
            (MeterPortsFile::InstrumentNames{"", "", "COM2"}));
}

TEST(MeterPortsFile, MissingFileAndBadLinesLeaveMetersUnused) {
  qx::test::TempDir dir("meters");
  const auto file = dir.Path() / MeterPortsFile::kFileName;
  EXPECT_EQ(MeterPortsFile::Load(file), MeterPortsFile::Names{});
  std::ofstream(file, std::ios::binary)
      << "METER2 COM3\nMETER7 COM4\r\nMETER1 COM18\r\nMETER1\r\nmeter4 COM2\r\n\r\n"
      << std::string(300, 'x') << "\r\nMETER5\tCOM16  \r\n";
  int skipped = 0;
  const auto names = MeterPortsFile::Load(file, &skipped);
  EXPECT_EQ(names, (MeterPortsFile::Names{"", "COM3", "", "", "COM16", ""}));
  EXPECT_EQ(skipped, 5);
}

TEST(MeterPortsFile, FileThatIsThereButNotReadSaysWhyAndNamesIt) {
  qx::test::TempDir dir("meters");
  const auto file = dir.Path() / MeterPortsFile::kFileName;
  std::string error = "stale";
  EXPECT_EQ(MeterPortsFile::Load(file, nullptr, &error), MeterPortsFile::Names{});
  EXPECT_EQ(error, "");

  std::filesystem::create_directory(file);
  EXPECT_EQ(MeterPortsFile::Load(file, nullptr, &error), MeterPortsFile::Names{});
  EXPECT_EQ(error, file.string() + ": not a regular file");
  std::filesystem::remove(file);

  // A good first line does not make an oversized file half-read.
  { std::ofstream(file, std::ios::binary) << "METER1 COM8\r\n"; }
  std::filesystem::resize_file(file, MeterPortsFile::kMaxBytes + 1);
  EXPECT_EQ(MeterPortsFile::Load(file, nullptr, &error), MeterPortsFile::Names{});
  EXPECT_EQ(error, file.string() + ": larger than 65536 bytes, not read");
}

TEST(MeterPortsFile, UnwritableFolderIsReported) {
  std::string error;
  EXPECT_FALSE(MeterPortsFile::Save("/nonexistent-folder/QxMeters.txt", {}, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qx::instruments
