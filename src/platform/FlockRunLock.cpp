#include "platform/FlockRunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/autotest/RunJournal.h"

namespace qx::platform {

namespace {

/// The holder's line as the lock file keeps it: "program PID since".
std::string ReadHolder(int fd) {
  std::string text;
  char buffer[256];
  ssize_t n = 0;
  off_t at = 0;
  while (text.size() < 1024 && (n = pread(fd, buffer, sizeof buffer, at)) > 0) {
    text.append(buffer, static_cast<size_t>(n));
    at += n;
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
  return text;
}

std::string HolderText(const std::string& line) {
  // "qxctl 1234 2024-05-01 08:00:00"
  const auto first = line.find(' ');
  const auto second = first == std::string::npos ? first : line.find(' ', first + 1);
  if (second == std::string::npos) return "another run (its holder did not say who)";
  return line.substr(0, first) + " (PID " + line.substr(first + 1, second - first - 1) +
         ") since " + line.substr(second + 1);
}

}  // namespace

FlockRunLock::~FlockRunLock() {
  if (fd_ >= 0) close(fd_);  // drops the lock
}

bool FlockRunLock::TryLock(const std::string& program, std::string& refusal) {
  if (fd_ >= 0) return true;
  const int fd = open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    refusal = "the run lock " + file_.string() + " cannot be opened: " + std::strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    refusal = error == EWOULDBLOCK
                  ? "another temperature run holds this folder: " + HolderText(ReadHolder(fd))
                  : "the run lock " + file_.string() + " cannot be taken: " + std::strerror(error);
    close(fd);
    return false;
  }
  const std::string line = program + " " + std::to_string(getpid()) + " " +
                           autotest::LocalTimeText(std::chrono::system_clock::now()) + "\n";
  // The holder line is for the refusal's message only; the lock holds without it.
  if (ftruncate(fd, 0) == 0 &&
      pwrite(fd, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
    // A half-written line would misname the holder; if even emptying fails, the lock holds.
    [[maybe_unused]] const int emptied = ftruncate(fd, 0);
  }
  fd_ = fd;
  return true;
}

}  // namespace qx::platform
