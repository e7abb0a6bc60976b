#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "core/base/SerialPort.h"
#include "sim/SimByteProtocol.h"
#include "sim/SimInstrumentFaults.h"

namespace qx::sim {

/// One instrument on the simulated bench as its serial line sees it: the device's protocol with
/// the line faults applied, plus the line settings and DTR the host last set.
class SimInstrument final : public SimByteProtocol {
 public:
  static constexpr size_t kSentKept = 64 * 1024;  ///< bytes of Sent() kept in a long run

  explicit SimInstrument(SimByteProtocol& device) : device_(device) {}

  SimInstrumentFaults& Faults() { return faults_; }
  const SimInstrumentFaults& Faults() const { return faults_; }

  /// The device answers unless the line is silent or gone; a garbled line corrupts the answer.
  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override;
  double ReplyDelayMs() const override {
    return std::max(faults_.lateMs > 0 ? faults_.lateMs : 0, answerLateMs_);
  }
  /// Faults of single answers, on top of the standing ones.
  void PlanAnswerFaults(std::vector<SimAnswerFault> plan) { answerPlan_ = std::move(plan); }
  unsigned long Answers() const { return answers_; }

  void SetSettings(const base::LineSettings& s) { settings_ = s; }
  const base::LineSettings& Settings() const { return settings_; }
  void SetDtr(bool on) { dtr_ = on; }
  bool Dtr() const { return dtr_; }
  /// The bytes the host has sent, in order: the last kSentKept of them.
  const std::vector<uint8_t>& Sent() const { return sent_; }
  void ClearSent() { sent_.clear(); }

 private:
  SimByteProtocol& device_;
  SimInstrumentFaults faults_;
  base::LineSettings settings_;
  bool dtr_ = false;
  std::vector<uint8_t> sent_;
  std::vector<SimAnswerFault> answerPlan_;
  unsigned long answers_ = 0;
  double answerLateMs_ = 0;  ///< the delay of the answer just given
};

}  // namespace qx::sim
