#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "core/app/ConfigFile.h"
#include "sim/SimBoard.h"
#include "support/TempDir.h"

namespace qx::cli {
namespace {

std::filesystem::path ShippedChipFolder() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE")
      .lexically_normal();
}

class SetupChipLoadTest : public ::testing::Test {
 protected:
  std::unique_ptr<CliSession> Session() {
    std::string error;
    const auto options =
        ParseCommandLine({"--simulate", "--dir", dir.Path().string(), "scan"}, error);
    EXPECT_TRUE(options) << error;
    return std::make_unique<CliSession>(*options, trace);
  }
  void SaveChipIndex(uint16_t index) {
    link::TargetRecord t;
    base::Settings s;
    t.ChipIndex = index;
    std::ofstream(dir.Path() / "QxADC.cfg", std::ios::binary) << app::ConfigFile(t, s).Render();
  }

  qx::test::TempDir dir{"qx_setup_cli"};
  std::ostringstream trace;
};

TEST_F(SetupChipLoadTest, QxctlSimulatesTheChipOfTheSavedSettings) {
  std::filesystem::copy(ShippedChipFolder(), dir.Path() / "INCLUDE");
  {
    auto session = Session();
    EXPECT_EQ(session->Bench().chip.ModelName, "QX7401") << "chip 0 without settings";
    EXPECT_TRUE(session->Board()->Target().HasField("OSR"));
    EXPECT_EQ(session->Board()->Target().PgaGain()[7], 128);
    EXPECT_EQ(session->Bench().target.LinkKind, link::kLinkQx740x);
  }
  SaveChipIndex(3);  // the 7R402 part: the command line's link kind still holds
  {
    auto session = Session();
    EXPECT_EQ(session->Bench().target.ChipIndex, 3);
    EXPECT_EQ(session->Bench().chip.ModelName, "7R402");
    EXPECT_EQ(session->Bench().target.LinkKind, link::kLinkQx740x);
    EXPECT_FALSE(session->Board()->Target().HasField("OSR"));
    EXPECT_EQ(session->Board()->Target().PgaGain()[7], 1);
  }
}

TEST_F(SetupChipLoadTest, WithoutChipFilesTheSessionStillStarts) {
  SaveChipIndex(2);
  auto session = Session();
  EXPECT_TRUE(session->Bench().chip.ModelName.empty());
  EXPECT_TRUE(session->Host().errors.empty());
  EXPECT_FALSE(session->Board()->Target().HasField("PGA"));
}

}  // namespace
}  // namespace qx::cli
