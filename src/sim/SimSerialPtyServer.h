#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimSerialProtocol.h"

namespace qx::sim {

/// The serial bridge microcontroller on a pseudo-terminal, so the real serial backend can talk
/// to it: a background thread answers whatever arrives on the master side. The slave side is
/// raw (no echo, no line editing). While the server runs it owns the target: reach the memory
/// through Memory/SetMemory, which take the server's lock.
class SimSerialPtyServer {
 public:
  /// Opens the pseudo-terminal and starts answering. Ok() tells whether that worked.
  explicit SimSerialPtyServer(SimTarget& target);
  /// Stops the thread and closes both sides.
  ~SimSerialPtyServer();
  SimSerialPtyServer(const SimSerialPtyServer&) = delete;
  SimSerialPtyServer& operator=(const SimSerialPtyServer&) = delete;

  bool Ok() const { return ok_; }
  /// Path of the slave side, for example "/dev/pts/5"; empty when the open failed.
  const std::string& SlavePath() const { return slavePath_; }

  void SetFaults(const SimSerialFaults& faults);
  uint8_t Memory(size_t address);
  void SetMemory(size_t address, uint8_t value);
  size_t FramesHandled();

 private:
  void Run();

  SimTarget& target_;
  SimSerialProtocol protocol_;
  std::mutex mutex_;  ///< guards protocol_ and target_
  int master_ = -1;
  int slave_ = -1;  ///< kept open so the master keeps working while no client is attached
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace qx::sim
