// Installs this build tree into a temporary prefix, as a packager or `sudo cmake --install`
// would, and runs the installed qxctl from there with a home of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

struct ShellRun {
  int status = -1;
  std::string out;
};

/// Runs `command` through the shell; stdout is captured, stderr joins it.
ShellRun Shell(const std::string& command) {
  ShellRun r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    r.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ShellRun install = Shell(std::string(QX_CMAKE_COMMAND) + " --install " +
                                   Quoted(QX_BINARY_DIR) + " --prefix " + Quoted(prefix));
    ASSERT_EQ(install.status, 0) << install.out;
    fs::create_directories(home);
  }

  /// The installed qxctl with nothing but a home: no program folder from the environment.
  ShellRun Qxctl(const std::string& args, const std::string& extraEnv = "") {
    return Shell("env -u QX_PROGRAM_DIR -u XDG_DATA_HOME HOME=" + Quoted(home) + " " + extraEnv +
                 " " + Quoted(prefix / "bin/qxctl") + " " + args);
  }

  test::TempDir tmp{"install"};
  fs::path prefix = tmp.Path() / "prefix";
  fs::path home = tmp.Path() / "home";
  fs::path userDir = home / ".local/share/qx740x";
};

TEST_F(InstallTest, InstallsProgramsChipFilesRulesAndDesktopEntry) {
  EXPECT_TRUE(fs::is_regular_file(prefix / "bin/qxctl"));
  if (fs::exists(fs::path(QX_BINARY_DIR) / "bin/qxpanel")) {
    EXPECT_TRUE(fs::is_regular_file(prefix / "bin/qxpanel"));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/applications/qx740x.desktop"));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/icons/hicolor/scalable/apps/qx740x.svg"));
    EXPECT_NE(Read(prefix / "share/applications/qx740x.desktop").find("\nExec=qxpanel\n"),
              std::string::npos);
  }
  EXPECT_EQ(Read(prefix / "share/qx740x/INCLUDE/QxSel.INC"),
            Read(fs::path(QX_SOURCE_DIR) / "INCLUDE/QxSel.INC"));
  EXPECT_EQ(Read(prefix / "lib/udev/rules.d/60-qx740x.rules"),
            Read(fs::path(QX_SOURCE_DIR) / "udev/60-qx740x.rules"));
}

TEST_F(InstallTest, InstalledQxctlRunsInAPerUserFolder) {
  const ShellRun version = Qxctl("--version");
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_EQ(version.out, "qxctl 1.4 (Qx-740xTEST V1.4)\n");

  const ShellRun scan = Qxctl("--simulate scan");
  EXPECT_EQ(scan.status, 0) << scan.out;
  EXPECT_EQ(scan.out, "USB On Line\nQXBRIDGE\n");
  // The chip files came along into the per-user folder, and the chip list reads them there.
  EXPECT_EQ(Read(userDir / "INCLUDE/QxSel.INC"),
            Read(fs::path(QX_SOURCE_DIR) / "INCLUDE/QxSel.INC"));
  const ShellRun dump = Qxctl("chip-dump --chip 0");
  EXPECT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("QX7401"), std::string::npos) << dump.out;
  EXPECT_FALSE(fs::exists(prefix / "bin/INCLUDE"));
}

TEST_F(InstallTest, XdgDataHomeAndDirChooseAnotherFolder) {
  const fs::path xdg = tmp.Path() / "xdg";
  const ShellRun scan = Qxctl("--simulate scan", "XDG_DATA_HOME=" + Quoted(xdg));
  EXPECT_EQ(scan.status, 0) << scan.out;
  EXPECT_TRUE(fs::is_regular_file(xdg / "qx740x/INCLUDE/QxSel.INC"));
  EXPECT_FALSE(fs::exists(userDir));

  // --dir wins: a folder without chip files is used as it is, nothing is copied anywhere.
  const fs::path bench = tmp.Path() / "bench";
  fs::create_directories(bench);
  const ShellRun dir = Qxctl("--dir " + Quoted(bench) + " --simulate scan");
  EXPECT_EQ(dir.status, 0) << dir.out;
  EXPECT_FALSE(fs::exists(bench / "INCLUDE"));
  EXPECT_FALSE(fs::exists(userDir));
}

}  // namespace
}  // namespace qx
