#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Clock.h"
#include "core/instruments/DevcRS232.h"
#include "core/instruments/MeterFrame.h"

namespace qx::instruments {

/// The instrument layer: one port record per bench instrument and the blocking exchanges with
/// them. Every wait goes through the Clock (a sleep on the real clock, nothing on the fake one);
/// no exchange lets window messages run. The buffers are shared, so exchanges never overlap.
/// No operation reports an error by itself: every failure is a false or zero result.
class InstrumentPorts {
 public:
  static constexpr size_t kBufferSize = 513;
  /// Replies are cut here; nothing is ever written past the buffers.
  static constexpr size_t kMaxReply = 512;
  static constexpr size_t kMeterCount = 6;

  explicit InstrumentPorts(base::Clock& clock) : clock_(clock) {}
  InstrumentPorts(const InstrumentPorts&) = delete;
  InstrumentPorts& operator=(const InstrumentPorts&) = delete;

  DevcRS232 ChamberPort;
  DevcRS232 FlukePort;
  DevcRS232 PowerPort;
  std::array<DevcRS232, kMeterCount> MeterPorts;

  std::array<uint8_t, kBufferSize> TxBuffer{};
  std::array<uint8_t, kBufferSize> RxBuffer{};
  /// Bytes of the last chamber reply in RxBuffer.
  size_t RxCount = 0;
  /// The last multimeter reply, bytes in arrival order.
  std::vector<uint8_t> MeterReply;

  /// Write sequential data (count 0 to 4 words) at `address`; true when acknowledged ("OK").
  bool ChamberWrite(uint16_t address, std::span<const int16_t> words);
  /// Read sequential data; true when any reply bytes arrived (RxBuffer, RxCount).
  bool ChamberRead(uint16_t address, uint8_t count);
  bool ChamberRun();
  bool ChamberStop();

  /// Writes `text` (1 to 255 characters; empty writes nothing), then waits 20 ms.
  void PortWriteText(DevcRS232& port, std::string_view text);
  /// Reads for at most 0.5 s up to the first CR; the characters before it go to the start of
  /// TxBuffer and their count is returned; 0 without a CR.
  size_t PortReadLine(DevcRS232& port);
  /// TxBuffer's line after PortReadLine.
  std::string LineText(size_t length) const;
  /// Writes `command` CR LF, waits 500 ms and collects every queued byte as `reply`
  /// (terminators included); false, `reply` untouched, when nothing came.
  bool PowerCommand(DevcRS232& port, std::string_view command, std::string& reply);
  /// One request/reply with meter `index`; true for a complete DLE STX ... DLE ETX frame.
  /// `count` gets the number of bytes in MeterReply.
  bool MeterExchange(size_t index, size_t& count);
  /// MeterExchange and decode; a failed exchange gives 0 with the error flag clear.
  MeterReading MeterRead(size_t index);
  /// Unit text of the last MeterRead.
  std::string MeterUnit() const { return lastUnit_; }

  /// Sees every byte written (`sent`) and read, per port name; for qxctl --trace.
  std::function<void(const std::string& port, bool sent, std::span<const uint8_t> bytes)> trace;

 private:
  /// Looks at the queue every few milliseconds until `wanted` bytes are there or `limitMs` has
  /// passed; returns the bytes queued at the last look.
  size_t PollQueue(DevcRS232& port, size_t wanted, double limitMs);
  /// Reads what is queued, at most `buffer.size()` bytes, and traces it.
  size_t ReadInto(DevcRS232& port, std::span<uint8_t> buffer);
  void Send(DevcRS232& port, std::span<const uint8_t> bytes);
  /// Reads and drops everything queued now.
  void ReadAway(DevcRS232& port);
  /// Zeroes RxBuffer and reads up to `queued` bytes (at most kMaxReply) into it.
  size_t ReadReply(DevcRS232& port, size_t queued);

  base::Clock& clock_;
  std::string lastUnit_;
};

}  // namespace qx::instruments
