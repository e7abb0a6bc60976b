// libFuzzer target: the bulk bridge's descriptor and pipe table. A bulk driver hands out the
// input as its 148-byte descriptor, its 356-byte pipe table and its bulk reads while the
// transport scans, claims and talks to the bridge; nothing may be read outside those buffers.
// The input also builds an interface whose encoded pipe table must decode back to its pipes,
// and its first bytes are a pipe number request.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/link/UsbTransport.h"
#include "platform/BulkTables.h"
#include "support/FakeBridge.h"

namespace {

/// A bulk driver with one device, "Qxusb-0", whose every answer comes from a byte source.
class BytesBulk : public qx::link::BulkDriver {
 public:
  explicit BytesBulk(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  /// A fixed answer of the pipe table request instead of the byte source.
  std::vector<uint8_t> pipeTable;

  qx::link::DeviceHandle Open(const std::string& name) override {
    return name == "Qxusb-0" ? 7 : qx::link::kInvalidHandle;
  }
  bool Control(qx::link::DeviceHandle h, uint32_t code, std::span<const uint8_t>,
               std::span<uint8_t> out, size_t& returned) override {
    if (h != 7) return false;
    if (code == qx::link::bulk::kBulkWrite) {
      returned = out.size();
      return true;
    }
    if (code == qx::link::bulk::kGetPipeInfo && !pipeTable.empty()) {
      std::copy_n(pipeTable.begin(), std::min(out.size(), pipeTable.size()), out.begin());
      returned = out.size();
      return true;
    }
    // Descriptor, pipe table and reads: the next bytes, as many as there are.
    const size_t n = std::min(out.size(), bytes_.size() - at_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, out.begin());
    at_ += n;
    returned = n;
    return n > 0 || out.empty();
  }
  void Close(qx::link::DeviceHandle) override {}

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

bool SamePipe(const qx::link::PipeEntry& a, const qx::link::PipeEntry& b) {
  return a.MaximumPacketSize == b.MaximumPacketSize && a.EndpointAddress == b.EndpointAddress &&
         a.Interval == b.Interval && a.PipeType == b.PipeType && a.PipeHandle == b.PipeHandle &&
         a.MaximumTransferSize == b.MaximumTransferSize && a.PipeFlags == b.PipeFlags;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  const std::span<const uint8_t> input(data, size);

  // The whole scan on the driver's bytes.
  {
    link::IoFrame frame{};
    test::FakeHid hid;
    BytesBulk bulk(input);
    link::UsbTransport transport(frame, hid, bulk);
    link::UsbLink usb;
    transport.UsbOpen(usb);
    uint16_t word = 0;
    transport.UsbBridgeCommand(usb, 2, word);
    transport.UsbWrite(usb, 64);
    transport.UsbRead(usb, 64);
    transport.UsbClose(usb);
  }

  // An interface of up to 20 endpoints from the input: its encoded table holds at most
  // BulkTables::kMaxPipes pipes, says so in its header, and the transport reads pipes 0 and 1
  // back as they were encoded.
  platform::UsbInterfaceFields iface;
  iface.number = size > 0 ? data[0] : 0;
  const size_t endpoints = size > 1 ? data[1] % 21 : 0;
  for (size_t i = 0; i < endpoints; ++i) {
    const size_t at = 2 + i * 5;
    auto byte = [&](size_t k) { return at + k < size ? data[at + k] : uint8_t{0}; };
    iface.endpoints.push_back(
        {byte(0), byte(1), static_cast<uint16_t>(byte(2) | byte(3) << 8), byte(4)});
  }
  const auto pipes = platform::BulkTables::Pipes(iface);
  if (pipes.size() != std::min(endpoints, platform::BulkTables::kMaxPipes)) __builtin_trap();
  const auto block = platform::BulkTables::EncodeInterfaceBlock(iface);
  const size_t length = block[0] | block[1] << 8;
  if (length != link::bulk::kInterfaceHeaderSize + pipes.size() * link::bulk::kPipeEntrySize ||
      length > block.size() || block[12] != pipes.size()) {
    __builtin_trap();
  }
  {
    link::IoFrame frame{};
    test::FakeHid hid;
    BytesBulk bulk(input);
    bulk.pipeTable.assign(block.begin(), block.end());
    link::UsbTransport transport(frame, hid, bulk);
    link::UsbLink usb;
    usb.Handle = transport.UsbOpenDevice("Qxusb-0");
    usb.Origin = link::HandleOrigin::Bulk;
    for (size_t pipe = 0; pipe < 2; ++pipe) {
      if (!transport.UsbGetPipeInfo(usb, static_cast<int>(pipe))) __builtin_trap();
      const link::PipeEntry none{};
      if (!SamePipe(usb.Pipes[pipe], pipe < pipes.size() ? pipes[pipe] : none)) __builtin_trap();
    }
    if (transport.UsbGetPipeInfo(usb, 2) || transport.UsbGetPipeInfo(usb, -1)) __builtin_trap();
  }

  const auto pipeNumber = platform::BulkTables::DecodePipeNumber(input);
  if (pipeNumber.has_value() != (size >= 4)) __builtin_trap();
  if (pipeNumber) {
    const uint32_t expected = data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24;
    if (*pipeNumber != expected) __builtin_trap();
  }
  return 0;
}
