#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/ChipCommands.h"
#include "cli/CliOptions.h"
#include "cli/JsonWriter.h"
#include "cli/LinkCommands.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

/// The repository root, whose INCLUDE/ holds the shipped chip files.
std::string RepoDir() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / "..").lexically_normal().string();
}

struct Result {
  int status;
  std::string out, err;
};

Result Chip(std::vector<std::string> argv) {
  std::string error;
  const auto options = ParseCommandLine(argv, error);
  EXPECT_TRUE(options) << error;
  std::ostringstream out, err;
  const int status = RunChipCommand(*options, out, err);
  return {status, out.str(), err.str()};
}

TEST(ChipCommands, ListsTheShippedIndex) {
  const Result r = Chip({"--dir", RepoDir(), "chip-list"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "QX7401  (16K)\n7R404  (8K)\n7T404  (16K)\n7R402  (2K)\n");
}

TEST(ChipCommands, DumpOfTheRegisterChip) {
  const Result r = Chip({"--dir", RepoDir(), "chip-dump", "--chip", "1"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  for (const char* piece :
       {"{\"loaded\":true,\"product\":\"7R404\",\"compiler\":\"QXASM\",\"id\":1028,\"rom\":8192,",
        "\"reg0\":[0,127],\"reg1\":[256,383],",
        "\"ramBanks\":[[128,255],[384,511],[640,767],[896,1023],[0,0]],",
        "\"bitPageCount\":[3,2,1,1],\"byteRegisterCount\":6,\"wordRegisterCount\":3,",
        "\"linkKind\":5,\"registerCaption\":\"7R404Register\",",
        "{\"name\":\"PCL\",\"address\":2,\"description\":\"\"}", "\"PBank4\":false",
        "\"RAMBANK0\":true"}) {
    EXPECT_NE(r.out.find(piece), std::string::npos) << piece;
  }
}

TEST(ChipCommands, EveryShippedChipLoadsAndTheSpecialChipSwitchesTheLink) {
  for (int chip = 0; chip < 4; ++chip) {
    const Result r = Chip({"--dir", RepoDir(), "chip-dump", "--chip", std::to_string(chip)});
    EXPECT_EQ(r.status, kExitOk) << chip << r.err;
    EXPECT_EQ(r.out.rfind("{\"loaded\":true,", 0), 0u) << chip;
    const bool special = chip == 3;
    EXPECT_NE(r.out.find(special ? "\"linkKind\":2," : "\"linkKind\":5,"), std::string::npos);
  }
  const Result adc = Chip({"--dir", RepoDir(), "chip-dump"});
  EXPECT_NE(adc.out.find("\"hasAdc0\":true"), std::string::npos);
  EXPECT_NE(adc.out.find("\"PGA\":{\"address\":"), std::string::npos);
}

TEST(ChipCommands, MissingFilesAndBadIndexes) {
  test::TempDir empty("qx_chipdump");
  const Result none = Chip({"--dir", empty.Path().string(), "chip-dump"});
  EXPECT_EQ(none.status, kExitLinkFailed);
  EXPECT_EQ(none.out.rfind("{\"loaded\":false,", 0), 0u);

  // Without an index file the built-in list stands in: 64 items.
  const Result list = Chip({"--dir", empty.Path().string(), "chip-list"});
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 64);

  EXPECT_EQ(Chip({"--dir", RepoDir(), "chip-dump", "--chip", "4"}).status, kExitUsage);
  EXPECT_EQ(Chip({"--dir", RepoDir(), "chip-list", "extra"}).status, kExitUsage);
}

TEST(ChipCommands, Big5TextIsDecodedForJson) {
  test::TempDir dir("qx_chipdump_big5");
  std::filesystem::create_directories(dir.Path() / "INCLUDE");
  std::ofstream(dir.Path() / "INCLUDE" / "QxSel.INC", std::ios::binary) << "QXB5.CHP QXB5 (1k)\r\n";
  // "\xB4\xFA\xB8\xD5" is Big5 for the two characters of "test".
  std::ofstream(dir.Path() / "INCLUDE" / "QXB5.CHP", std::ios::binary)
      << "#PRODUCT\r\n\xB4\xFA\xB8\xD5\r\n";
  const Result r = Chip({"--dir", dir.Path().string(), "chip-dump"});
  EXPECT_NE(r.out.find("\"product\":\"\xE6\xB8\xAC\xE8\xA9\xA6\""), std::string::npos)
      << r.out.substr(0, 200);
}

// An index line whose bytes are neither Big5 nor UTF-8 (a lead byte without its trail, an FF)
// is named with its line; Big5 and UTF-8 names are not.
TEST(ChipCommands, IndexBytesThatAreNoTextAreNamedByLine) {
  test::TempDir dir("qx_chiplist_bytes");
  std::filesystem::create_directories(dir.Path() / "INCLUDE");
  std::ofstream(dir.Path() / "INCLUDE" / "QxSel.INC", std::ios::binary)
      << "QXB5.CHP \xB4\xFA\xB8\xD5\r\nQXU8.CHP \xE6\xB8\xAC\r\nQXBAD.CHP QX\xA4 (1k)\r\n"
      << "QXFF.CHP QX\xFF\r\n";
  const Result r = Chip({"--dir", dir.Path().string(), "chip-list"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4);
  EXPECT_EQ(r.err,
            "qxctl: warning: QxSel.INC line 3: bytes that are neither code page 950 (Big5) nor "
            "UTF-8 text; its chip entry will not read right\n"
            "qxctl: warning: QxSel.INC line 4: bytes that are neither code page 950 (Big5) nor "
            "UTF-8 text; its chip entry will not read right\n");
}

TEST(JsonWriter, EscapesAndSeparates) {
  JsonWriter j;
  j.BeginObject().Key("a\"b").String("x\ny\x01").Key("n").BeginArray().Int(-1).Double(0.5);
  j.Bool(false).EndArray().Key("inf").Double(1.0 / 0.0).EndObject();
  EXPECT_EQ(j.Text(), "{\"a\\\"b\":\"x\\ny\\u0001\",\"n\":[-1,0.5,false],\"inf\":null}");
}

}  // namespace
}  // namespace qx::cli
