#pragma once

#include <cstdint>
#include <span>

#include "core/link/LptRegisters.h"

namespace qx::link {

/// The link primitives as control and status bit sequences on the port registers: the bit
/// clock is control bit 3, the host's data bit control bit 0, the target's status bit 6, and
/// control bit 1 frames a transfer. The driverless mode runs them on the processor's port
/// instructions; the port drivers run the same sequences when they serve a request.
class LptSequences {
 public:
  /// Frame bit up with data and clock low, then the frame bit down: a transfer begins.
  static void Start(LptRegisters& io, uint16_t base);
  /// Frame bit up: the transfer ends.
  static void End(LptRegisters& io, uint16_t base);
  /// A delay of count + 1 data register reads.
  static void Pace(LptRegisters& io, uint16_t base, uint16_t count);
  /// Eight bits, most significant first, each on control bit 0 with one clock pulse.
  static void SendByte(LptRegisters& io, uint16_t base, uint8_t value);
  /// Eight bits, most significant first, each read from status bit 6 while the clock is high.
  static uint8_t ReceiveByte(LptRegisters& io, uint16_t base);

  /// Carries out one driver request on `io` as the port driver does. False for an unknown
  /// code or a request buffer too short for it.
  static bool Serve(LptRegisters& io, uint32_t code, std::span<const uint8_t> in,
                    std::span<uint8_t> out);
};

}  // namespace qx::link
