#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/app/CaptureLock.h"
#include "core/app/CommandLine.h"
#include "core/app/MainMenu.h"
#include "core/app/WindowTitles.h"

namespace qx::app {
namespace {

TEST(MainMenuTest, ItemsInMenuBarOrderWithShippedVisibility) {
  std::vector<std::string> hidden;
  std::vector<std::string> order;
  for (const MenuItem& item : MainMenu::kItems) {
    order.push_back(item.ObjectName);
    if (!item.Visible) hidden.push_back(item.ObjectName);
  }
  EXPECT_EQ(hidden,
            (std::vector<std::string>{"SMenu_OP", "SMenu_CMP", "SLEEP1", "MCALW", "RestoreADC"}));
  EXPECT_EQ(order.front(), "SaveFluke1");
  EXPECT_EQ(order[12], "USBScan");
  EXPECT_EQ(order.back(), "Power1");
  EXPECT_STREQ(MainMenu::MenuCaption("Memu_File"), "File");
  EXPECT_STREQ(MainMenu::MenuCaption("Menu_Option"), "Option");
  EXPECT_STREQ(MainMenu::Find("Regist")->Caption, "連續讀取");
  EXPECT_STREQ(MainMenu::Find("DownLoadFluke1")->Caption, "DownLoad Fluke");
}

TEST(MainMenuTest, WindowCommandsOpenTheirPlacementEntry) {
  const std::vector<std::pair<std::string, int>> expected = {
      {"SMenu_RAM", 1},    {"SMenu_REG", 2}, {"SMenu_ADC", 3}, {"SMenu_OP", 4}, {"SMenu_CMP", 5},
      {"Menu_ReadAdc", 7}, {"MCALW", 13},    {"Regist", 8},    {"Fluke1", 9},   {"Power1", 11}};
  std::vector<std::pair<std::string, int>> opening;
  for (const MenuItem& item : MainMenu::kItems)
    if (item.OpensWindow) opening.emplace_back(item.ObjectName, InfoOf(item.Window).PlacementIndex);
  EXPECT_EQ(opening, expected);
}

TEST(MainMenuTest, VisibilityCanBeChangedByName) {
  MainMenu menu;
  EXPECT_FALSE(menu.IsVisible("SLEEP1"));
  EXPECT_TRUE(menu.SetVisible("SLEEP1", true));
  EXPECT_TRUE(menu.IsVisible("SLEEP1"));
  EXPECT_FALSE(menu.SetVisible("NoSuchItem", true));
  EXPECT_FALSE(menu.IsVisible("NoSuchItem"));
}

TEST(MainMenuTest, ScanAppliesToTheUsbLinkKindsOnly) {
  const bool expected[] = {false, true, true, false, true, true, false};
  for (uint16_t kind = 0; kind < 7; ++kind)
    EXPECT_EQ(MainMenu::ScanApplies(kind), expected[kind]) << kind;
}

TEST(WindowTitlesTest, NameTheChipInEveryTitle) {
  const auto titles = WindowTitles::ForChip("7R404  8K");
  ASSERT_EQ(titles.size(), 7u);
  EXPECT_EQ(titles[0].Title, "記憶體 - 7R404  8K");
  EXPECT_EQ(titles[1].Title, "暫存器 - 7R404  8K");
  EXPECT_EQ(titles[3].Form, FormId::TCMPForm);
  EXPECT_EQ(titles[4].Title, "OP - 7R404  8K");
  EXPECT_EQ(titles[5].Title, "Analyse ADC - 7R404  8K");
  EXPECT_EQ(titles[6].Form, FormId::TMainPanel);
  EXPECT_EQ(titles[6].Title, "Qx-740xTEST V1.4 ---- Now Chip is  7R404  8K");
}

TEST(FormIdTest, CreationOrderAndPlacementIndexes) {
  std::string names;
  for (const FormInfo& f : kFormsInCreationOrder) names += std::string(f.Name) + " ";
  EXPECT_EQ(names,
            "TMainPanel TQx_BASE TQx_UP TOption TQx_RAM TQx_Reg2 TADCForm TOPForm TCMPForm "
            "TQxPopSelHex TAnxADC TWeightCAL TFLUKE TFPower TTMP ");
  for (size_t i = 0; i < kFormsInCreationOrder.size(); ++i)
    EXPECT_EQ(static_cast<size_t>(kFormsInCreationOrder[i].Id), i);
}

TEST(CaptureLockTest, LinkCommandsWaitWindowsStayOpen) {
  std::vector<std::string> blocked;
  for (const MenuHeading& menu : MainMenu::kMenus)
    if (CaptureLock::Blocks(menu.ObjectName)) blocked.push_back(menu.ObjectName);
  for (const MenuItem& item : MainMenu::kItems)
    if (!item.Parent && CaptureLock::Blocks(item.ObjectName)) blocked.push_back(item.ObjectName);
  EXPECT_EQ(blocked,
            (std::vector<std::string>{"Memu_File", "Menu_Option", "USBScan", "Menu_ReadRAM",
                                      "Menu_ReadAdc", "SLEEP1", "RestoreADC"}));
  EXPECT_FALSE(CaptureLock::Blocks("Regist"));
  EXPECT_EQ(CaptureLock::Refusal("Read RAM"), "\"Read RAM\" waits until the ADC capture ends");
}

TEST(CommandLineTest, ParsesOptionsAndRejectsTheRest) {
  CommandLine c = CommandLine::Parse({"--simulate", "--dir", "/tmp/x"});
  EXPECT_TRUE(c.Simulate);
  EXPECT_EQ(c.Dir, "/tmp/x");
  EXPECT_TRUE(c.Error.empty());
  EXPECT_EQ(CommandLine::Parse({"--dir=/a"}).Dir, "/a");
  EXPECT_FALSE(CommandLine::Parse({"--dir"}).Error.empty());
  EXPECT_FALSE(CommandLine::Parse({"--bogus"}).Error.empty());
  EXPECT_FALSE(CommandLine::Parse({}).Simulate);
}

TEST(CommandLineTest, HelpAndVersionAnswerWhateverElseIsOnTheLine) {
  EXPECT_TRUE(CommandLine::Parse({"--help"}).Help);
  EXPECT_TRUE(CommandLine::Parse({"-h"}).Help);
  EXPECT_TRUE(CommandLine::Parse({"--version"}).Version);
  // After an argument of the toolkit or a bad one, help still answers.
  const CommandLine late = CommandLine::Parse({"-platform", "xcb", "--help"});
  EXPECT_TRUE(late.Help);
  EXPECT_EQ(late.Error, "unknown argument: -platform");
  EXPECT_TRUE(CommandLine::Parse({"--dir", "--version"}).Version);
  EXPECT_FALSE(CommandLine::Parse({"--simulate"}).Help);
  EXPECT_FALSE(CommandLine::Parse({"--simulate"}).Version);
}

TEST(CommandLineTest, UsageNamesEveryOptionAndVersionTheRelease) {
  const std::string usage = CommandLine::Usage();
  EXPECT_EQ(usage.rfind("usage: qxpanel", 0), 0u);
  for (const char* option : {"--simulate", "--dir PATH", "--help", "-h", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_EQ(usage.back(), '\n');
  EXPECT_EQ(CommandLine::VersionText(), "qxpanel 1.4 (Qx-740xTEST V1.4)\n");
  EXPECT_EQ(CommandLine::VersionText("qxctl"), "qxctl 1.4 (Qx-740xTEST V1.4)\n");
}

TEST(CommandLineTest, ProgramDirPrefersTheOptionThenTheEnvironment) {
  EXPECT_EQ(CommandLine::ProgramDir("/opt/a", "/env", "/bin"), "/opt/a/");
  EXPECT_EQ(CommandLine::ProgramDir(std::nullopt, "/env/", "/bin"), "/env/");
  EXPECT_EQ(CommandLine::ProgramDir(std::nullopt, "", "/bin"), "/bin/");
  EXPECT_EQ(CommandLine::ProgramDir(std::nullopt, nullptr, "/bin"), "/bin/");
  EXPECT_EQ(CommandLine::ProgramDir(std::string(), nullptr, ""), "./");
}

}  // namespace
}  // namespace qx::app

namespace qx::app {
namespace {

// A command that vanishes says why once; what the chip description hid is named with the line
// that would show it.
TEST(MainMenu, HiddenNoticeNamesTheCommandsAndTheMissingLines) {
  const auto hiding = [](std::set<std::string> hidden) {
    return [hidden](const std::string& name) { return hidden.count(name) == 0; };
  };
  EXPECT_EQ(MainMenu::HiddenNotice(hiding({}), "QX7401"), "");
  EXPECT_EQ(MainMenu::HiddenNotice(hiding({"Menu_ReadAdc"}), "7R402"),
            "ENOB Test hidden: the chip description of 7R402 has no #ENOB line");
  EXPECT_EQ(MainMenu::HiddenNotice(hiding({"Power1", "Fluke1", "Regist", "Memu_File"}), "7T404"),
            "File, 連續讀取, Fluke, Power hidden: the chip description of 7T404 has no "
            "#REGISTERTEST, #CONTINUE, #FLUKE, #POWER line");
  EXPECT_EQ(MainMenu::HiddenNotice(hiding({"Menu_ReadAdc", "Fluke1"}), ""),
            "ENOB Test, Fluke hidden: no chip description is loaded");
}

}  // namespace
}  // namespace qx::app
