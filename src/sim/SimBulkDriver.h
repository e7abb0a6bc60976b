#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "core/link/BulkDriver.h"
#include "sim/SimBridge.h"

namespace qx::sim {

/// The bridge's bulk kernel driver with one simulated device, "Qxusb-0": a device descriptor,
/// a two-pipe interface (pipe 0 bulk IN 0x81, pipe 1 bulk OUT 0x02, 64-byte packets) and bulk
/// transfers that carry frames to and from a SimBridge.
class SimBulkDriver final : public link::BulkDriver {
 public:
  static constexpr uint16_t kVendorId = 0x0547;
  static constexpr uint16_t kProductId = 0x1004;
  static constexpr uint16_t kDeviceRelease = 0x0001;
  static constexpr uint8_t kInEndpoint = 0x81;
  static constexpr uint8_t kOutEndpoint = 0x02;
  static constexpr uint32_t kPipeTypeBulk = 2;
  static constexpr uint16_t kMaxPacket = 64;
  static constexpr uint32_t kMaxTransfer = 4096;
  static constexpr char kDeviceName[] = "Qxusb-0";

  explicit SimBulkDriver(SimBridge& bridge);

  /// No device at all (the default board has the bridge on HID only).
  void SetAbsent(bool absent) { absent_ = absent; }
  bool Absent() const { return absent_; }
  /// Pipe 0 becomes the OUT endpoint and pipe 1 the IN endpoint.
  void SetWrongPipeDirections(bool wrong) { wrongDirections_ = wrong; }
  void SetProductId(uint16_t id) { productId_ = id; }
  size_t OpenHandles() const { return handles_.size(); }

  /// The 148-byte answer of the descriptor request.
  std::array<uint8_t, link::bulk::kDescriptorSize> DescriptorBlock() const;
  /// The 356-byte answer of the pipe-table request.
  std::array<uint8_t, link::bulk::kPipeInfoSize> PipeInfoBlock() const;

  link::DeviceHandle Open(const std::string& name) override;
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out, size_t& returned) override;
  void Close(link::DeviceHandle h) override;
  int LastError() override { return lastError_; }

 private:
  bool Fail(int error);
  /// Endpoint address of pipe `index` as the pipe table lists it; 0 for no such pipe.
  uint8_t PipeEndpoint(uint32_t index) const;

  SimBridge& bridge_;
  bool absent_ = false;
  bool wrongDirections_ = false;
  uint16_t productId_ = kProductId;
  std::map<link::DeviceHandle, uint32_t> handles_;     ///< handle -> bridge generation
  link::DeviceHandle claimer_ = link::kInvalidHandle;  ///< handle that claimed the bridge
  link::DeviceHandle nextHandle_ = 0x2000;
  int lastError_ = 0;
};

}  // namespace qx::sim
