#include "core/instruments/InstrumentPorts.h"

#include <algorithm>

#include "core/instruments/ChamberFrame.h"

namespace qx::instruments {
namespace {

/// Between two looks at the input queue: short enough for a 9600-baud reply, long enough not to
/// spin a core on the real clock.
constexpr double kPollStepMs = 2;
constexpr double kReplyLimitMs = 1000;
constexpr double kShortLimitMs = 500;
constexpr double kTextPauseMs = 20;
constexpr double kSettleMs = 100;
constexpr double kDiscardPauseMs = 50;
constexpr double kPowerReplyMs = 500;
constexpr double kMeterRetryPauseMs = 1000;
constexpr size_t kMaxText = 255;
constexpr size_t kMaxChamberWords = 4;
constexpr size_t kMaxChamberReadCount = 99;  ///< the count field has two digits
constexpr size_t kChamberAckLength = 11;
constexpr size_t kMeterFirstChunk = 14;

}  // namespace

size_t InstrumentPorts::PollQueue(DevcRS232& port, size_t wanted, double limitMs) {
  const double start = clock_.NowMs();
  for (;;) {
    const size_t queued = port.Handle->Status().queued;
    if (queued >= wanted || clock_.NowMs() - start >= limitMs) return queued;
    clock_.WaitMs(kPollStepMs);
  }
}

size_t InstrumentPorts::ReadInto(DevcRS232& port, std::span<uint8_t> buffer) {
  const size_t n = std::min(port.Handle->Read(buffer), buffer.size());
  if (n > 0 && trace) trace(port.PortName, false, buffer.first(n));
  return n;
}

void InstrumentPorts::Send(DevcRS232& port, std::span<const uint8_t> bytes) {
  // Write errors are not reported: a port that did not send shows as a missing reply.
  port.Handle->Write(bytes);
  if (trace) trace(port.PortName, true, bytes);
}

void InstrumentPorts::ReadAway(DevcRS232& port) {
  std::array<uint8_t, kMaxReply> scratch{};
  size_t queued = port.Handle->Status().queued;
  while (queued > 0) {
    const size_t n = ReadInto(port, std::span(scratch).first(std::min(queued, scratch.size())));
    if (n == 0) break;
    queued -= std::min(queued, n);
  }
}

size_t InstrumentPorts::ReadReply(DevcRS232& port, size_t queued) {
  RxBuffer.fill(0);
  // A driver may hand out less than it reported queued; the reply is whole only once every
  // queued byte is in.
  const size_t wanted = std::min(queued, kMaxReply);
  size_t n = 0;
  while (n < wanted) {
    const size_t got = ReadInto(port, std::span(RxBuffer).subspan(n, wanted - n));
    if (got == 0) break;
    n += got;
  }
  return n;
}

bool InstrumentPorts::ChamberWrite(uint16_t address, std::span<const int16_t> words) {
  RxCount = 0;
  if (!ChamberPort.IsOpen() || words.size() > kMaxChamberWords) return false;
  const std::string frame = ChamberFrame::Write(address, words);
  std::copy(frame.begin(), frame.end(), TxBuffer.begin());
  Send(ChamberPort, std::span(TxBuffer).first(frame.size()));
  const size_t queued = PollQueue(ChamberPort, kChamberAckLength, kReplyLimitMs);
  if (queued == 0) return false;
  RxCount = ReadReply(ChamberPort, queued);
  return ChamberFrame::IsOk(std::span(RxBuffer).first(RxCount));
}

bool InstrumentPorts::ChamberRead(uint16_t address, uint8_t count) {
  RxCount = 0;
  if (!ChamberPort.IsOpen() || count > kMaxChamberReadCount) return false;
  const std::string frame = ChamberFrame::Read(address, count);
  std::copy(frame.begin(), frame.end(), TxBuffer.begin());
  Send(ChamberPort, std::span(TxBuffer).first(frame.size()));
  const size_t queued = PollQueue(ChamberPort, ChamberFrame::ReadReplyLength(count), kReplyLimitMs);
  if (queued == 0) return false;
  RxCount = ReadReply(ChamberPort, queued);
  return RxCount > 0;
}

bool InstrumentPorts::ChamberRun() {
  static constexpr int16_t kClear[] = {0};
  static constexpr int16_t kRun[] = {1};
  ChamberWrite(0x0200, kClear);
  return ChamberWrite(0x0101, kRun);
}

bool InstrumentPorts::ChamberStop() {
  static constexpr int16_t kStop[] = {4};
  return ChamberWrite(0x0101, kStop);
}

void InstrumentPorts::PortWriteText(DevcRS232& port, std::string_view text) {
  if (!port.IsOpen() || text.empty() || text.size() > kMaxText) return;
  std::copy(text.begin(), text.end(), TxBuffer.begin());
  Send(port, std::span(TxBuffer).first(text.size()));
  clock_.WaitMs(kTextPauseMs);
}

size_t InstrumentPorts::PortReadLine(DevcRS232& port) {
  if (!port.IsOpen()) return 0;
  std::array<uint8_t, kMaxReply> line{};
  size_t length = 0;
  bool overflow = false;
  bool sawCr = false;
  std::array<uint8_t, kMaxReply> chunk{};
  const double start = clock_.NowMs();
  for (;;) {
    const size_t queued = port.Handle->Status().queued;
    if (queued > 0) {
      const size_t n = ReadInto(port, std::span(chunk).first(std::min(queued, chunk.size())));
      for (size_t i = 0; i < n && !sawCr; ++i) {
        if (chunk[i] == '\r') {
          sawCr = true;
        } else if (length < line.size()) {
          line[length++] = chunk[i];
        } else {
          overflow = true;
        }
      }
    }
    if (sawCr || clock_.NowMs() - start > kShortLimitMs) break;
    clock_.WaitMs(kPollStepMs);
  }
  // A line longer than the buffer would come back cut short; better no line than a wrong one.
  if (!sawCr || overflow) return 0;
  std::copy_n(line.begin(), length, TxBuffer.begin());
  return length;
}

std::string InstrumentPorts::LineText(size_t length) const {
  const size_t n = std::min(length, kMaxReply);
  return std::string(TxBuffer.begin(), TxBuffer.begin() + static_cast<std::ptrdiff_t>(n));
}

bool InstrumentPorts::PowerCommand(DevcRS232& port, std::string_view command, std::string& reply) {
  if (!port.IsOpen() || command.size() + 2 > kMaxReply) return false;
  ReadAway(port);
  std::copy(command.begin(), command.end(), TxBuffer.begin());
  TxBuffer[command.size()] = '\r';
  TxBuffer[command.size() + 1] = '\n';
  Send(port, std::span(TxBuffer).first(command.size() + 2));
  clock_.WaitMs(kPowerReplyMs);
  const size_t queued = port.Handle->Status().queued;
  if (queued == 0) return false;
  const size_t n = ReadReply(port, queued);
  if (n == 0) return false;
  reply.assign(RxBuffer.begin(), RxBuffer.begin() + static_cast<std::ptrdiff_t>(n));
  return true;
}

bool InstrumentPorts::MeterExchange(size_t index, size_t& count) {
  count = 0;
  MeterReply.clear();
  if (index >= kMeterCount || !MeterPorts[index].IsOpen()) return false;
  DevcRS232& port = MeterPorts[index];

  if (port.Handle->Status().queued > 0) {
    ReadAway(port);
    clock_.WaitMs(kSettleMs);
    ReadAway(port);
  }
  Send(port, MeterFrame::Request());
  size_t queued = PollQueue(port, kMeterFirstChunk, kReplyLimitMs);
  if (queued < kMeterFirstChunk) {
    clock_.WaitMs(kMeterRetryPauseMs);
    Send(port, MeterFrame::Request());
    queued = PollQueue(port, kMeterFirstChunk, kShortLimitMs);
    if (queued < kMeterFirstChunk) return false;
  }

  std::array<uint8_t, kMaxReply> bytes{};
  size_t n = ReadInto(port, std::span(bytes).first(std::min(queued, bytes.size())));
  bool complete = false;
  if (MeterFrame::FindStart(std::span(bytes).first(n)) != MeterFrame::npos) {
    complete = MeterFrame::FindEnd(std::span(bytes).first(n)) != MeterFrame::npos;
    if (!complete) {
      // The frame began but its end is still on the line: wait for the rest of 22 bytes.
      const size_t missing = n < MeterFrame::kReplyLength ? MeterFrame::kReplyLength - n : 0;
      const size_t more = PollQueue(port, missing, kShortLimitMs);
      if (more >= missing && n < bytes.size()) {
        n += ReadInto(port, std::span(bytes).subspan(n, std::min(more, bytes.size() - n)));
        complete = MeterFrame::FindEnd(std::span(bytes).first(n)) != MeterFrame::npos;
      }
    }
  }
  MeterReply.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  count = n;
  if (!complete) {
    clock_.WaitMs(kDiscardPauseMs);
    port.Handle->DiscardInput();
  }
  return complete;
}

MeterReading InstrumentPorts::MeterRead(size_t index) {
  size_t count = 0;
  if (!MeterExchange(index, count)) {
    lastUnit_.clear();
    return MeterReading{};
  }
  MeterReading reading = MeterFrame::Decode(MeterReply);
  lastUnit_ = MeterFrame::UnitText(reading.flagA, reading.flagB);
  return reading;
}

}  // namespace qx::instruments
