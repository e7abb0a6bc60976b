#pragma once

#include <cstdint>
#include <string>

namespace qx::chip {

/// A 16-bit register made of two byte addresses. Its name lives in the register view's word grid.
struct WordRegister {
  std::string description;  ///< at most 160 bytes, raw as in the chip file
  uint16_t first = 0;       ///< address of the high byte
  uint16_t second = 0;      ///< address of the low byte
  uint16_t value = 0;       ///< masked first byte x 256 + masked second byte, as last read
};

}  // namespace qx::chip
