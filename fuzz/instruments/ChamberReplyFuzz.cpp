// libFuzzer target: every exchange of the instrument ports against a far end that answers with
// arbitrary bytes. Byte 0 picks the exchange and whether the port's status claims more bytes
// than it hands out; the rest are the answers, each a length byte and
// that many bytes, one answer released per write. Nothing may be written outside the buffers,
// no count may pass the reply limit, and nothing may hang.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>

#include "core/base/FakeClock.h"
#include "core/instruments/ChamberFrame.h"
#include "core/instruments/InstrumentPorts.h"

namespace {

class FuzzPort final : public qx::base::SerialPort {
 public:
  FuzzPort(const uint8_t* data, size_t size, bool overstates)
      : script_(data, data + size), overstates_(overstates) {}
  bool Configure(const qx::base::LineSettings&) override { return true; }
  bool SetDtr(bool) override { return true; }
  qx::base::LineStatus Status() override { return {bytes_.size() + (overstates_ ? 4000 : 0), 0}; }
  size_t Read(std::span<uint8_t> buffer) override {
    size_t n = 0;
    while (n < buffer.size() && !bytes_.empty()) {
      buffer[n++] = bytes_.front();
      bytes_.pop_front();
    }
    return n;
  }
  bool Write(std::span<const uint8_t>) override {
    if (script_.empty()) return true;
    // A length byte with bit 7 set counts in steps of 32, for replies larger than the buffers.
    const uint8_t code = script_.front();
    size_t length = (code & 0x80) ? (code & 0x7Fu) * 32u : code;
    script_.pop_front();
    for (; length > 0 && !script_.empty(); --length) {
      bytes_.push_back(script_.front());
      script_.pop_front();
    }
    return true;
  }
  void DiscardInput() override { bytes_.clear(); }

 private:
  std::deque<uint8_t> script_;
  std::deque<uint8_t> bytes_;
  bool overstates_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx::instruments;
  if (size == 0) return 0;
  const uint8_t pick = data[0];
  qx::base::FakeClock clock;
  InstrumentPorts ports(clock);
  auto port = std::make_unique<FuzzPort>(data + 1, size - 1, (pick & 0x08) != 0);
  DevcRS232& record = (pick & 7) < 3 ? ports.ChamberPort : ports.MeterPorts[1];
  record.Handle = std::move(port);
  record.PortName = "COM1";

  switch (pick & 7) {
    case 0: {
      const int16_t words[] = {250, -400, 0, 7};
      ports.ChamberWrite(0x0102, std::span(words).first((pick >> 4) % 5));
      break;
    }
    case 1:
      ports.ChamberRead(0x0001, static_cast<uint8_t>(pick >> 4));
      for (size_t k = 0; k < 8; ++k) {
        ChamberFrame::DataWord(std::span(ports.RxBuffer).first(ports.RxCount), k);
      }
      break;
    case 2:
      ports.ChamberRun();
      break;
    case 3:
      ports.PortReadLine(ports.MeterPorts[1]);
      break;
    case 4: {
      std::string reply;
      if (ports.PowerCommand(ports.MeterPorts[1], "*IDN?", reply) &&
          reply.size() > InstrumentPorts::kMaxReply) {
        std::abort();
      }
      break;
    }
    default: {
      size_t count = 0;
      ports.MeterExchange(1, count);
      if (count > InstrumentPorts::kMaxReply || count != ports.MeterReply.size()) std::abort();
      ports.MeterRead(1);
      break;
    }
  }
  if (ports.RxCount > InstrumentPorts::kMaxReply) std::abort();
  return 0;
}
