#include "sim/SimSerialPtyServer.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

namespace qx::sim {

SimSerialPtyServer::SimSerialPtyServer(SimTarget& target) : target_(target), protocol_(target) {
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

SimSerialPtyServer::~SimSerialPtyServer() {
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

void SimSerialPtyServer::Run() {
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
    {
      std::lock_guard<std::mutex> lock(mutex_);
      protocol_.Feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), answer);
    }
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

void SimSerialPtyServer::SetFaults(const SimSerialFaults& faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  protocol_.Faults() = faults;
}

uint8_t SimSerialPtyServer::Memory(size_t address) {
  std::lock_guard<std::mutex> lock(mutex_);
  return target_.Memory(address);
}

void SimSerialPtyServer::SetMemory(size_t address, uint8_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  target_.SetMemory(address, value);
}

size_t SimSerialPtyServer::FramesHandled() {
  std::lock_guard<std::mutex> lock(mutex_);
  return protocol_.FramesHandled();
}

}  // namespace qx::sim
