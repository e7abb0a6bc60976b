#include "core/link/SerialBridgeLink.h"

#include <algorithm>

namespace qx::link {

namespace {
constexpr int kSyncAttempts = 3;
constexpr double kPollStepMs = 1;
constexpr double kSettleMs = 100;
constexpr uint8_t kReadCommand = 0xC0;
constexpr uint8_t kWriteCommand = 0x40;
constexpr int kStatusPanel = 1;
}  // namespace

SerialBridgeLink::SerialBridgeLink(TargetRecord& target, IoFrame& frame, base::Clock& clock,
                                   base::Host& host)
    : target_(target), frame_(frame), clock_(clock), host_(host) {}

bool SerialBridgeLink::ReadBytes(uint16_t address, uint8_t count) {
  bool synced = false;
  for (int attempt = 0; attempt < kSyncAttempts && !synced; ++attempt) {
    const SyncResult r = SyncAttempt();
    if (r == SyncResult::PortClosed) return false;
    if (r == SyncResult::Acknowledged) {
      synced = true;
    } else {
      clock_.WaitMs(kRetryWaitMs);
    }
  }
  if (!synced || !target_.ComOpen || !target_.ComPort) return false;

  const uint8_t request[4] = {kReadCommand, static_cast<uint8_t>(address & 0xFF),
                              static_cast<uint8_t>(address >> 8), count};
  if (!Send(request, sizeof request)) return false;

  const base::LineStatus status = WaitQueued(count, kRetryWaitMs);
  if (status.errorMask == base::comm_error::kRxParity)
    host_.SetStatus(kStatusPanel, "Parity Fail");
  else if (status.errorMask == 0)
    host_.SetStatus(kStatusPanel, "");
  else
    host_.SetStatus(kStatusPanel, "Other Err");

  if (status.queued > 0) {
    // A reply shorter than asked leaves stale bytes at the end of the frame: a failed read,
    // with the status text of the line as it is.
    const size_t got = ReadQueued(frame_.data(), frame_.size());
    clock_.WaitMs(kSettleMs);
    return got >= count;
  }
  host_.SetStatus(kStatusPanel, "Data Empty");
  clock_.WaitMs(kRetryWaitMs);
  return false;
}

bool SerialBridgeLink::WriteBytes(uint16_t address, uint8_t count) {
  if (!target_.ComOpen || !target_.ComPort) return false;
  if (SyncAttempt() != SyncResult::Acknowledged) {
    clock_.WaitMs(kRetryWaitMs);
    return false;
  }

  // The data was placed from byte 5 on; the wire frame carries it right after the 4-byte header.
  const size_t n = std::min<size_t>(count, frame_.size() - 5);
  std::copy_n(frame_.begin() + 5, n, frame_.begin() + 4);
  frame_[0] = kWriteCommand;
  frame_[1] = static_cast<uint8_t>(address & 0xFF);
  frame_[2] = static_cast<uint8_t>(address >> 8);
  frame_[3] = count;
  if (!Send(frame_.data(), n + 4)) return false;

  const base::LineStatus status = WaitQueued(1, kSyncWaitMs);
  ReportParity(status);
  bool result = false;
  if (status.queued > 0) {
    ReadQueued(frame_.data(), frame_.size());
    if (frame_[0] != kAck) {
      clock_.WaitMs(kRetryWaitMs);
      return false;
    }
    result = true;
  }
  clock_.WaitMs(kSettleMs);
  return result;
}

SerialBridgeLink::SyncResult SerialBridgeLink::SyncAttempt() {
  if (!target_.ComOpen || !target_.ComPort) return SyncResult::PortClosed;
  base::SerialPort& port = *target_.ComPort;
  port.Status();
  port.DiscardInput();
  const uint8_t sync = kSync;
  if (!Send(&sync, 1)) return SyncResult::NoAck;
  const base::LineStatus status = WaitQueued(1, kSyncWaitMs);
  ReportParity(status);
  uint8_t reply[8] = {};
  const size_t got = ReadQueued(reply, sizeof reply);
  return got > 0 && reply[0] == kAck ? SyncResult::Acknowledged : SyncResult::NoAck;
}

base::LineStatus SerialBridgeLink::WaitQueued(size_t count, double limitMs) {
  base::SerialPort& port = *target_.ComPort;
  const double start = clock_.NowMs();
  base::LineStatus total;
  for (;;) {
    const base::LineStatus s = port.Status();
    total.queued = s.queued;
    total.errorMask |= s.errorMask;
    if (s.queued >= std::max<size_t>(count, 1)) return total;
    if (clock_.NowMs() - start > limitMs) return total;
    clock_.WaitMs(kPollStepMs);
  }
}

size_t SerialBridgeLink::ReadQueued(uint8_t* dest, size_t capacity) {
  base::SerialPort& port = *target_.ComPort;
  const base::LineStatus s = port.Status();
  const size_t n = std::min(s.queued, capacity);
  const size_t got = n > 0 ? port.Read(std::span<uint8_t>(dest, n)) : 0;
  if (got > 0 && trace_) trace_(TransferDirection::Received, std::span<const uint8_t>(dest, got));
  return got;
}

bool SerialBridgeLink::Send(const uint8_t* data, size_t n) {
  if (trace_) trace_(TransferDirection::Sent, std::span<const uint8_t>(data, n));
  return target_.ComPort->Write(std::span<const uint8_t>(data, n));
}

void SerialBridgeLink::ReportParity(const base::LineStatus& status) {
  if (status.errorMask == base::comm_error::kRxParity) host_.SetStatus(kStatusPanel, "Parity Fail");
}

}  // namespace qx::link
