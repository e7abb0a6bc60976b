#include "platform/CrashSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace qx::platform {

namespace {

const app::CrashReport* g_report = nullptr;
std::array<char, 4096> g_path{};
constexpr std::array kSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
alignas(16) std::array<char, 64 * 1024> g_stack{};

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<size_t>(n);
  }
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV (invalid memory access)";
    case SIGBUS:
      return "SIGBUS (bus error)";
    case SIGFPE:
      return "SIGFPE (arithmetic error)";
    case SIGILL:
      return "SIGILL (illegal instruction)";
    case SIGABRT:
      return "SIGABRT (aborted)";
    default:
      return "a fatal signal";
  }
}

// Only async-signal-safe calls: open, write, close, signal, raise.
void OnFatalSignal(int signal) {
  if (g_report && g_path[0]) {
    const int fd = ::open(g_path.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      const char* head = "ended by: ";
      WriteAll(fd, head, std::strlen(head));
      const char* name = SignalName(signal);
      WriteAll(fd, name, std::strlen(name));
      WriteAll(fd, "\n", 1);
      WriteAll(fd, g_report->Text(), g_report->Size());
      ::close(fd);
    }
    const char* note = "qxpanel: ended abnormally; a report is in ";
    WriteAll(STDERR_FILENO, note, std::strlen(note));
    WriteAll(STDERR_FILENO, g_path.data(), std::strlen(g_path.data()));
    WriteAll(STDERR_FILENO, "\n", 1);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void CrashSignals::Install(const app::CrashReport& report, const std::string& path) {
  g_report = &report;
  const size_t n = std::min(path.size(), g_path.size() - 1);
  std::memcpy(g_path.data(), path.data(), n);
  g_path[n] = '\0';
  // An overflowed stack still reaches the handler on a stack of its own.
  stack_t alternate{};
  alternate.ss_sp = g_stack.data();
  alternate.ss_size = g_stack.size();
  ::sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int s : kSignals) ::sigaction(s, &action, nullptr);
}

void CrashSignals::WriteNow(const std::string& cause) {
  if (!g_report || !g_path[0]) return;
  const std::string text = g_report->WithCause(cause);
  const int fd = ::open(g_path.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  WriteAll(fd, text.data(), text.size());
  ::close(fd);
}

std::string CrashSignals::TakePrevious(const std::string& path, const std::string& seenPath,
                                       std::string& problem) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::filesystem::rename(path, seenPath, ec);
  if (ec) {
    // Left where it is: the next start says so again, which beats forgetting it.
    problem = "cannot move " + path + " to " + seenPath + ": " + ec.message();
    return path;
  }
  return seenPath;
}

}  // namespace qx::platform
