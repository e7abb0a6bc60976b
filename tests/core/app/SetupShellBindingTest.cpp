#include "core/app/SetupShellBinding.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/chip/MemoryTextSource.h"
#include "core/chip/SetupFakePorts.h"
#include "support/FakeBridge.h"
#include "support/TempDir.h"

namespace qx::chip {
namespace {

class SetupShellBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string inc = programDir + "INCLUDE/";
    files.Set(inc + "QxSel.INC", "ADC.CHP QX7401 (16k)\r\nSMALL.CHP 7R402 (2k)\r\n");
    files.Set(inc + "ADC.CHP", "#PRODUCT\nQX7401\n#ENOB\n");
    files.Set(inc + "SMALL.CHP", "#PRODUCT\n7R402\n");
    setup.FormCreate();
    app::SetupShellBinding::Bind(setup, shell);
  }

  void WriteConfigWithChip(int chip) {
    std::string text = shell.Config().Render();
    text.replace(text.find("\r\n") + 2, 4, "   " + std::to_string(chip));
    std::ofstream(shell.ConfigPath(), std::ios::binary) << text;
  }

  qx::test::TempDir dir{"qx_setup_shell"};
  std::string programDir = dir.Path().string() + "/";
  base::FakeClock clock;
  base::RecordingHost host;
  qx::test::FakeHid hid;
  qx::test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  app::ShellCommands shell{bench, programDir};
  MemoryTextSource files;
  test::FakeSetupPorts ports;
  SetupDialogModel setup{bench.target, bench.settings, bench.chip, host, files, ports, programDir};
};

TEST_F(SetupShellBindingTest, SettingsLoaderEndsByLoadingTheSavedChipOnTheQx740xLink) {
  WriteConfigWithChip(1);
  shell.StartupActivation();
  EXPECT_EQ(bench.target.ChipIndex, 1);
  EXPECT_EQ(bench.chip.ModelName, "7R402");
  EXPECT_EQ(setup.LastLoad().status, LoadResult::Status::Loaded);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x) << "the settings loader forces link 5";
  EXPECT_EQ(host.chipLoads, 1);
}

TEST_F(SetupShellBindingTest, UsbClientRestoresTheDialogReloadsAndNamesTheListEntry) {
  bench.target.ChipIndex = 0;
  bench.target.LinkKind = link::kLinkRs232;
  const auto titles = shell.UsbClient();
  EXPECT_EQ(bench.chip.ModelName, "QX7401");
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x);
  EXPECT_EQ(titles.back().Title, "Qx-740xTEST V1.4 ---- Now Chip is  QX7401  (16K)");
  EXPECT_EQ(host.chipLoads, 1);

  app::SetupShellBinding::Unbind(shell);
  EXPECT_FALSE(shell.restoreSetupAndReloadChip);
  EXPECT_FALSE(shell.Config().loadChipDescription);
  // Unbound, the titles come from the chip folder on disk, which holds no index here.
  EXPECT_EQ(shell.UsbClient().back().Title, "Qx-740xTEST V1.4 ---- Now Chip is  7T404 (16k)");
  EXPECT_EQ(host.chipLoads, 1);
}

TEST(SetupShellUnbound, TitlesComeFromTheChipIndexOnDisk) {
  qx::test::TempDir dir{"qx_setup_unbound"};
  std::filesystem::create_directories(dir.Path() / "INCLUDE");
  std::ofstream(dir.Path() / "INCLUDE" / "QxSel.INC", std::ios::binary)
      << "A.CHP QXA (4k)\r\nB.CHP QXB (8k)\r\n";
  base::FakeClock clock;
  base::RecordingHost host;
  qx::test::FakeHid hid;
  qx::test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  app::ShellCommands shell{bench, dir.Path().string() + "/"};
  bench.target.ChipIndex = 1;
  EXPECT_EQ(shell.UsbClient().back().Title, "Qx-740xTEST V1.4 ---- Now Chip is  QXB  (8K)");
  bench.target.ChipIndex = 2;
  EXPECT_EQ(shell.UsbClient().back().Title, "Qx-740xTEST V1.4 ---- Now Chip is  ");
}

}  // namespace
}  // namespace qx::chip
