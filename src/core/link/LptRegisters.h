#pragma once

#include <cstdint>

namespace qx::link {

/// Byte access to the registers of a PC parallel port by absolute port address.
class LptRegisters {
 public:
  virtual ~LptRegisters() = default;
  virtual uint8_t Read(uint16_t port) = 0;
  virtual void Write(uint16_t port, uint8_t value) = 0;
};

}  // namespace qx::link
