// qxpanel killed by a fatal signal leaves a report of what it was doing in its program folder,
// and the next start says that the last session ended abnormally and where the report is.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/TempDir.h"

// Built only where the panel is (QX_HAVE_PANEL): it starts the real program.
#ifdef QX_HAVE_PANEL

namespace qx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// True once the process has a handler of its own for `signal` (the SigCgt mask of /proc).
bool Catches(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (signal - 1)) & 1ULL;
  }
  return false;
}

/// qxpanel on the simulated board, headless, its stderr into a file.
class PanelProcess {
 public:
  PanelProcess(const fs::path& dir, const fs::path& errFile) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(err, STDERR_FILENO);
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      const std::string program = std::string(QX_BINARY_DIR) + "/bin/qxpanel";
      const std::string dirArg = dir.string();
      ::execl(program.c_str(), program.c_str(), "--simulate", "--dir", dirArg.c_str(), nullptr);
      ::_exit(127);
    }
  }
  ~PanelProcess() {
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  /// Waits until the fatal-signal handler is in place and the window has had time to show.
  /// Until exec the child is a copy of this test, whose own handlers (a sanitizer's) would
  /// pass for the panel's; and a sanitizer's runtime in the panel catches SIGSEGV before main,
  /// but not SIGABRT, which only the panel's handler takes.
  bool Ready() {
    const auto installed = [this] {
      return IsPanel() && Catches(pid_, SIGSEGV) && Catches(pid_, SIGABRT);
    };
    for (int i = 0; i < 600 && !installed(); ++i) std::this_thread::sleep_for(50ms);
    if (!installed()) return false;
    std::this_thread::sleep_for(3s);
    return true;
  }

  bool IsPanel() const {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid_) + "/exe", ec);
    return !ec && exe.filename() == "qxpanel";
  }

  int KillWith(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    waited_ = true;
    return status;
  }

 private:
  pid_t pid_ = -1;
  bool waited_ = false;
};

TEST(PanelCrashReportTest, AFatalSignalLeavesAReportThatTheNextStartNames) {
  ASSERT_TRUE(fs::exists(fs::path(QX_BINARY_DIR) / "bin/qxpanel"));
  test::TempDir dir("qx_crash");
  fs::copy(fs::path(QX_SOURCE_DIR) / "INCLUDE", dir.Path() / "INCLUDE");
  const fs::path report = dir.Path() / "qxpanel-crash.txt";
  const fs::path seen = dir.Path() / "qxpanel-crash.last.txt";

  {
    PanelProcess panel(dir.Path(), dir.Path() / "err1.txt");
    ASSERT_TRUE(panel.Ready()) << Read(dir.Path() / "err1.txt");
    const int status = panel.KillWith(SIGSEGV);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the signal still ends the process";
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  }
  const std::string text = Read(report);
  EXPECT_EQ(text.rfind("ended by: SIGSEGV (invalid memory access)\nqxpanel 1", 0), 0u) << text;
  EXPECT_NE(text.find("\nchip: QX7401\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nlink: QX740x, USB bridge "), std::string::npos) << text;
  EXPECT_NE(text.find("\nlast commands, oldest first:\n"), std::string::npos) << text;
  EXPECT_NE(Read(dir.Path() / "err1.txt").find("a report is in " + report.string()),
            std::string::npos);

  {
    PanelProcess panel(dir.Path(), dir.Path() / "err2.txt");
    ASSERT_TRUE(panel.Ready());
    panel.KillWith(SIGTERM);
  }
  EXPECT_NE(
      Read(dir.Path() / "err2.txt")
          .find("The last session ended abnormally; what it was doing is in " + seen.string()),
      std::string::npos)
      << Read(dir.Path() / "err2.txt");
  EXPECT_FALSE(fs::exists(report)) << "moved aside, so the next start does not say it again";
  EXPECT_EQ(Read(seen), text);
}

}  // namespace
}  // namespace qx

#endif  // QX_HAVE_PANEL
