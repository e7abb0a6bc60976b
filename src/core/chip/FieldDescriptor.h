#pragma once

#include <cstdint>

namespace qx::chip {

/// One register field of an analog block, as the chip description declares it.
struct FieldDescriptor {
  uint16_t address = 0;  ///< register that holds the field
  uint8_t width = 0;     ///< number of bits
  uint8_t lsb = 0;       ///< bit position of the lowest bit
  uint8_t value = 0;     ///< current setting, kept by the block panel
  bool present = false;  ///< the chip description declares this field

  uint8_t Mask() const {
    return static_cast<uint8_t>(width >= 8 ? 0xFFu : ((1u << width) - 1u) << lsb);
  }
  /// The field's value in a register byte.
  uint8_t Extract(uint8_t reg) const {
    if (lsb >= 8) return 0;
    return static_cast<uint8_t>((reg & Mask()) >> lsb);
  }
  /// `reg` with this field replaced by `v` (bits of `v` beyond the width are dropped).
  uint8_t Insert(uint8_t reg, uint8_t v) const {
    if (lsb >= 8) return reg;
    return static_cast<uint8_t>((reg & ~Mask()) | ((v << lsb) & Mask()));
  }
};

/// Address of an output register ("ADCO", "TSO").
struct OutputDescriptor {
  uint16_t address = 0;
  bool present = false;
};

}  // namespace qx::chip
