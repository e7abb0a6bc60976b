#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qx::chip {

/// One bit of a bit register. A name of "-" marks a bit the chip does not implement.
struct BitEntry {
  std::string name;         ///< at most 15 characters
  std::string description;  ///< at most 250 bytes, raw as in the chip file
};

/// A register shown bit by bit in the register view.
struct BitRegister {
  std::string name;         ///< at most 15 characters
  std::string description;  ///< at most 160 bytes, raw as in the chip file
  uint16_t address = 0;
  std::array<BitEntry, 8> bit{};  ///< bit[0] describes bit 7, bit[7] describes bit 0
  uint16_t value = 0;             ///< last masked value read by the register view
};

}  // namespace qx::chip
