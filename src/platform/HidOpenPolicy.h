#pragma once

#include <cstdint>

namespace qx::platform {

/// Which HID devices the scan may open. Opening a keyboard, a UPS or a security key only to
/// read its attributes can disturb it (and needs permissions the bench user should not have),
/// so everything but the bridge is judged from the enumeration alone.
class HidOpenPolicy {
 public:
  static constexpr uint16_t kBridgeVendor = 0x04D8;
  static constexpr uint16_t kBridgeProduct = 0x2008;
  /// Report ID byte plus 64 data bytes, both ways.
  static constexpr uint16_t kBridgeReportLength = 65;

  static constexpr bool ShouldOpen(uint16_t vendorId, uint16_t productId) {
    return vendorId == kBridgeVendor && productId == kBridgeProduct;
  }
};

}  // namespace qx::platform
