#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/link/BulkDriver.h"
#include "core/link/UsbLink.h"

struct libusb_context;
struct libusb_device_handle;

namespace qx::platform {

/// `BulkDriver` over libusb-1.0: answers the bridge driver's four request codes for every
/// attached device of the bridge's vendor. "Qxusb-N" is the N-th such device, ordered by bus and
/// address. The USB library is started on the first open; when it cannot start, nothing opens.
class LibusbBulkDriver : public link::BulkDriver {
 public:
  static constexpr uint16_t kVendor = 0x0547;
  /// The two bulk bridge products; "Qxusb-N" is the N-th of them on the buses.
  static bool IsBridge(uint16_t vendor, uint16_t product);
  static constexpr unsigned kTransferTimeoutMs = 1000;

  LibusbBulkDriver();
  ~LibusbBulkDriver() override;
  LibusbBulkDriver(const LibusbBulkDriver&) = delete;
  LibusbBulkDriver& operator=(const LibusbBulkDriver&) = delete;

  link::DeviceHandle Open(const std::string& name) override;
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out, size_t& returned) override;
  void Close(link::DeviceHandle h) override;
  int LastError() override { return lastError_; }

  /// N of "Qxusb-N" (also with the "\\.\" device prefix); nothing for any other name.
  static std::optional<int> DeviceNumber(const std::string& name);

 private:
  struct Device {
    libusb_device_handle* usb = nullptr;
    std::array<uint8_t, link::bulk::kDescriptorSize> descriptor{};
    std::array<uint8_t, link::bulk::kPipeInfoSize> interfaceBlock{};
    std::vector<link::PipeEntry> pipes;
  };

  bool StartLibrary();
  bool Transfer(Device& dev, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                size_t& returned);
  bool Fail(int error);

  libusb_context* context_ = nullptr;
  bool startFailed_ = false;
  std::map<link::DeviceHandle, Device> devices_;
  int lastError_ = 0;
};

}  // namespace qx::platform
