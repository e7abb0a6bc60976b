// libFuzzer target: the simulated USB bridge firmware fed arbitrary requests through every way
// in: frames straight to the firmware, HID reports, bulk driver requests, with time passing and
// the cable pulled in between. The input is a list of records: an operation byte, a length byte
// and that many bytes. Replies stay within their buffers and the stream buffer within its size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimBridge.h"
#include "sim/SimBulkDriver.h"
#include "sim/SimHidBackend.h"
#include "sim/SimTarget.h"
#include "sim/SimTestChip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  base::FakeClock clock;
  const chip::ChipModel model = sim::test::Qx740xModel();
  sim::SimTarget target(model);
  sim::SimBridge bridge(clock, target);
  sim::SimHidBackend hid(bridge);
  sim::SimBulkDriver bulk(bridge);
  bool present = false;
  link::DeviceHandle hidHandle = hid.GetDevice(0, present);
  link::DeviceHandle bulkHandle = bulk.Open(sim::SimBulkDriver::kDeviceName);

  for (size_t at = 0; at + 2 <= size;) {
    const uint8_t op = data[at];
    const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
    const std::span<const uint8_t> bytes(data + at + 2, length);
    at += 2 + length;
    switch (op % 6) {
      case 0: {
        const std::vector<uint8_t> reply = bridge.Answer(bytes);
        // A memory read of up to 255 bytes after a header of at most a few bytes.
        if (reply.size() < sim::SimBridge::kReplySize || reply.size() > 300) __builtin_trap();
        break;
      }
      case 1: {
        // A whole report with report ID 0 most of the time; any length or another ID when the
        // operation byte says so.
        std::vector<uint8_t> report(op & 0x80 ? length + 1 : 65, 0);
        if (op & 0x40) report[0] = op;
        std::copy_n(bytes.begin(), std::min(bytes.size(), report.size() - 1), report.begin() + 1);
        hid.Write(hidHandle, report);
        std::vector<uint8_t> in(op & 0x80 ? length + 1 : 65, 0xEE);
        hid.Read(hidHandle, in);
        break;
      }
      case 2: {
        static constexpr uint32_t kCodes[] = {link::bulk::kGetDeviceDescriptor,
                                              link::bulk::kGetPipeInfo, link::bulk::kBulkWrite,
                                              link::bulk::kBulkRead};
        const uint8_t pick = length > 0 ? bytes[0] : 0;
        const uint32_t code = pick % 5 < 4 ? kCodes[pick % 5] : 0x222000u + pick;
        const std::span<const uint8_t> in = bytes.subspan(
            std::min<size_t>(1, length), std::min<size_t>(4, length ? length - 1 : 0));
        std::vector<uint8_t> out(length > 5 ? bytes[5] * 2u : 64u, 0);
        if (code == link::bulk::kBulkWrite && length > 6)
          out.assign(bytes.begin() + 6, bytes.end());
        size_t returned = 0;
        if (bulk.Control(bulkHandle, code, in, out, returned) && returned > out.size())
          __builtin_trap();
        break;
      }
      case 3:
        clock.Advance(static_cast<double>(length) * 7.5);
        if (bridge.QueuedResults() > sim::SimBridge::kStreamQueueCapacity) __builtin_trap();
        break;
      case 4:
        switch (length % 6) {
          case 0:
            bridge.DropNextReply();
            break;
          case 1:
            bridge.CorruptNextReply();
            break;
          case 2:
            bridge.DelayNextReply(static_cast<double>(length) * 10.0);
            break;
          case 3:
            bridge.Unplug();
            break;
          case 4:
            bridge.Replug();
            break;
          default:
            bridge.FailAfterTransfers(length % 4);
            break;
        }
        break;
      default:
        hid.Close(hidHandle);
        bulk.Close(bulkHandle);
        hidHandle = hid.GetDevice(0, present);
        bulkHandle = bulk.Open(sim::SimBulkDriver::kDeviceName);
        break;
    }
  }
  return 0;
}
