#include <QAction>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "core/base/FileBytes.h"

namespace qx::gui::test {
namespace {

using StartupSettingsTest = PanelFixture;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  for (size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
    lines.push_back(text.substr(pos, end - pos));
  return lines;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
}

std::vector<std::string> SavedConfig() {
  return {"Qx-740xTEST V1.4",
          "   2   0   3   9   2",
          "TRUE",
          "TRUE",
          "TRUE",
          "TRUE",
          "TRUE",
          "TRUE",
          " 1",
          " 1",
          "1",
          "12",
          "   4   9",
          "TRUE",
          "   2",
          "   7",
          "       0   50000",
          "  10  20  30  40  50  60",
          "   1   2   3   4   5   6",
          "   1",
          "   7",
          "   0",
          "1.25",
          "   3",
          "   1",
          "   750     1"};
}

TEST_F(StartupSettingsTest, FirstStartWritesTwentySixLinesAndEndsOnLinkKindFive) {
  Start();
  const auto bytes = base::ReadFileBytes(dir / "QxADC.cfg");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(Lines(*bytes).size(), 26u);
  EXPECT_EQ(Lines(*bytes)[0], "Qx-740xTEST V1.4");
  EXPECT_EQ(panel->Bench().target.LinkKind, 5);
  EXPECT_EQ(Status(2), "");
}

TEST_F(StartupSettingsTest, SavedSettingsAreReadWithTheLoaderRules) {
  WriteFile(dir / "QxADC.cfg", SavedConfig());
  Start();
  const link::TargetRecord& t = panel->Bench().target;
  const base::Settings& s = panel->Bench().settings;
  EXPECT_EQ(t.ChipIndex, 2);
  EXPECT_EQ(t.LinkKind, 5) << "a saved link kind 0 is read back as 5";
  EXPECT_EQ(t.ComIndex, 15);
  EXPECT_EQ(t.BaudIndex, 5);
  EXPECT_EQ(t.ParityIndex, 0);
  EXPECT_EQ(s.CalValue, 500000);
  EXPECT_EQ(s.CalReading, 50000);
  EXPECT_EQ(s.LptPortBase, 0x378) << "CLPT index 7";
  EXPECT_EQ(s.EREFV, "1.25");
  EXPECT_EQ(s.PointCount, 1024);

  // Closing writes what was loaded, with the serial line and the link as they are now.
  CloseAndDestroy();
  const auto lines = Lines(*base::ReadFileBytes(dir / "QxADC.cfg"));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[1], "   2   5  15   5   0");
  EXPECT_EQ(lines[16], "  500000   50000");
  EXPECT_EQ(lines[15], "  -1");
}

// A kill -9 never runs the close: what the user set must already be on disk.
TEST_F(StartupSettingsTest, ASettingIsOnDiskWithinASecondOfItsChangeWithoutAClose) {
  Start();
  Action("Menu_ReadAdc")->trigger();
  auto* refv = panel->Main().findChild<QLineEdit*>("EREFV");
  ASSERT_NE(refv, nullptr);
  refv->setText("1.75");
  QEventLoop wait;
  QTimer::singleShot(1500, &wait, &QEventLoop::quit);
  wait.exec();
  const auto lines = Lines(*base::ReadFileBytes(dir / "QxADC.cfg"));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[22], "1.75");
}

TEST_F(StartupSettingsTest, DamagedFileStillStartsAndNamesTheLine) {
  auto lines = SavedConfig();
  lines[12] = "   4  nine";
  WriteFile(dir / "QxADC.cfg", lines);
  Start();
  EXPECT_EQ(Status(2),
            "QxADC.cfg line 13: value missing or not a number, later settings not loaded");
  EXPECT_EQ(panel->Bench().target.ChipIndex, 2);
  EXPECT_EQ(panel->Bench().target.LinkKind, 5);
  EXPECT_EQ(panel->Bench().settings.EREFV, "2.4");
}

TEST_F(StartupSettingsTest, WrongHeaderLeavesEverythingAtItsInitialValues) {
  auto lines = SavedConfig();
  lines[0] = "Qx-740xTEST V2.0";
  WriteFile(dir / "QxADC.cfg", lines);
  Start();
  EXPECT_EQ(panel->Bench().target.LinkKind, 0);
  EXPECT_EQ(panel->Bench().target.ChipIndex, 0);
  EXPECT_NE(Status(2).find("QxADC.cfg"), std::string::npos);
  Action("USBScan")->trigger();
  EXPECT_TRUE(board->Bridge().Requests().empty()) << "link kind 0 does not scan";
}

TEST_F(StartupSettingsTest, BinaryGarbageDoesNotStopStartUp) {
  {
    std::ofstream out(dir / "QxADC.cfg", std::ios::binary);
    out << "Qx-740xTEST V1.4\r\n";
    for (int i = 0; i < 70000; ++i) out << static_cast<char>((i * 131 + 7) & 0xFF);
  }
  Start();
  EXPECT_EQ(panel->Bench().target.LinkKind, 5);
  EXPECT_NE(Status(2).find("QxADC.cfg line"), std::string::npos);
}

}  // namespace
}  // namespace qx::gui::test
