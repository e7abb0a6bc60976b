#include "core/link/UsbTransport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace qx::link {

namespace {

constexpr size_t kHidDataBytes = 64;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                               (static_cast<uint32_t>(p[3]) << 24));
}

PipeEntry DecodePipe(const uint8_t* p) {
  PipeEntry e;
  e.MaximumPacketSize = static_cast<uint16_t>(p[0] | (p[1] << 8));
  e.EndpointAddress = p[2];
  e.Interval = p[3];
  e.PipeType = Le32(p + 4);
  e.PipeHandle = Le32(p + 8);
  e.MaximumTransferSize = Le32(p + 12);
  e.PipeFlags = Le32(p + 16);
  return e;
}

}  // namespace

UsbTransport::UsbTransport(IoFrame& frame, HidBackend& hid, BulkDriver& bulk)
    : frame_(frame), hid_(hid), bulk_(bulk) {}

bool UsbTransport::UsbOpen(UsbLink& link) {
  if (IsValidHandle(link.Handle) && UsbIdentify(link)) return true;
  // An open bridge that stopped answering is closed by the caller before it is scanned again.
  if (link.Opened) return false;

  for (int n = 0; n < bridge_id::kBulkNames; ++n) {
    if (TryBulkDevice(link, n)) return true;
  }
  for (int i = 0; i < bridge_id::kHidIndexes; ++i) {
    if (TryHidDevice(link, i)) return true;
  }
  return false;
}

bool UsbTransport::TryBulkDevice(UsbLink& link, int n) {
  link.DeviceName = "Qxusb-" + std::to_string(n);
  link.Handle = UsbOpenDevice(link.DeviceName);
  if (!IsValidHandle(link.Handle)) {
    link.Handle = kInvalidHandle;
    link.DeviceName.clear();
    return false;
  }
  link.Origin = HandleOrigin::Bulk;
  const bool identity = UsbGetDeviceDescriptor(link) && link.VendorId() == bridge_id::kBulkVendor &&
                        (link.ProductId() == bridge_id::kBulkProduct ||
                         link.ProductId() == bridge_id::kBulkProductAlt);
  if (!identity || !UsbGetPipeInfo(link, 0) || !UsbGetPipeInfo(link, 1) || !Claim(link)) {
    UsbClose(link);
    return false;
  }
  uint16_t v = static_cast<uint16_t>(n);
  UsbBridgeCommand(link, 1, v);
  UsbBridgeCommand(link, 4, v);
  UsbInitExchange(link);
  // A failed transfer of the set-up closes the link: then the bridge is not open after all.
  return IsValidHandle(link.Handle);
}

bool UsbTransport::TryHidDevice(UsbLink& link, int index) {
  bool present = false;
  const DeviceHandle h = hid_.GetDevice(index, present);
  if (!present || !IsValidHandle(h)) {
    if (IsValidHandle(h)) hid_.Close(h);
    return false;
  }
  link.Handle = h;
  link.Origin = HandleOrigin::Hid;
  HidAttributes attributes;
  if (!hid_.GetAttributes(h, attributes) || attributes.vendorId != bridge_id::kHidVendor ||
      attributes.productId != bridge_id::kHidProduct ||
      attributes.versionNumber != bridge_id::kHidVersion) {
    UsbClose(link);
    return false;
  }
  hidAttributes_ = attributes;
  hidMode_ = true;  // stays set even when the bridge turns out to be claimed
  if (!Claim(link)) {
    UsbClose(link);
    return false;
  }
  uint16_t v = static_cast<uint16_t>(index);
  UsbBridgeCommand(link, 1, v);
  UsbBridgeCommand(link, 4, v);
  UsbBridgeCommand(link, 6, v);
  UsbInitExchange(link);
  return IsValidHandle(link.Handle);
}

bool UsbTransport::Claim(UsbLink& link) {
  uint16_t v = 0;
  if (!UsbBridgeCommand(link, 2, v) || v != 0xFFFF) return false;
  link.Opened = true;
  return true;
}

bool UsbTransport::UsbBridgeCommand(UsbLink& link, uint8_t cmd, uint16_t& v) {
  frame_[0] = 0xF9;
  frame_[1] = cmd;
  frame_[2] = static_cast<uint8_t>(v & 0xFF);
  frame_[3] = static_cast<uint8_t>(v >> 8);
  if (!UsbWrite(link, 4) || !UsbRead(link, 8)) return false;
  v = static_cast<uint16_t>(frame_[0] | (frame_[1] << 8));
  return true;
}

bool UsbTransport::UsbIdentify(UsbLink& link) {
  if (!link.Opened) return false;
  frame_[0] = 0xF9;
  frame_[1] = 0xAC;
  if (!UsbWrite(link, 2) || !UsbRead(link, 8)) return false;
  return std::memcmp(frame_.data(), bridge_id::kIdentity, 8) == 0;
}

void UsbTransport::UsbInitExchange(UsbLink& link) {
  frame_[0] = 0xC5;
  frame_[1] = 0xFF;
  frame_[2] = 0x01;
  frame_[3] = 0x00;
  if (!UsbWrite(link, 4) || !UsbRead(link, 64)) return;
  frame_[0] = 0xC5;
  frame_[1] = 0xFF;
  frame_[2] = 0x00;
  if (!UsbWrite(link, 4)) return;
  UsbRead(link, 64);
}

bool UsbTransport::UsbWrite(UsbLink& link, size_t n) {
  n = std::min(n, frame_.size());
  bool ok;
  if (link.Origin == HandleOrigin::Hid) {
    ok = HidWrite(link);
  } else {
    if (link.Pipes[1].EndpointAddress >= 0x80) return FailTransfer(link, 0);
    ok = BulkTransfer(link, bulk::kBulkWrite, 1, n);
    if (ok) Trace(TransferDirection::Sent, frame_.data(), n);
  }
  if (!ok)
    return FailTransfer(link,
                        link.Origin == HandleOrigin::Hid ? hid_.LastError() : bulk_.LastError());
  idleTicks_ = 0;
  return true;
}

bool UsbTransport::UsbRead(UsbLink& link, size_t n) {
  n = std::min(n, frame_.size());
  bool ok;
  if (link.Origin == HandleOrigin::Hid) {
    ok = HidRead(link);
  } else {
    if (link.Pipes[0].EndpointAddress < 0x80) return FailTransfer(link, 0);
    ok = BulkTransfer(link, bulk::kBulkRead, 0, n);
    if (ok) Trace(TransferDirection::Received, frame_.data(), n);
  }
  if (!ok)
    return FailTransfer(link,
                        link.Origin == HandleOrigin::Hid ? hid_.LastError() : bulk_.LastError());
  idleTicks_ = 0;
  return true;
}

bool UsbTransport::HidWrite(UsbLink& link) {
  if (!IsValidHandle(link.Handle)) return false;
  // Report ID 0, then the frame; a report longer than 65 bytes is padded with zeros.
  std::vector<uint8_t> report(
      std::max<size_t>(hidAttributes_.outputReportLength, kHidDataBytes + 1), 0);
  std::copy_n(frame_.begin(), kHidDataBytes, report.begin() + 1);
  if (!hid_.Write(link.Handle, report)) return false;
  Trace(TransferDirection::Sent, frame_.data(), kHidDataBytes);
  return true;
}

bool UsbTransport::HidRead(UsbLink& link) {
  if (!IsValidHandle(link.Handle)) return false;
  std::vector<uint8_t> report(std::max<size_t>(hidAttributes_.inputReportLength, kHidDataBytes + 1),
                              0);
  if (!hid_.Read(link.Handle, report)) return false;
  std::copy_n(report.begin() + 1, kHidDataBytes, frame_.begin());
  Trace(TransferDirection::Received, frame_.data(), kHidDataBytes);
  return true;
}

bool UsbTransport::BulkTransfer(UsbLink& link, uint32_t code, uint32_t pipeNumber, size_t n) {
  if (!IsValidHandle(link.Handle)) return false;
  pipeNumber_ = pipeNumber;
  const uint8_t in[4] = {static_cast<uint8_t>(pipeNumber_), static_cast<uint8_t>(pipeNumber_ >> 8),
                         static_cast<uint8_t>(pipeNumber_ >> 16),
                         static_cast<uint8_t>(pipeNumber_ >> 24)};
  size_t returned = 0;
  return bulk_.Control(link.Handle, code, in, std::span<uint8_t>(frame_.data(), n), returned);
}

bool UsbTransport::FailTransfer(UsbLink& link, int error) {
  lastError_ = error;
  UsbClose(link);
  return false;
}

void UsbTransport::UsbClose(UsbLink& link) {
  if (IsValidHandle(link.Handle)) {
    if (link.Origin == HandleOrigin::Hid)
      hid_.Close(link.Handle);
    else
      bulk_.Close(link.Handle);
  }
  link.Handle = kInvalidHandle;
  link.Origin = HandleOrigin::None;
  link.DeviceName.clear();
  std::fill(link.DeviceDescriptor.begin() + 8, link.DeviceDescriptor.begin() + 14, uint8_t{0});
  link.Opened = false;
}

DeviceHandle UsbTransport::UsbOpenDevice(const std::string& name) {
  return bulk_.Open(name);
}

bool UsbTransport::UsbGetDeviceDescriptor(UsbLink& link) {
  size_t returned = 0;
  return bulk_.Control(link.Handle, bulk::kGetDeviceDescriptor, link.DeviceDescriptor,
                       link.DeviceDescriptor, returned);
}

bool UsbTransport::UsbGetPipeInfo(UsbLink& link, int pipe) {
  if (pipe < 0 || pipe > 1) return false;
  size_t returned = 0;
  pipeTable_.fill(0);
  if (!bulk_.Control(link.Handle, bulk::kGetPipeInfo, {}, pipeTable_, returned)) return false;
  const size_t at = bulk::kInterfaceHeaderSize + static_cast<size_t>(pipe) * bulk::kPipeEntrySize;
  link.Pipes[static_cast<size_t>(pipe)] = DecodePipe(pipeTable_.data() + at);
  return true;
}

void UsbTransport::Trace(TransferDirection dir, const uint8_t* data, size_t n) {
  if (trace_) trace_(dir, std::span<const uint8_t>(data, n));
}

}  // namespace qx::link
