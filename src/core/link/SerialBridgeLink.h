#pragma once

#include <cstdint>

#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/link/IoFrame.h"
#include "core/link/TargetRecord.h"
#include "core/link/TransferTrace.h"

namespace qx::link {

/// Link kind 0: the serial bridge microcontroller. Each exchange starts with the 55/AA
/// synchronisation, then a C0 read or 40 write frame. Serial errors go to status panel 1.
class SerialBridgeLink {
 public:
  SerialBridgeLink(TargetRecord& target, IoFrame& frame, base::Clock& clock, base::Host& host);

  /// Reads `count` bytes into `IoFrame` from byte 0. A short reply still counts as success.
  bool ReadBytes(uint16_t address, uint8_t count);
  /// Writes the `count` bytes that the caller put in `IoFrame` from byte 5 on.
  bool WriteBytes(uint16_t address, uint8_t count);

  void SetTrace(TransferTrace trace) { trace_ = std::move(trace); }

  static constexpr uint8_t kSync = 0x55;
  static constexpr uint8_t kAck = 0xAA;
  static constexpr double kSyncWaitMs = 100;
  static constexpr double kRetryWaitMs = 4000;

 private:
  enum class SyncResult { Acknowledged, NoAck, PortClosed };
  SyncResult SyncAttempt();
  /// Polls the line status until `count` bytes are queued or `limitMs` has passed.
  base::LineStatus WaitQueued(size_t count, double limitMs);
  size_t ReadQueued(uint8_t* dest, size_t capacity);
  bool Send(const uint8_t* data, size_t n);
  void ReportParity(const base::LineStatus& status);

  TargetRecord& target_;
  IoFrame& frame_;
  base::Clock& clock_;
  base::Host& host_;
  TransferTrace trace_;
};

}  // namespace qx::link
