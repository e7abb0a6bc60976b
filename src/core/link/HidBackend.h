#pragma once

#include <cstdint>
#include <span>

#include "core/link/DeviceHandle.h"

namespace qx::link {

/// Attributes of a HID device as the enumeration reports them.
struct HidAttributes {
  uint16_t inputReportLength = 0;   ///< bytes, report ID included
  uint16_t outputReportLength = 0;  ///< bytes, report ID included
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

/// HID devices by index, as the bridge maker's HID library offers them. Reports are whole:
/// byte 0 is the report ID (0), then the data bytes, whatever the OS needs underneath.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  /// Handle of the device at `index` (0..127); `present` tells whether a device exists there.
  /// Returns an invalid handle when there is none or it cannot be opened.
  virtual DeviceHandle GetDevice(int index, bool& present) = 0;
  virtual bool GetAttributes(DeviceHandle h, HidAttributes& out) = 0;
  /// Sends one whole output report.
  virtual bool Write(DeviceHandle h, std::span<const uint8_t> report) = 0;
  /// Fills one whole input report. A read that gets nothing within one second fails.
  virtual bool Read(DeviceHandle h, std::span<uint8_t> report) = 0;
  virtual void Close(DeviceHandle h) = 0;
  /// OS error code of the last failed call, 0 when none.
  virtual int LastError() { return 0; }
};

}  // namespace qx::link
