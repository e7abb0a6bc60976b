#pragma once

#include <cstdint>
#include <string>

#include "sim/SimPtyServer.h"
#include "sim/SimSerialProtocol.h"

namespace qx::sim {

/// The serial bridge microcontroller on a pseudo-terminal, so the real serial backend can talk
/// to it. While the server runs it owns the target: reach the memory through Memory/SetMemory,
/// which take the server's lock.
class SimSerialPtyServer {
 public:
  /// Opens the pseudo-terminal and starts answering. Ok() tells whether that worked.
  explicit SimSerialPtyServer(SimTarget& target) : target_(target), firmware_(target) {}
  SimSerialPtyServer(const SimSerialPtyServer&) = delete;
  SimSerialPtyServer& operator=(const SimSerialPtyServer&) = delete;

  bool Ok() const { return server_.Ok(); }
  /// Path of the slave side, for example "/dev/pts/5"; empty when the open failed.
  const std::string& SlavePath() const { return server_.SlavePath(); }

  void SetFaults(const SimSerialFaults& faults);
  uint8_t Memory(size_t address);
  void SetMemory(size_t address, uint8_t value);
  size_t FramesHandled();

 private:
  /// The bridge firmware seen as a byte protocol.
  class Firmware final : public SimByteProtocol {
   public:
    explicit Firmware(SimTarget& target) : protocol(target) {}
    void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override {
      protocol.Feed(in, out);
    }
    SimSerialProtocol protocol;
  };

  SimTarget& target_;
  Firmware firmware_;
  SimPtyServer server_{firmware_};  ///< last: its thread stops before the firmware goes
};

}  // namespace qx::sim
