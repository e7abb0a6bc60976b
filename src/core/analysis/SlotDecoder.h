#pragma once

#include <cstdint>

namespace qx::analysis {

/// A stream slot turned into a sample: the signed value kept for re-averaging and the display
/// code shown in the grid.
struct DecodedSlot {
  int32_t raw = 0;
  int32_t code = 0;
};

/// Capture modes of the bridge's stream.
inline constexpr uint8_t kModeAdc = 1;
inline constexpr uint8_t kModeTemperature = 2;
inline constexpr uint8_t kModeInterrupt = 3;

/// How a 3-byte stream slot (high, middle, low in `slot`'s low 24 bits) reads as a sample.
/// Mode 2 carries a 16-bit word in the two high bytes. Negative 24-bit values are halved
/// (towards minus infinity) unless `fullWidth`; positive ones are halved with `halving`. The
/// code is the value divided by `divisor` with the magnitude truncated.
DecodedSlot DecodeSlot(uint32_t slot, uint8_t mode, bool halving, bool fullWidth, int divisor);

}  // namespace qx::analysis
