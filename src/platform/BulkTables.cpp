#include "platform/BulkTables.h"

#include <algorithm>

namespace qx::platform {
namespace {

void PutU16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr uint8_t kDeviceDescriptorType = 1;

}  // namespace

std::array<uint8_t, link::bulk::kDescriptorSize> BulkTables::EncodeDeviceDescriptor(
    const UsbDeviceFields& d) {
  std::array<uint8_t, link::bulk::kDescriptorSize> out{};
  out[0] = static_cast<uint8_t>(kDeviceDescriptorLength);
  out[1] = kDeviceDescriptorType;
  PutU16(&out[2], d.bcdUSB);
  out[4] = d.deviceClass;
  out[5] = d.deviceSubClass;
  out[6] = d.deviceProtocol;
  out[7] = d.maxPacketSize0;
  PutU16(&out[8], d.idVendor);
  PutU16(&out[10], d.idProduct);
  PutU16(&out[12], d.bcdDevice);
  out[14] = d.iManufacturer;
  out[15] = d.iProduct;
  out[16] = d.iSerialNumber;
  out[17] = d.numConfigurations;
  return out;
}

std::vector<link::PipeEntry> BulkTables::Pipes(const UsbInterfaceFields& iface) {
  std::vector<link::PipeEntry> pipes;
  const size_t n = std::min(iface.endpoints.size(), kMaxPipes);
  for (size_t i = 0; i < n; ++i) {
    const UsbEndpointFields& ep = iface.endpoints[i];
    link::PipeEntry p;
    // Bits 11-12 of a high-speed wMaxPacketSize count extra transactions, not bytes.
    p.MaximumPacketSize = static_cast<uint16_t>(ep.maxPacketSize & 0x07FF);
    p.EndpointAddress = ep.address;
    p.Interval = ep.interval;
    p.PipeType = ep.attributes & 0x03u;
    p.PipeHandle = static_cast<uint32_t>(i + 1);
    p.MaximumTransferSize = kMaxTransferSize;
    p.PipeFlags = 0;
    pipes.push_back(p);
  }
  return pipes;
}

std::array<uint8_t, link::bulk::kPipeInfoSize> BulkTables::EncodeInterfaceBlock(
    const UsbInterfaceFields& iface) {
  std::array<uint8_t, link::bulk::kPipeInfoSize> out{};
  const std::vector<link::PipeEntry> pipes = Pipes(iface);
  const size_t length =
      link::bulk::kInterfaceHeaderSize + pipes.size() * link::bulk::kPipeEntrySize;
  PutU16(&out[0], static_cast<uint16_t>(length));
  out[2] = iface.number;
  out[3] = iface.alternateSetting;
  out[4] = iface.interfaceClass;
  out[5] = iface.interfaceSubClass;
  out[6] = iface.interfaceProtocol;
  out[7] = 0;
  PutU32(&out[8], kInterfaceHandle);
  PutU32(&out[12], static_cast<uint32_t>(pipes.size()));
  uint8_t* at = &out[link::bulk::kInterfaceHeaderSize];
  for (const link::PipeEntry& p : pipes) {
    PutU16(at + 0, p.MaximumPacketSize);
    at[2] = p.EndpointAddress;
    at[3] = p.Interval;
    PutU32(at + 4, p.PipeType);
    PutU32(at + 8, p.PipeHandle);
    PutU32(at + 12, p.MaximumTransferSize);
    PutU32(at + 16, p.PipeFlags);
    at += link::bulk::kPipeEntrySize;
  }
  return out;
}

std::optional<uint32_t> BulkTables::DecodePipeNumber(std::span<const uint8_t> in) {
  if (in.size() < 4) return std::nullopt;
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
         (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace qx::platform
