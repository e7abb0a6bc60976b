#include "sim/SimBulkDriver.h"

#include <algorithm>
#include <cerrno>

namespace qx::sim {

namespace {
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(std::span<const uint8_t> in) {
  return static_cast<uint32_t>(in[0] | (in[1] << 8) | (in[2] << 16)) |
         (static_cast<uint32_t>(in[3]) << 24);
}
constexpr size_t kPipeCount = 2;
}  // namespace

SimBulkDriver::SimBulkDriver(SimBridge& bridge) : bridge_(bridge) {}

std::array<uint8_t, link::bulk::kDescriptorSize> SimBulkDriver::DescriptorBlock() const {
  std::array<uint8_t, link::bulk::kDescriptorSize> d{};
  d[0] = 18;    // bLength
  d[1] = 0x01;  // DEVICE descriptor
  Put16(&d[2], 0x0200);
  d[4] = 0xFF;  // vendor-specific class
  d[5] = 0x00;
  d[6] = 0x00;
  d[7] = kMaxPacket;
  Put16(&d[8], kVendorId);
  Put16(&d[10], productId_);
  Put16(&d[12], kDeviceRelease);
  d[14] = 1;  // iManufacturer
  d[15] = 2;  // iProduct
  d[16] = 0;  // iSerialNumber
  d[17] = 1;  // bNumConfigurations
  return d;
}

uint8_t SimBulkDriver::PipeEndpoint(uint32_t index) const {
  if (index == 0) return wrongDirections_ ? kOutEndpoint : kInEndpoint;
  if (index == 1) return wrongDirections_ ? kInEndpoint : kOutEndpoint;
  return 0;
}

std::array<uint8_t, link::bulk::kPipeInfoSize> SimBulkDriver::PipeInfoBlock() const {
  using link::bulk::kInterfaceHeaderSize;
  using link::bulk::kPipeEntrySize;
  std::array<uint8_t, link::bulk::kPipeInfoSize> b{};
  Put16(&b[0], static_cast<uint16_t>(kInterfaceHeaderSize + kPipeCount * kPipeEntrySize));
  b[2] = 0;                   // InterfaceNumber
  b[3] = 0;                   // AlternateSetting
  b[4] = 0xFF;                // Class
  b[5] = 0;                   // SubClass
  b[6] = 0;                   // Protocol
  b[7] = 0;                   // Reserved
  Put32(&b[8], 0x00A0'0000);  // InterfaceHandle
  Put32(&b[12], kPipeCount);
  for (uint32_t i = 0; i < kPipeCount; ++i) {
    uint8_t* e = &b[kInterfaceHeaderSize + i * kPipeEntrySize];
    Put16(e, kMaxPacket);
    e[2] = PipeEndpoint(i);
    e[3] = 0;  // Interval
    Put32(e + 4, kPipeTypeBulk);
    Put32(e + 8, 0x00B0'0000 + i);  // PipeHandle
    Put32(e + 12, kMaxTransfer);
    Put32(e + 16, 0);  // PipeFlags
  }
  return b;
}

bool SimBulkDriver::Fail(int error) {
  lastError_ = error;
  return false;
}

link::DeviceHandle SimBulkDriver::Open(const std::string& name) {
  if (absent_ || name != kDeviceName || !bridge_.Present()) {
    lastError_ = ENOENT;
    return link::kInvalidHandle;
  }
  const link::DeviceHandle h = nextHandle_++;
  handles_[h] = bridge_.Generation();
  return h;
}

bool SimBulkDriver::Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                            std::span<uint8_t> out, size_t& returned) {
  returned = 0;
  const auto it = handles_.find(h);
  if (it == handles_.end()) return Fail(EBADF);
  if (absent_ || !bridge_.Present() || it->second != bridge_.Generation()) return Fail(ENODEV);

  switch (code) {
    case link::bulk::kGetDeviceDescriptor: {
      if (out.size() < link::bulk::kDescriptorSize) return Fail(EINVAL);
      const auto d = DescriptorBlock();
      std::copy(d.begin(), d.end(), out.begin());
      returned = d.size();
      return true;
    }
    case link::bulk::kGetPipeInfo: {
      if (out.size() < link::bulk::kPipeInfoSize) return Fail(EINVAL);
      const auto b = PipeInfoBlock();
      std::copy(b.begin(), b.end(), out.begin());
      returned = b.size();
      return true;
    }
    case link::bulk::kBulkWrite: {
      // Sending on an IN pipe is refused like the real driver refuses it.
      if (in.size() < 4) return Fail(EINVAL);
      const uint8_t ep = PipeEndpoint(Get32(in));
      if (ep == 0 || (ep & 0x80) != 0) return Fail(EINVAL);
      if (!bridge_.Receive(std::span<const uint8_t>(out.data(), out.size()))) {
        return Fail(bridge_.LastError());
      }
      if (out.size() >= 4 && out[0] == 0xF9 && out[1] == 0x01)
        claimer_ = out[2] == 0xFF && out[3] == 0xFF ? link::kInvalidHandle : h;
      returned = out.size();
      return true;
    }
    case link::bulk::kBulkRead: {
      if (in.size() < 4) return Fail(EINVAL);
      const uint8_t ep = PipeEndpoint(Get32(in));
      if (ep == 0 || (ep & 0x80) == 0) return Fail(EINVAL);
      if (!bridge_.Send(out, returned)) return Fail(bridge_.LastError());
      return true;
    }
    default:
      return Fail(EINVAL);
  }
}

void SimBulkDriver::Close(link::DeviceHandle h) {
  const auto it = handles_.find(h);
  if (it == handles_.end()) return;
  const bool current = it->second == bridge_.Generation();
  handles_.erase(it);
  if (h == claimer_) {
    claimer_ = link::kInvalidHandle;
    if (current) bridge_.HostClosed();
  }
}

}  // namespace qx::sim
