#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/SerialPort.h"
#include "platform/ParmrkDecoder.h"

namespace qx::platform {

/// A serial port over termios. The port runs raw and non-blocking; received bytes are pulled
/// into our own queue and unmarked there, so the queued count and the error mask describe the
/// data as the caller will read it.
class PosixSerialPort : public base::SerialPort {
 public:
  /// Bytes kept on our side; beyond this the rest waits in the kernel (and its flow control).
  static constexpr size_t kQueueLimit = 64 * 1024;
  static constexpr int kWriteTimeoutMs = 2000;

  /// Opens `path` exclusively (no second open in any process) in raw mode with the current
  /// speed. nullptr on failure; errno tells why.
  static std::unique_ptr<PosixSerialPort> OpenPath(const std::string& path);

  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool Configure(const base::LineSettings& settings) override;
  bool SetDtr(bool on) override;
  base::LineStatus Status() override;
  size_t Read(std::span<uint8_t> buffer) override;
  bool Write(std::span<const uint8_t> bytes) override;
  void DiscardInput() override;
  std::optional<base::LineSettings> CurrentSettings() override;

  const std::string& Path() const { return path_; }
  /// True when `baud` is one of the rates the terminal interface can set.
  static bool SupportsBaud(int32_t baud);

 private:
  struct Counters {
    int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  };

  PosixSerialPort(int fd, std::string path);
  void Pull();
  void SampleCounters();
  std::optional<Counters> ReadCounters() const;

  int fd_;
  std::string path_;
  std::vector<uint8_t> queue_;
  size_t head_ = 0;  ///< first unread byte of `queue_`
  ParmrkDecoder decoder_;
  uint32_t errors_ = 0;
  std::optional<Counters> counters_;  ///< last line counters, when the driver keeps them
};

}  // namespace qx::platform
