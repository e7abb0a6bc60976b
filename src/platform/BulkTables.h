#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/link/BulkDriver.h"
#include "core/link/UsbLink.h"

namespace qx::platform {

/// The fields of a standard USB device descriptor, independent of the USB library.
struct UsbDeviceFields {
  uint16_t bcdUSB = 0x0200;
  uint8_t deviceClass = 0;
  uint8_t deviceSubClass = 0;
  uint8_t deviceProtocol = 0;
  uint8_t maxPacketSize0 = 64;
  uint16_t idVendor = 0;
  uint16_t idProduct = 0;
  uint16_t bcdDevice = 0;
  uint8_t iManufacturer = 0;
  uint8_t iProduct = 0;
  uint8_t iSerialNumber = 0;
  uint8_t numConfigurations = 1;
};

struct UsbEndpointFields {
  uint8_t address = 0;     ///< bit 7 set: IN
  uint8_t attributes = 0;  ///< bits 0-1: 0 control, 1 isochronous, 2 bulk, 3 interrupt
  uint16_t maxPacketSize = 0;
  uint8_t interval = 0;
};

struct UsbInterfaceFields {
  uint8_t number = 0;
  uint8_t alternateSetting = 0;
  uint8_t interfaceClass = 0;
  uint8_t interfaceSubClass = 0;
  uint8_t interfaceProtocol = 0;
  std::vector<UsbEndpointFields> endpoints;  ///< in descriptor order
};

/// The byte layouts that the bridge's bulk driver hands back: the 148-byte descriptor buffer
/// and the 356-byte interface block with its pipe table. All words little-endian.
class BulkTables {
 public:
  static constexpr size_t kDeviceDescriptorLength = 18;
  /// 16-byte header + 17 entries of 20 bytes fill the 356-byte block exactly.
  static constexpr size_t kMaxPipes = 17;
  static constexpr uint32_t kInterfaceHandle = 1;
  static constexpr uint32_t kMaxTransferSize = 4096;

  static std::array<uint8_t, link::bulk::kDescriptorSize> EncodeDeviceDescriptor(
      const UsbDeviceFields& device);

  /// One pipe per endpoint, in descriptor order, at most `kMaxPipes`. Pipe handles are the
  /// pipe's index + 1, so none is 0.
  static std::vector<link::PipeEntry> Pipes(const UsbInterfaceFields& iface);

  static std::array<uint8_t, link::bulk::kPipeInfoSize> EncodeInterfaceBlock(
      const UsbInterfaceFields& iface);

  /// The 4-byte little-endian pipe number of the read and write requests.
  static std::optional<uint32_t> DecodePipeNumber(std::span<const uint8_t> in);
};

}  // namespace qx::platform
