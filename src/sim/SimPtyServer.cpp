#include "sim/SimPtyServer.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <vector>

namespace qx::sim {

SimPtyServer::SimPtyServer(SimByteProtocol& protocol) : protocol_(protocol) {
  std::array<char, 256> name{};
  if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0) return;
  termios tio{};
  if (tcgetattr(slave_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
  }
  std::array<int, 2> wake{};
  if (pipe(wake.data()) != 0) return;
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  slavePath_ = name.data();
  ok_ = true;
  thread_ = std::thread([this] { Run(); });
}

SimPtyServer::~SimPtyServer() {
  stop_ = true;
  if (wakeWrite_ >= 0) {
    const uint8_t b = 1;
    [[maybe_unused]] const ssize_t n = write(wakeWrite_, &b, 1);
  }
  if (thread_.joinable()) thread_.join();
  for (const int fd : {master_, slave_, wakeRead_, wakeWrite_}) {
    if (fd >= 0) close(fd);
  }
}

void SimPtyServer::Access(const std::function<void()>& action) {
  std::lock_guard<std::mutex> lock(mutex_);
  action();
}

bool SimPtyServer::Pause(double ms) {
  // Waiting on the wake pipe, so the destructor never waits out a long reply delay.
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::microseconds(static_cast<int64_t>(std::ceil(ms * 1000)));
  while (!stop_) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    pollfd wake{wakeRead_, POLLIN, 0};
    poll(&wake, 1, static_cast<int>(left.count()));
  }
  return false;
}

void SimPtyServer::Run() {
  std::array<uint8_t, 512> buffer{};
  std::vector<uint8_t> answer;
  while (!stop_) {
    std::array<pollfd, 2> fds{pollfd{master_, POLLIN, 0}, pollfd{wakeRead_, POLLIN, 0}};
    const int ready = poll(fds.data(), fds.size(), 200);
    if (ready < 0 && errno != EINTR) break;
    if (stop_) break;
    if (ready <= 0 || (fds[0].revents & POLLIN) == 0) continue;
    const ssize_t n = read(master_, buffer.data(), buffer.size());
    if (n <= 0) continue;
    answer.clear();
    double delayMs = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      protocol_.Feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), answer);
      delayMs = protocol_.ReplyDelayMs();
    }
    if (answer.empty()) continue;
    if (delayMs > 0 && !Pause(delayMs)) break;
    size_t done = 0;
    while (done < answer.size() && !stop_) {
      const ssize_t w = write(master_, answer.data() + done, answer.size() - done);
      if (w < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        break;
      }
      done += static_cast<size_t>(w);
    }
  }
}

}  // namespace qx::sim
