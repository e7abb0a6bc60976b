#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx::platform {

/// One opened HID device as the hidapi calls see it: writes carry the report ID in byte 0,
/// reads deliver the data bytes only (no report ID for unnumbered reports). Closed on destruction.
class HidRawDevice {
 public:
  virtual ~HidRawDevice() = default;
  /// Bytes written, or -errno on error.
  virtual int Write(std::span<const uint8_t> data) = 0;
  /// Bytes read, 0 when nothing arrived within `timeoutMs`, -errno on error.
  virtual int Read(std::span<uint8_t> data, int timeoutMs) = 0;
};

}  // namespace qx::platform
