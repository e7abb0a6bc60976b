#include "core/app/InstalledCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TempDir.h"

namespace qx::app {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// An install under <tmp>/usr: bin/ and share/qx740x/INCLUDE with two chip files, and a home.
class InstalledCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(bin);
    Write(data / "INCLUDE/QxSel.INC", "QX7401.CHP    QX7401  (16k)\r\n");
    Write(data / "INCLUDE/QX7401.CHP", "#PRODUCT\r\nQX7401\r\n");
    fs::create_directories(home);
  }

  test::TempDir tmp{"installed_copy"};
  fs::path bin = tmp.Path() / "usr/bin";
  fs::path data = tmp.Path() / "usr/share/qx740x";
  fs::path home = tmp.Path() / "home";
  std::string userDir = (home / ".local/share/qx740x").string() + "/";
};

TEST_F(InstalledCopyTest, AnInstallIsItsBinFolderBesideTheDataFolder) {
  EXPECT_EQ(InstalledCopy::DataFolder(bin.string()), data.string() + "/");
  EXPECT_EQ(InstalledCopy::DataFolder(bin.string() + "/"), data.string() + "/");
  // A build tree keeps INCLUDE beside the executables: it is not an install.
  fs::create_directories(bin / "INCLUDE");
  EXPECT_EQ(InstalledCopy::DataFolder(bin.string()), "");
  fs::remove(bin / "INCLUDE");
  // Without the chip index the data folder is not the program's.
  fs::remove(data / "INCLUDE/QxSel.INC");
  EXPECT_EQ(InstalledCopy::DataFolder(bin.string()), "");
  EXPECT_EQ(InstalledCopy::DataFolder(""), "");
}

TEST_F(InstalledCopyTest, UserFolderFollowsXdgDataHomeThenHome) {
  EXPECT_EQ(InstalledCopy::UserFolder("/x/data", "/home/u"), "/x/data/qx740x/");
  // A relative XDG_DATA_HOME is invalid and ignored, as is an empty one.
  EXPECT_EQ(InstalledCopy::UserFolder("rel/data", "/home/u"), "/home/u/.local/share/qx740x/");
  EXPECT_EQ(InstalledCopy::UserFolder("", "/home/u"), "/home/u/.local/share/qx740x/");
  EXPECT_EQ(InstalledCopy::UserFolder(nullptr, "/home/u"), "/home/u/.local/share/qx740x/");
  EXPECT_EQ(InstalledCopy::UserFolder(nullptr, ""), "");
  EXPECT_EQ(InstalledCopy::UserFolder(nullptr, nullptr), "");
}

TEST_F(InstalledCopyTest, InstalledCopyWorksInThePreparedUserFolder) {
  const auto choice =
      InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, bin.string(), nullptr, home.c_str());
  EXPECT_EQ(choice.programDir, userDir);
  EXPECT_EQ(choice.problem, "");
  EXPECT_EQ(Read(userDir + "INCLUDE/QxSel.INC"), "QX7401.CHP    QX7401  (16k)\r\n");
  EXPECT_EQ(Read(userDir + "INCLUDE/QX7401.CHP"), "#PRODUCT\r\nQX7401\r\n");
}

TEST_F(InstalledCopyTest, DirOptionThenEnvironmentOverrideTheUserFolder) {
  const std::string h = home.string();
  EXPECT_EQ(InstalledCopy::ChooseProgramDir("/opt/a", "/env", bin.string(), nullptr, h.c_str())
                .programDir,
            "/opt/a/");
  EXPECT_EQ(InstalledCopy::ChooseProgramDir(std::nullopt, "/env", bin.string(), nullptr, h.c_str())
                .programDir,
            "/env/");
  EXPECT_EQ(InstalledCopy::ChooseProgramDir(std::string(), "", bin.string(), nullptr, h.c_str())
                .programDir,
            userDir);
  // Overridden, the user folder is not even created.
  fs::remove_all(home / ".local");
  InstalledCopy::ChooseProgramDir("/opt/a", nullptr, bin.string(), nullptr, h.c_str());
  EXPECT_FALSE(fs::exists(home / ".local"));
}

TEST_F(InstalledCopyTest, ACopyThatIsNotInstalledWorksBesideItsExecutables) {
  const fs::path build = tmp.Path() / "build/bin";
  Write(build / "INCLUDE/QxSel.INC", "x");
  const std::string h = home.string();
  const auto choice =
      InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, build.string(), nullptr, h.c_str());
  EXPECT_EQ(choice.programDir, build.string() + "/");
  EXPECT_FALSE(fs::exists(home / ".local"));
}

TEST_F(InstalledCopyTest, ChipFilesTheUserChangedOrAddedStayAndOlderOnesAreRenewed) {
  ASSERT_EQ(InstalledCopy::Prepare(data.string() + "/", userDir), "");
  const fs::path index = userDir + "INCLUDE/QxSel.INC";
  const fs::path chip = userDir + "INCLUDE/QX7401.CHP";
  const auto now = fs::last_write_time(data / "INCLUDE/QxSel.INC");
  // The user edited the index after the install, and has an older chip file.
  Write(index, "MINE.CHP  MINE\r\n");
  fs::last_write_time(index, now + std::chrono::hours(1));
  Write(chip, "old");
  fs::last_write_time(chip, now - std::chrono::hours(1));
  Write(userDir + "INCLUDE/MINE.CHP", "#PRODUCT\r\nMINE\r\n");

  ASSERT_EQ(InstalledCopy::Prepare(data.string() + "/", userDir), "");
  EXPECT_EQ(Read(index), "MINE.CHP  MINE\r\n");
  EXPECT_EQ(Read(chip), "#PRODUCT\r\nQX7401\r\n");
  EXPECT_EQ(Read(userDir + "INCLUDE/MINE.CHP"), "#PRODUCT\r\nMINE\r\n");
}

TEST_F(InstalledCopyTest, WhatCannotBePreparedIsSaid) {
  // A file where the user folder should be.
  Write(home / ".local/share/qx740x", "in the way");
  const std::string h = home.string();
  const auto blocked =
      InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, bin.string(), nullptr, h.c_str());
  EXPECT_EQ(blocked.programDir, userDir);
  EXPECT_EQ(blocked.problem.rfind("cannot create " + userDir + "INCLUDE/", 0), 0u)
      << blocked.problem;

  // No home at all: the chip files are still read from the install, and that is said.
  const auto homeless =
      InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, bin.string(), nullptr, nullptr);
  EXPECT_EQ(homeless.programDir, data.string() + "/");
  EXPECT_NE(homeless.problem.find("give --dir"), std::string::npos) << homeless.problem;

  // A home that does not exist (a system user's /nonexistent) is never created.
  const std::string gone = (tmp.Path() / "nonexistent").string();
  const auto absent =
      InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, bin.string(), nullptr, gone.c_str());
  EXPECT_EQ(absent.programDir, data.string() + "/");
  EXPECT_NE(absent.problem.find("give --dir, QX_PROGRAM_DIR or XDG_DATA_HOME"), std::string::npos)
      << absent.problem;
  EXPECT_FALSE(fs::exists(gone));
  // XDG_DATA_HOME set by the user is used, its folders made.
  const std::string xdg = (tmp.Path() / "xdg").string();
  const auto chosen = InstalledCopy::ChooseProgramDir(std::nullopt, nullptr, bin.string(),
                                                      xdg.c_str(), gone.c_str());
  EXPECT_EQ(chosen.problem, "");
  EXPECT_TRUE(fs::exists(fs::path(xdg) / "qx740x/INCLUDE/QxSel.INC"));
  EXPECT_FALSE(fs::exists(gone));
}

}  // namespace
}  // namespace qx::app
