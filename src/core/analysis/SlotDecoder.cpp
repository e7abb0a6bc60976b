#include "core/analysis/SlotDecoder.h"

namespace qx::analysis {

DecodedSlot DecodeSlot(uint32_t slot, uint8_t mode, bool halving, bool fullWidth, int divisor) {
  const int32_t d = divisor > 0 ? divisor : 1;
  const uint32_t bits = mode == kModeTemperature ? (slot >> 8) & 0xFFFFu : slot & 0xFFFFFFu;
  DecodedSlot out;
  if (bits >= 0x800000u) {
    if (fullWidth) {
      out.raw = static_cast<int32_t>(bits) - 0x1000000;
    } else {
      out.raw = static_cast<int32_t>((bits >> 1) | 0xFF800000u);
    }
    out.code = -((-out.raw) / d);
  } else {
    out.raw = static_cast<int32_t>(halving ? bits >> 1 : bits);
    out.code = out.raw / d;
  }
  return out;
}

}  // namespace qx::analysis
