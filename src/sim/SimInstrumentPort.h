#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "core/base/Clock.h"
#include "core/base/SerialPort.h"
#include "sim/SimInstrument.h"

namespace qx::sim {

/// An open port to a simulated instrument, in process. Answers are queued at once, or, on a late
/// line, become visible to Status and Read only once their time on the clock has come. A vanished
/// line queues nothing and refuses writes. Marks the port free again when destroyed.
class SimInstrumentPort final : public base::SerialPort {
 public:
  SimInstrumentPort(base::Clock& clock, SimInstrument& instrument, std::shared_ptr<bool> inUse);
  ~SimInstrumentPort() override;
  SimInstrumentPort(const SimInstrumentPort&) = delete;
  SimInstrumentPort& operator=(const SimInstrumentPort&) = delete;

  bool Configure(const base::LineSettings& settings) override;
  bool SetDtr(bool on) override;
  base::LineStatus Status() override;
  size_t Read(std::span<uint8_t> buffer) override;
  bool Write(std::span<const uint8_t> bytes) override;
  void DiscardInput() override;

 private:
  struct Pending {
    double dueMs;
    std::vector<uint8_t> bytes;
  };
  bool Gone() const { return instrument_.Faults().vanished; }
  void ReleaseDue();

  base::Clock& clock_;
  SimInstrument& instrument_;
  std::shared_ptr<bool> inUse_;
  std::deque<Pending> pending_;  ///< in order of due time
  std::deque<uint8_t> rx_;
};

}  // namespace qx::sim
