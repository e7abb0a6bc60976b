#pragma once

#include <cstdint>

#include "sim/SimLptFaults.h"
#include "sim/SimTarget.h"

namespace qx::sim {

/// The target's serial interface as it sits behind the parallel port, bit by bit. It watches
/// the port's control register (bit 1 low frames a transfer, bit 3 is the clock, bit 0 the
/// host's data) and drives status bit 6. A frame is C0 (read) or 40 (write), address low,
/// address high, then data bytes, most significant bit first; a read streams memory from the
/// address for as long as the host clocks. Other command bytes are ignored to the frame's end.
class SimLptTarget {
 public:
  explicit SimLptTarget(SimTarget& target) : target_(target) {}

  SimLptFaults& Faults() { return faults_; }
  /// Sees every value written to the control register.
  void ControlWritten(uint8_t control);
  /// The level the target drives on status bit 6.
  bool DataLine() const;

  int Frames() const { return frames_; }            ///< transfers begun
  int ReadFrames() const { return readFrames_; }    ///< C0 frames decoded
  int WriteFrames() const { return writeFrames_; }  ///< 40 frames decoded

 private:
  enum class Phase { Idle, Command, AddressLow, AddressHigh, ReadData, WriteData, Ignore };
  void Clock(bool hostBit);
  void ByteReceived(uint8_t value);

  SimTarget& target_;
  SimLptFaults faults_;
  uint8_t control_ = 0x02;  ///< frame bit up: no transfer
  Phase phase_ = Phase::Idle;
  int clocks_ = 0;  ///< clock pulses in this frame
  int bits_ = 0;    ///< bits of the current byte
  uint8_t shift_ = 0;
  uint16_t address_ = 0;
  bool readNext_ = false;  ///< the command was a read
  bool out_ = true;        ///< the line idles high
  int frames_ = 0;
  int readFrames_ = 0;
  int writeFrames_ = 0;
};

}  // namespace qx::sim
