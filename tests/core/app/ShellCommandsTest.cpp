#include "core/app/ShellCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/FileBytes.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace qx::app {
namespace {

using test::Bytes;

class ShellCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          (std::string("qx_shell_") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    shell = std::make_unique<ShellCommands>(bench, dir.string() + "/");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  Workbench bench{clock, host, hid, bulk};
  std::filesystem::path dir;
  std::unique_ptr<ShellCommands> shell;
};

TEST_F(ShellCommandsTest, FirstStartCreatesTheFileAndEndsOnLinkKindFive) {
  bench.settings.PointCount = 0;
  const ConfigLoadResult r = shell->StartupActivation();
  EXPECT_TRUE(r.created);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  EXPECT_TRUE(std::filesystem::exists(dir / "QxADC.cfg"));
  EXPECT_EQ(host.status[2], "");
  // The capture measures with what was loaded before the analysis window is ever shown.
  EXPECT_EQ(bench.settings.PointCount, 4096);
  EXPECT_EQ(bench.capture.Bits(), 23);
  EXPECT_EQ(bench.capture.MissingChoice(), "");

  // A file of an older start without a point count item.
  bench.settings.NPointIndex = -1;
  ASSERT_TRUE(shell->SaveConfig());
  bench.settings.PointCount = 0;
  shell->StartupActivation();
  EXPECT_EQ(bench.settings.PointCount, 256) << "an impossible capture length becomes 256";
  EXPECT_EQ(bench.capture.MissingChoice(), "Catch ADC: choose a Sample Point first");
}

TEST_F(ShellCommandsTest, UnreadableValueIsNamedInStatusPanelTwo) {
  {
    std::ofstream out(dir / "QxADC.cfg", std::ios::binary);
    out << "Qx-740xTEST V1.4\r\n   2   0   0   0   0\r\nTRUE\r\nTRUE\r\nTRUE\r\nTRUE\r\nTRUE\r\n"
           "TRUE\r\n x\r\n";
  }
  shell->StartupActivation();
  EXPECT_EQ(host.status[2],
            "QxADC.cfg line 9: value missing or not a number, later settings "
            "not loaded");
  EXPECT_EQ(bench.target.ChipIndex, 2);
  EXPECT_TRUE(bench.settings.OptionFlags[5]);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
}

TEST_F(ShellCommandsTest, StartUpNamesAMissingChipFolderOrIndexAndWhereItLooked) {
  shell->StartupActivation();
  EXPECT_EQ(host.status[1], "Chip folder not found: " + dir.string() + "/INCLUDE/");
  std::filesystem::create_directories(dir / "INCLUDE");
  shell->StartupActivation();
  EXPECT_EQ(host.status[1], "Chip index not found: " + dir.string() + "/INCLUDE/QxSel.INC");
  std::ofstream(dir / "INCLUDE" / "QxSel.INC") << "QX7401.CHP    QX7401  (16k)\r\n";
  host.status[1].clear();
  shell->StartupActivation();
  EXPECT_EQ(host.status[1], "");
}

TEST_F(ShellCommandsTest, StartUpNamesAProgramFolderThatDoesNotExist) {
  ShellCommands missing(bench, (dir / "nonexistent").string() + "/");
  missing.StartupActivation();
  EXPECT_EQ(host.status[1], "Program folder not found: " + (dir / "nonexistent").string() +
                                "/ (no settings are kept and no chip files are read)");
}

TEST_F(ShellCommandsTest, UsbScanConnectsOnlyOnUsbLinkKinds) {
  hid.AttachBridge(bridge);
  for (uint16_t kind : {link::kLinkRs232, link::kLinkParallel}) {
    bench.target.LinkKind = kind;
    EXPECT_FALSE(shell->UsbScan());
    EXPECT_TRUE(bridge.requests.empty()) << kind;
  }
  bench.target.LinkKind = link::kLinkQx740x;
  EXPECT_TRUE(shell->UsbScan());
  EXPECT_EQ(host.usbClients, 1);
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
}

TEST_F(ShellCommandsTest, UsbScanWithoutBridgeShowsNotConnected) {
  bench.target.LinkKind = link::kLinkQx740x;
  EXPECT_FALSE(shell->UsbScan());
  EXPECT_EQ(host.status[0], "USB not Connect !!!");
  EXPECT_EQ(host.usbClients, 0);
}

TEST_F(ShellCommandsTest, UsbClientNamesTheChipListEntryAtChipIndex) {
  int restores = 0;
  shell->restoreSetupAndReloadChip = [&] { ++restores; };
  shell->chipListEntry = [](uint16_t i) { return i == 3 ? std::string("7R402  2K") : "?"; };
  bench.target.ChipIndex = 3;
  const auto titles = shell->UsbClient();
  EXPECT_EQ(restores, 1);
  EXPECT_EQ(titles.back().Title, "Qx-740xTEST V1.4 ---- Now Chip is  7R402  2K");

  host.changedAddresses.clear();
  shell->RefreshAfterConnect();
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{base::Host::kWholeImage}));
}

TEST_F(ShellCommandsTest, WithoutAChipListTheBuiltInListNamesTheChip) {
  const std::vector<std::pair<uint16_t, std::string>> cases = {
      {0, "7T404 (16k)"}, {1, "7R404  (8k)"}, {7, "7R402  (2k)"}, {63, "7R402  (2k)"}, {64, ""}};
  for (const auto& [index, name] : cases) {
    bench.target.ChipIndex = index;
    EXPECT_EQ(shell->UsbClient().front().Title, "記憶體 - " + name) << index;
  }
}

TEST_F(ShellCommandsTest, ReleaseSendsTheReleaseFrameBeforeClosing) {
  hid.AttachBridge(bridge);
  bench.target.LinkKind = link::kLinkQx740x;
  shell->Release();  // nothing claimed: nothing sent
  EXPECT_TRUE(bridge.requests.empty());
  ASSERT_TRUE(shell->UsbScan());
  const size_t before = bridge.requests.size();
  shell->Release();
  ASSERT_EQ(bridge.requests.size(), before + 1);
  EXPECT_EQ(bridge.Heads(4).back(), (Bytes{0xF9, 0x01, 0xFF, 0xFF}));
  EXPECT_EQ(hid.closed.back(), 100);
  EXPECT_FALSE(bench.target.Usb.Opened);
}

TEST_F(ShellCommandsTest, SaveFailureIsShownAsAnError) {
  ShellCommands nowhere(bench, (dir / "no-such-folder").string() + "/");
  EXPECT_FALSE(nowhere.SaveConfig());
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("QxADC.cfg"), std::string::npos);
  EXPECT_TRUE(shell->SaveConfig());
  EXPECT_EQ(base::ReadFileBytes(dir / "QxADC.cfg"), shell->Config().Render());
}

// A kill or a crash must not take the settings with it: each change is on disk at the next
// check, and a check without a change writes nothing.
TEST_F(ShellCommandsTest, AChangedSettingIsWrittenAtTheNextCheckNotOnlyAtClose) {
  shell->StartupActivation();
  const auto cfg = dir / "QxADC.cfg";
  const auto steps = dir / "StepADC.txt";
  std::filesystem::remove(cfg);
  std::filesystem::remove(steps);
  EXPECT_TRUE(shell->SaveConfigIfChanged());
  EXPECT_FALSE(std::filesystem::exists(cfg)) << "nothing changed, nothing written";
  EXPECT_FALSE(std::filesystem::exists(steps));

  bench.settings.EREFV = "1.25";
  bench.settings.CMAVR = 3;
  EXPECT_TRUE(shell->SaveConfigIfChanged());
  EXPECT_FALSE(std::filesystem::exists(steps)) << "the switch test's settings did not change";
  base::Settings reread;
  link::TargetRecord target;
  ConfigFile(target, reread).Load(cfg);
  EXPECT_EQ(reread.EREFV, "1.25");
  EXPECT_EQ(reread.CMAVR, 3);

  bench.tempTest.form.tempCount = "9";
  EXPECT_TRUE(shell->SaveConfigIfChanged());
  autotest::TempForm form;
  ASSERT_TRUE(base::ReadFileBytes(dir / "QxTemp.cfg"));
  autotest::TempFormFile::Apply(*base::ReadFileBytes(dir / "QxTemp.cfg"), form);
  EXPECT_EQ(form.tempCount, "9");
  bench.tempTest.form.tempCount = "5";
  shell->StartupActivation();  // as the next start after a kill
  EXPECT_EQ(bench.tempTest.form.tempCount, "9");

  bench.switchTest.SwitChClick(2, !bench.switchTest.Snapshot().enabled[2]);
  EXPECT_TRUE(shell->SaveConfigIfChanged());
  EXPECT_EQ(base::ReadFileBytes(steps), autotest::StepFile::Text(bench.switchTest.Snapshot()));

  // A file that cannot be written is said once in the status bar, never in a box that would
  // come back at every check.
  std::filesystem::remove(cfg);
  std::filesystem::create_directory(cfg);
  bench.settings.EREFV = "2.5";
  EXPECT_FALSE(shell->SaveConfigIfChanged());
  EXPECT_EQ(host.status[2].rfind("The settings could not be saved: ", 0), 0u) << host.status[2];
  EXPECT_TRUE(host.errors.empty());
  host.status[2].clear();
  EXPECT_TRUE(shell->SaveConfigIfChanged());
  EXPECT_EQ(host.status[2], "");
}

}  // namespace
}  // namespace qx::app
