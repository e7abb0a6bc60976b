#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/link/DeviceHandle.h"

namespace qx::link {

/// Request codes of the bridge's bulk driver and their buffer sizes.
namespace bulk {
inline constexpr uint32_t kGetDeviceDescriptor = 0x222004;  ///< in/out: 148-byte buffer
inline constexpr uint32_t kGetPipeInfo = 0x222000;          ///< out: 356-byte interface block
inline constexpr uint32_t kBulkWrite = 0x222051;  ///< in: pipe number (4 bytes); out: data sent
inline constexpr uint32_t kBulkRead = 0x22204E;   ///< in: pipe number (4 bytes); out: data read
inline constexpr size_t kDescriptorSize = 148;
inline constexpr size_t kPipeInfoSize = 356;
inline constexpr size_t kInterfaceHeaderSize = 16;
inline constexpr size_t kPipeEntrySize = 20;
}  // namespace bulk

/// The bridge's bulk kernel driver: devices "Qxusb-0".."Qxusb-31" and four request codes.
class BulkDriver {
 public:
  virtual ~BulkDriver() = default;

  /// Opens "Qxusb-N"; an invalid handle when there is no such device.
  virtual DeviceHandle Open(const std::string& name) = 0;
  /// One driver request. For the write request `out` holds the bytes to send; for the others it
  /// receives the answer. `returned` is the number of bytes the driver reports.
  virtual bool Control(DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                       std::span<uint8_t> out, size_t& returned) = 0;
  virtual void Close(DeviceHandle h) = 0;
  virtual int LastError() { return 0; }
};

}  // namespace qx::link
