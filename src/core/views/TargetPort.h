#pragma once

#include <cstdint>

namespace qx::views {

/// How the views reach the target: bytes come from the register image, changes go through the
/// link's write with read-back.
class TargetPort {
 public:
  virtual ~TargetPort() = default;
  /// The image byte at `address`; 0 outside 0..1023.
  virtual uint8_t Get(int address) const = 0;
  /// Writes one byte to the target; the read-back lands in the image and refreshes the views.
  virtual void Write(uint16_t address, uint8_t value) = 0;
  /// Stores a byte in the image only (the target is not written) and refreshes the views.
  virtual void Store(int address, uint8_t value) = 0;
};

}  // namespace qx::views
