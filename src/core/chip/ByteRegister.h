#pragma once

#include <cstdint>
#include <string>

namespace qx::chip {

/// A register shown as one byte. Its name lives in the register view's byte grid.
struct ByteRegister {
  std::string description;  ///< at most 160 bytes, raw as in the chip file
  uint16_t address = 0;
  uint16_t value = 0;  ///< last masked value read by the register view
};

}  // namespace qx::chip
