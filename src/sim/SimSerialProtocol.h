#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/SimSerialFaults.h"
#include "sim/SimTarget.h"

namespace qx::sim {

/// Firmware of the serial bridge microcontroller: 55 is answered with AA; "C0 lo hi cnt" with
/// cnt bytes of target memory; "40 lo hi cnt data..." writes the memory and is answered with AA.
/// Bytes may arrive in any pieces; a frame is acted on once it is complete. Bytes that start no
/// frame are ignored, as the microcontroller does with line noise.
class SimSerialProtocol {
 public:
  static constexpr uint8_t kSync = 0x55;
  static constexpr uint8_t kAck = 0xAA;
  static constexpr uint8_t kRead = 0xC0;
  static constexpr uint8_t kWrite = 0x40;

  explicit SimSerialProtocol(SimTarget& target) : target_(target) {}

  /// Takes received bytes; appends every answer byte to `out`.
  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out);

  SimSerialFaults& Faults() { return faults_; }
  /// Frames handled so far (sync bytes included), for tests.
  size_t FramesHandled() const { return frames_; }

 private:
  void Complete(std::vector<uint8_t>& out);

  SimTarget& target_;
  SimSerialFaults faults_;
  std::vector<uint8_t> frame_;
  size_t frames_ = 0;
};

}  // namespace qx::sim
