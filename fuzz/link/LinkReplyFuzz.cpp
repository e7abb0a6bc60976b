// libFuzzer target: a bridge that answers with arbitrary bytes. The input is cut into 64-byte
// replies that the HID bridge and the serial bridge hand out in turn while every link operation
// runs. Nothing may be read or written outside IoFrame and RegImage, and nothing may hang.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace {

class FuzzSerial : public qx::base::SerialPort {
 public:
  explicit FuzzSerial(std::deque<uint8_t>& bytes) : bytes_(bytes) {}
  bool Configure(const qx::base::LineSettings&) override { return true; }
  bool SetDtr(bool) override { return true; }
  qx::base::LineStatus Status() override {
    const uint32_t mask = bytes_.empty() ? 0 : bytes_.front() & 0x1F;
    return {std::min<size_t>(bytes_.size(), 300), mask};
  }
  size_t Read(std::span<uint8_t> buffer) override {
    size_t n = 0;
    while (n < buffer.size() && !bytes_.empty()) {
      buffer[n++] = bytes_.front();
      bytes_.pop_front();
    }
    return n;
  }
  bool Write(std::span<const uint8_t>) override { return true; }
  void DiscardInput() override {
    if (!bytes_.empty()) bytes_.pop_front();
  }

 private:
  std::deque<uint8_t>& bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  std::deque<uint8_t> serialBytes(data, data + size);
  test::FakeBridge bridge;
  for (size_t at = 0; at < size; at += 64) {
    bridge.scripted.emplace_back(data + at, data + std::min(size, at + 64));
  }
  bridge.respond = [](const test::Bytes&) { return test::Bytes(64, 0); };
  test::FakeHid hid;
  test::FakeBulk bulk;
  hid.AttachBridge(bridge);
  base::FakeClock clock;
  base::RecordingHost host;
  app::Workbench bench(clock, host, hid, bulk);
  bench.chip.AdcFields["IRQEN"] = {uint16_t(size % 7), 1, 4, 0, true};
  bench.chip.AdcFields["TS"] = {uint16_t(size % 5), 1, 0, 0, true};

  for (int kind : {1, 2, 4, 5}) {
    bench.target.LinkKind = static_cast<uint16_t>(kind);
    bench.monitor.CheckLink();
    bench.access.ReadBytes(static_cast<uint16_t>(size * 37), static_cast<uint8_t>(size));
    bench.access.WriteReg(static_cast<uint16_t>(size % 1100), 0x5A);
    bench.access.WriteReg(27, 1);
    int count = 0;
    bench.access.StartAdcStream(1);
    if (bench.access.PollAdcStream(count) && (count < 0 || count > 21)) __builtin_trap();
    for (int j = 0; j < count; ++j) (void)bench.access.StreamResult(j);
    bench.access.StopAdcStream();
    bench.access.ReadAdcResult();
    std::string name;
    bench.access.ReadBridgeName(name);
    uint32_t a = 0, b = 0;
    bench.access.ReadOneShotAdc(0x123, a, b);
    for (int i = 0; i < 1000; ++i) bench.monitor.Tick();
  }

  bench.target.LinkKind = link::kLinkRs232;
  bench.target.ComPort = std::make_unique<FuzzSerial>(serialBytes);
  bench.target.ComOpen = true;
  bench.access.ReadBytes(0x10, static_cast<uint8_t>(size));
  bench.frame[5] = 1;
  bench.access.WriteBytes(0x10, static_cast<uint8_t>(size % 250));
  return 0;
}
