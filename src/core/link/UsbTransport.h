#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/link/BulkDriver.h"
#include "core/link/HidBackend.h"
#include "core/link/IoFrame.h"
#include "core/link/TransferTrace.h"
#include "core/link/UsbLink.h"

namespace qx::link {

/// Identities of the accepted bridges.
namespace bridge_id {
inline constexpr uint16_t kBulkVendor = 0x0547;
inline constexpr uint16_t kBulkProduct = 0x1004;
inline constexpr uint16_t kBulkProductAlt = 0x100A;
inline constexpr uint16_t kHidVendor = 0x04D8;
inline constexpr uint16_t kHidProduct = 0x2008;
inline constexpr uint16_t kHidVersion = 0x0727;
inline constexpr char kIdentity[] = "Quorvane";
inline constexpr int kBulkNames = 32;
inline constexpr int kHidIndexes = 128;
}  // namespace bridge_id

/// The USB bridge transport: finds, claims and identifies the bridge, and moves frames between
/// `IoFrame` and the bridge through the HID or the bulk backend. Every failed transfer closes
/// the link.
class UsbTransport {
 public:
  UsbTransport(IoFrame& frame, HidBackend& hid, BulkDriver& bulk);

  bool UsbOpen(UsbLink& link);
  bool UsbIdentify(UsbLink& link);
  /// F9 cmd lo hi; `v` is replaced by the reply word on success.
  bool UsbBridgeCommand(UsbLink& link, uint8_t cmd, uint16_t& v);
  void UsbInitExchange(UsbLink& link);
  /// Sends the first `n` bytes of `IoFrame` (a HID bridge always takes a whole report).
  bool UsbWrite(UsbLink& link, size_t n);
  /// Receives `n` reply bytes into `IoFrame` (a HID bridge always returns a whole report).
  bool UsbRead(UsbLink& link, size_t n);
  void UsbClose(UsbLink& link);

  DeviceHandle UsbOpenDevice(const std::string& name);
  bool UsbGetDeviceDescriptor(UsbLink& link);
  bool UsbGetPipeInfo(UsbLink& link, int pipe);

  /// Set once a HID bridge was accepted; it never goes back.
  bool HidMode() const { return hidMode_; }
  const HidAttributes& Attributes() const { return hidAttributes_; }
  /// Timer ticks since the last successful transfer; the link monitor counts them.
  uint32_t& IdleTicks() { return idleTicks_; }
  int LastError() const { return lastError_; }
  void SetTrace(TransferTrace trace) { trace_ = std::move(trace); }

 private:
  bool HidWrite(UsbLink& link);
  bool HidRead(UsbLink& link);
  bool BulkTransfer(UsbLink& link, uint32_t code, uint32_t pipeNumber, size_t n);
  bool FailTransfer(UsbLink& link, int error);
  bool TryBulkDevice(UsbLink& link, int n);
  bool TryHidDevice(UsbLink& link, int index);
  bool Claim(UsbLink& link);
  void Trace(TransferDirection dir, const uint8_t* data, size_t n);

  IoFrame& frame_;
  HidBackend& hid_;
  BulkDriver& bulk_;
  bool hidMode_ = false;
  HidAttributes hidAttributes_{};
  uint32_t pipeNumber_ = 0;
  uint32_t idleTicks_ = 0;
  int lastError_ = 0;
  std::array<uint8_t, bulk::kPipeInfoSize> pipeTable_{};
  TransferTrace trace_;
};

}  // namespace qx::link
