#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimByteProtocol.h"

namespace qx::sim {

/// Serves a byte protocol on a pseudo-terminal, so the real serial backend can talk to a
/// simulated device: a background thread feeds whatever arrives on the master side to the
/// protocol and writes the answer back, after the protocol's reply delay in real time. The slave
/// side is raw (no echo, no line editing). While the server runs it owns the protocol: touch the
/// device only inside Access, which holds the server's lock.
class SimPtyServer {
 public:
  /// Opens the pseudo-terminal and starts answering. Ok() tells whether that worked.
  explicit SimPtyServer(SimByteProtocol& protocol);
  /// Stops the thread (at once, even within a reply delay) and closes both sides.
  ~SimPtyServer();
  SimPtyServer(const SimPtyServer&) = delete;
  SimPtyServer& operator=(const SimPtyServer&) = delete;

  bool Ok() const { return ok_; }
  /// Path of the slave side, for example "/dev/pts/5"; empty when the open failed.
  const std::string& SlavePath() const { return slavePath_; }

  /// Runs `action` while no request is being answered.
  void Access(const std::function<void()>& action);

 private:
  void Run();
  /// Sleeps for `ms` of real time unless the server is stopped; false when it was.
  bool Pause(double ms);

  SimByteProtocol& protocol_;
  std::mutex mutex_;  ///< guards protocol_
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
