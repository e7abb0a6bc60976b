#include "core/app/ConfigFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/FileBytes.h"

namespace qx::app {
namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// A file as a previous run would have written it, with values differing from every default.
std::vector<std::string> SavedLines() {
  return {
      "Qx-740xTEST V1.4",
      "   3   1   4   2   1",
      "TRUE",
      "FALSE",
      "true",
      "FALSE",
      "TRUE",
      "FALSE",
      " 2",
      " 3",
      "1",
      "12",
      "   4   9",
      "TRUE",
      "   2",
      "   1",
      "  123456    4321",
      "  10  20  30  40  50  60",
      "   1   2   3   4   5 255",
      "   1",
      "   7",
      "   0",
      "1.25",
      "   3",
      "   1",
      "   750     1",
  };
}

class ConfigFileTest : public ::testing::Test {
 protected:
  link::TargetRecord target;
  base::Settings settings;
  ConfigFile config{target, settings};
};

TEST_F(ConfigFileTest, WriterLaysOutTwentySixFixedWidthLines) {
  target.ChipIndex = 3;
  target.LinkKind = 5;
  target.ComIndex = 15;
  target.BaudIndex = 5;
  settings.OptionFlags = {true, false, true, false, false, true};
  settings.CurrentPage = 2;
  settings.CurrentBank = 4;
  settings.AdcDisplayMode = 1;
  settings.AdcOutBitsIndex = 15;
  settings.NPointIndex = 10;
  settings.ScaleIndex = 3;
  settings.CLPT = 2;
  settings.CalValue = 500000;
  settings.CalReading = 50000;
  settings.ScalePreset = {1, 2, 3, 4, 5, 255};
  settings.ComFun = 1;
  settings.ADShift = 15;
  settings.EREFV = "2.4";
  settings.CMAVR = 5;
  settings.CHFULL = true;
  settings.EGv = "500";
  settings.ChTemper = true;

  const std::vector<std::string> expected = {
      "Qx-740xTEST V1.4",
      "   3   5  15   5   0",
      "TRUE",
      "FALSE",
      "TRUE",
      "FALSE",
      "FALSE",
      "TRUE",
      " 2",
      " 4",
      "1",
      "15",
      "  10   3",
      "FALSE",
      "   0",
      "   2",
      "  500000   50000",
      "   1   2   3   4   5 255",
      "   0   0   0   0   0   0",
      "   1",
      "  15",
      "   1",
      "2.4",
      "   5",
      "   1",
      "   500     1",
  };
  EXPECT_EQ(SplitCrLf(config.Render()), expected);
}

TEST_F(ConfigFileTest, BoxTextsCannotBreakTheLayout) {
  settings.EREFV = "2.5\r\nTRUE";
  settings.EGv = "12abc";
  const auto lines = SplitCrLf(config.Render());
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[22], "2.5TRUE");
  EXPECT_EQ(lines[25], "     0     0");
  settings.EGv = " -42 ";
  EXPECT_EQ(SplitCrLf(config.Render())[25], "   -42     0");
  settings.CalValue = 12345678;
  settings.CalReading = -1234567;
  EXPECT_EQ(SplitCrLf(config.Render())[16], "12345678 -1234567")
      << "a number filling its field keeps a blank before the next";
}

TEST_F(ConfigFileTest, ReadsEverySectionAndAppliesTheLoaderRules) {
  int chipLoads = 0;
  uint16_t linkKindSeenByChipLoad = 0;
  config.loadChipDescription = [&] {
    ++chipLoads;
    linkKindSeenByChipLoad = target.LinkKind;
    target.LinkKind = 2;  // a chip loader may pick another link
  };
  const ConfigLoadResult r = config.Apply(JoinCrLf(SavedLines()), "QxADC.cfg");

  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Loaded);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(r.sectionsRead, 15);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(chipLoads, 1);
  EXPECT_EQ(linkKindSeenByChipLoad, 5);

  EXPECT_EQ(target.ChipIndex, 3);
  EXPECT_EQ(target.LinkKind, 5);
  EXPECT_EQ(target.ComIndex, 15);
  EXPECT_EQ(target.BaudIndex, 5);
  EXPECT_EQ(target.ParityIndex, 0);
  EXPECT_EQ(settings.OptionFlags, (std::array<bool, 6>{true, false, true, false, true, false}));
  EXPECT_EQ(settings.CurrentPage, 2);
  EXPECT_EQ(settings.CurrentBank, 3);
  EXPECT_EQ(settings.AdcDisplayMode, 1);
  EXPECT_EQ(settings.AdcOutBitsIndex, 12);
  EXPECT_EQ(settings.NPointIndex, 4);
  EXPECT_EQ(settings.PointCount, 1024);
  EXPECT_EQ(settings.ScaleIndex, 9);
  EXPECT_TRUE(settings.AnalysisTableMode);
  EXPECT_FALSE(settings.AverageChart);
  EXPECT_EQ(settings.CFunADC, 2);
  EXPECT_EQ(settings.CLPT, 1);
  EXPECT_EQ(settings.LptPortBase, 0x278);
  EXPECT_EQ(settings.CalValue, 123456);
  EXPECT_EQ(settings.CalReading, 4321);
  EXPECT_EQ(settings.ScalePreset, (std::array<uint8_t, 6>{10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(settings.DmmPreset, (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 255}));
  EXPECT_EQ(settings.ComFun, 1);
  EXPECT_EQ(settings.ADShift, 7);
  EXPECT_TRUE(settings.Photo);
  EXPECT_EQ(settings.EREFV, "1.25");
  EXPECT_EQ(settings.CMAVR, 3);
  EXPECT_TRUE(settings.CHFULL);
  EXPECT_EQ(settings.EGv, "750");
  EXPECT_TRUE(settings.ChTemper);
  EXPECT_FALSE(settings.SerialListsEnabled);
}

TEST_F(ConfigFileTest, WrittenValuesReadBackUnchanged) {
  target.ChipIndex = 2;
  settings.OptionFlags = {false, true, false, true, false, true};
  settings.CurrentPage = 1;
  settings.CurrentBank = 2;
  settings.AdcDisplayMode = 0;
  settings.AdcOutBitsIndex = 3;
  settings.NPointIndex = 2;
  settings.ScaleIndex = 15;
  settings.CFunADC = 3;
  settings.CLPT = 2;
  settings.CalValue = -7;
  settings.CalReading = 99999999;
  settings.ScalePreset = {0, 1, 128, 254, 255, 7};
  settings.DmmPreset = {9, 8, 7, 6, 5, 4};
  settings.ComFun = 0;
  settings.ADShift = 4;
  settings.EREFV = "abc";
  settings.CMAVR = 0;
  settings.CHFULL = false;
  settings.EGv = "-3";
  const base::Settings before = settings;
  const std::string text = config.Render();

  settings = base::Settings{};
  target = link::TargetRecord{};
  config.Apply(text, "QxADC.cfg");

  EXPECT_EQ(target.ChipIndex, 2);
  EXPECT_EQ(settings.OptionFlags, before.OptionFlags);
  EXPECT_EQ(settings.CurrentPage, 1);
  EXPECT_EQ(settings.CurrentBank, 2);
  EXPECT_EQ(settings.AdcOutBitsIndex, 3);
  EXPECT_EQ(settings.NPointIndex, 2);
  EXPECT_EQ(settings.PointCount, 256);
  EXPECT_EQ(settings.ScaleIndex, 15);
  EXPECT_EQ(settings.CFunADC, 3);
  EXPECT_EQ(settings.LptPortBase, 0x3BC);
  EXPECT_EQ(settings.CalValue, -7);
  EXPECT_EQ(settings.CalReading, 99999999);
  EXPECT_EQ(settings.ScalePreset, before.ScalePreset);
  EXPECT_EQ(settings.DmmPreset, before.DmmPreset);
  EXPECT_EQ(settings.ADShift, 4);
  EXPECT_EQ(settings.EREFV, "abc");
  EXPECT_EQ(settings.CMAVR, 0);
  EXPECT_EQ(settings.EGv, "-3");
  EXPECT_FALSE(settings.ChTemper);
}

TEST_F(ConfigFileTest, SavedLinkKindZeroAndSerialIndexesAreReplaced) {
  auto lines = SavedLines();
  lines[1] = "   1   0   3   9   2";
  config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(target.ChipIndex, 1);
  EXPECT_EQ(target.LinkKind, 5);
  EXPECT_EQ(target.ComIndex, 15);
  EXPECT_EQ(target.BaudIndex, 5);
  EXPECT_EQ(target.ParityIndex, 0);
}

TEST_F(ConfigFileTest, ZeroInACalibrationFieldRestoresBothDefaults) {
  for (const char* line : {"       0   50000", "  123456       0", "       0       0"}) {
    auto lines = SavedLines();
    lines[16] = line;
    settings = base::Settings{};
    config.Apply(JoinCrLf(lines), "QxADC.cfg");
    EXPECT_EQ(settings.CalValue, 500000) << line;
    EXPECT_EQ(settings.CalReading, 50000) << line;
  }
}

TEST_F(ConfigFileTest, ParallelPortIndexSelectsItsBaseAddress) {
  const std::vector<std::pair<std::string, uint16_t>> cases = {
      {"   0", 0x378}, {"   1", 0x278}, {"   2", 0x3BC}, {"   7", 0x378}, {"  -1", 0x378}};
  for (const auto& [line, base] : cases) {
    auto lines = SavedLines();
    lines[15] = line;
    settings.LptPortBase = 0;
    config.Apply(JoinCrLf(lines), "QxADC.cfg");
    EXPECT_EQ(settings.LptPortBase, base) << line;
  }
  auto lines = SavedLines();
  lines[15] = "   7";
  config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(settings.CLPT, -1) << "an index the list does not have selects no item";
}

TEST_F(ConfigFileTest, WrongHeaderLoadsNothingAndSkipsTheFinishingSteps) {
  int chipLoads = 0;
  config.loadChipDescription = [&] { ++chipLoads; };
  for (const std::string header : {"Qx-740xTEST V1.3", "qx-740xtest v1.4", "", "Qx-740xTEST V1.4 ",
                                   "\xEF\xBB\xBFQx-740xTEST V1.4"}) {
    auto lines = SavedLines();
    lines[0] = header;
    const ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
    EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::HeaderMismatch) << header;
    EXPECT_FALSE(r.finished);
    EXPECT_NE(r.message.find("QxADC.cfg"), std::string::npos);
  }
  EXPECT_EQ(chipLoads, 0);
  EXPECT_EQ(target.LinkKind, 0);
  EXPECT_EQ(target.ChipIndex, 0);
  EXPECT_EQ(settings.EREFV, "2.4");
  EXPECT_TRUE(settings.SerialListsEnabled);
}

TEST_F(ConfigFileTest, FileEndingAtASectionBoundaryKeepsTheRest) {
  auto lines = SavedLines();
  lines.resize(10);  // header and sections 0 to 2
  settings.EREFV = "3.3";
  settings.CLPT = 2;
  const ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Loaded);
  EXPECT_EQ(r.sectionsRead, 3);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(settings.CurrentBank, 3);
  EXPECT_EQ(settings.EREFV, "3.3");
  EXPECT_EQ(settings.CLPT, 2);
  EXPECT_EQ(target.LinkKind, 5);
}

TEST_F(ConfigFileTest, LinesAfterTheLastSectionAreIgnored) {
  auto lines = SavedLines();
  lines.push_back("anything");
  lines.push_back("   1   2");
  const ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Loaded);
  EXPECT_EQ(r.sectionsRead, 15);
  EXPECT_EQ(settings.EGv, "750");
}

TEST_F(ConfigFileTest, UnreadableValueEndsTheLoadAtItsSectionAndNamesTheLine) {
  struct Case {
    int line;  // 1-based line that is damaged
    std::string text;
    int sectionsKept;
  };
  const std::vector<Case> cases = {
      {2, "   3   x   4   2   1", 0},
      {2, "   3   1   4   2", 0},        // a field missing
      {2, "   3 70000   4   2   1", 0},  // link kind beyond 16 bits
      {10, "  ", 2},
      {13, "   4", 4},
      {17, "  12.5  50000", 7},
      {18, "  10  20  30  40  50 256", 8},  // not a byte
      {22, "one", 10},
      {26, "   750", 14},
      {26, "   750   1x", 14},
  };
  for (const Case& c : cases) {
    settings = base::Settings{};
    target = link::TargetRecord{};
    settings.EGv = "keep";
    int chipLoads = 0;
    config.loadChipDescription = [&] { ++chipLoads; };
    auto lines = SavedLines();
    lines[static_cast<size_t>(c.line - 1)] = c.text;
    const ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
    EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::FieldError) << c.line << ": " << c.text;
    EXPECT_EQ(r.errorLine, c.line) << c.text;
    EXPECT_EQ(r.sectionsRead, c.sectionsKept) << c.text;
    EXPECT_NE(r.message.find("QxADC.cfg line " + std::to_string(c.line)), std::string::npos)
        << r.message;
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(chipLoads, 1);
    EXPECT_EQ(target.LinkKind, 5);
    EXPECT_EQ(settings.EGv, "keep") << "section 14 is never applied here";
  }
}

TEST_F(ConfigFileTest, DamagedSectionIsNotAppliedHalfway) {
  auto lines = SavedLines();
  lines[17] = "  10  20  30  40  50  60";
  lines[18] = "   1   2   3   x   5   6";
  settings.ScalePreset = {7, 7, 7, 7, 7, 7};
  config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(settings.ScalePreset, (std::array<uint8_t, 6>{7, 7, 7, 7, 7, 7}));
  EXPECT_EQ(settings.CalValue, 123456) << "the section before it is kept";
}

TEST_F(ConfigFileTest, FileCutInsideASectionIsReportedAtTheMissingLine) {
  auto lines = SavedLines();
  lines.resize(5);  // section 1 has only two of its six flags
  const ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::FieldError);
  EXPECT_EQ(r.sectionsRead, 1);
  EXPECT_EQ(settings.OptionFlags, (std::array<bool, 6>{}));
  EXPECT_EQ(target.ChipIndex, 3);
}

TEST_F(ConfigFileTest, OverLongLineAndBinaryGarbageDoNotStopTheLoad) {
  auto lines = SavedLines();
  lines[22] = std::string(5000, '7');
  ConfigLoadResult r = config.Apply(JoinCrLf(lines), "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::FieldError);
  EXPECT_EQ(r.errorLine, 23);
  EXPECT_EQ(settings.EREFV, "2.4");

  std::string garbage = "Qx-740xTEST V1.4\r\n";
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 73 + 11) & 0xFF);
  r = config.Apply(garbage, "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::FieldError);
  EXPECT_TRUE(r.finished);
}

TEST_F(ConfigFileTest, LfOnlyLinesAndAMissingLastLineEndAreAccepted) {
  std::string text;
  for (const auto& l : SavedLines()) text += l + "\n";
  text.pop_back();
  const ConfigLoadResult r = config.Apply(text, "QxADC.cfg");
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Loaded);
  EXPECT_TRUE(settings.ChTemper);
}

class ConfigFileOnDiskTest : public ConfigFileTest {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("qx_cfg_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(ConfigFileOnDiskTest, FirstStartWritesTheFileAndReadsItBack) {
  const auto path = dir / "QxADC.cfg";
  const ConfigLoadResult r = config.Load(path);
  EXPECT_TRUE(r.created);
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Loaded);
  EXPECT_EQ(r.sectionsRead, 15);
  EXPECT_EQ(target.LinkKind, 5);
  const auto bytes = base::ReadFileBytes(path);
  ASSERT_TRUE(bytes);
  const auto lines = SplitCrLf(*bytes);
  EXPECT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[1], "   0   0   0   0   0") << "written before the link kind is set";
  EXPECT_EQ(settings.CalValue, 500000);
  EXPECT_FALSE(std::filesystem::exists(dir / "QxADC.cfg.tmp"));
  // The analysis lists start chosen (4096 points, 23 bits, "1"), never as "no item" (-1).
  EXPECT_EQ(settings.NPointIndex, 6);
  EXPECT_EQ(settings.PointCount, 4096);
  EXPECT_EQ(settings.ScaleIndex, 15);
  EXPECT_EQ(settings.CMAVR, 0);
  EXPECT_NE(bytes->find("\r\n   6  15\r\n"), std::string::npos) << *bytes;
}

TEST_F(ConfigFileOnDiskTest, SaveReplacesTheOldFileWhole) {
  const auto path = dir / "QxADC.cfg";
  { std::ofstream(path, std::ios::binary) << std::string(10000, 'x'); }
  std::string error;
  ASSERT_TRUE(config.Save(path, error)) << error;
  EXPECT_EQ(base::ReadFileBytes(path), config.Render());
}

TEST_F(ConfigFileOnDiskTest, UnwritableFolderStillFinishesWithTheValuesInMemory) {
  const auto path = dir / "missing-folder" / "QxADC.cfg";
  const ConfigLoadResult r = config.Load(path);
  EXPECT_EQ(r.outcome, ConfigLoadResult::Outcome::Unreadable);
  EXPECT_FALSE(r.message.empty());
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(target.LinkKind, 5);
}

}  // namespace
}  // namespace qx::app
