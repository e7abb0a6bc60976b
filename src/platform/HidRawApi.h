#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/HidRawDevice.h"

namespace qx::platform {

/// One entry of the HID enumeration.
struct HidEntry {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t releaseNumber = 0;
};

/// The HID library underneath `HidapiBackend`: enumeration and opening by path.
class HidRawApi {
 public:
  virtual ~HidRawApi() = default;
  virtual std::vector<HidEntry> Enumerate() = 0;
  /// nullptr when the device cannot be opened; `LastErrno` tells why.
  virtual std::unique_ptr<HidRawDevice> Open(const std::string& path) = 0;
  /// errno of the last failed call, 0 when unknown.
  virtual int LastErrno() const = 0;
};

}  // namespace qx::platform
