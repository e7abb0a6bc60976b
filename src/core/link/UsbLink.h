#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/link/DeviceHandle.h"

namespace qx::link {

/// One pipe of the bulk bridge, as the driver's pipe table lists it (20 bytes on the wire).
struct PipeEntry {
  uint16_t MaximumPacketSize = 0;
  uint8_t EndpointAddress = 0;  ///< bit 7 set: IN endpoint
  uint8_t Interval = 0;
  uint32_t PipeType = 0;
  uint32_t PipeHandle = 0;
  uint32_t MaximumTransferSize = 0;
  uint32_t PipeFlags = 0;
};

/// Where the open handle came from, so it is closed and used by the backend that made it.
enum class HandleOrigin : uint8_t { None, Bulk, Hid };

/// The USB bridge link of the target.
struct UsbLink {
  DeviceHandle Handle = kInvalidHandle;
  HandleOrigin Origin = HandleOrigin::None;
  std::string DeviceName;  ///< "Qxusb-N" on the bulk path, empty when closed
  std::array<uint8_t, 148> DeviceDescriptor{};
  std::array<PipeEntry, 4> Pipes{};
  bool Opened = false;  ///< the bridge passed the claim exchange and is in use

  uint16_t VendorId() const { return Word(8); }
  uint16_t ProductId() const { return Word(10); }
  uint16_t DeviceRelease() const { return Word(12); }

 private:
  uint16_t Word(size_t at) const {
    return static_cast<uint16_t>(DeviceDescriptor[at] | (DeviceDescriptor[at + 1] << 8));
  }
};

}  // namespace qx::link
