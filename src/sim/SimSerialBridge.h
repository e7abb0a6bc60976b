#pragma once

#include <deque>

#include "core/base/SerialPort.h"
#include "sim/SimSerialProtocol.h"

namespace qx::sim {

/// The serial bridge microcontroller of link kind 0, in process: a SerialPort whose far end
/// answers at once. Besides the protocol faults it can raise a parity error on the next status.
class SimSerialBridge final : public base::SerialPort {
 public:
  explicit SimSerialBridge(SimTarget& target) : protocol_(target) {}

  SimSerialFaults& Faults() { return protocol_.Faults(); }
  /// The next Status() reports a receive parity error (once).
  void ArmParityError() { parityNext_ = true; }
  const base::LineSettings& Settings() const { return settings_; }
  bool Dtr() const { return dtr_; }
  /// Every byte the host has sent, in order.
  const std::vector<uint8_t>& Sent() const { return sent_; }
  void ClearSent() { sent_.clear(); }

  bool Configure(const base::LineSettings& settings) override;
  bool SetDtr(bool on) override;
  base::LineStatus Status() override;
  size_t Read(std::span<uint8_t> buffer) override;
  bool Write(std::span<const uint8_t> bytes) override;
  void DiscardInput() override { rx_.clear(); }

 private:
  SimSerialProtocol protocol_;
  base::LineSettings settings_;
  bool dtr_ = false;
  bool parityNext_ = false;
  std::deque<uint8_t> rx_;
  std::vector<uint8_t> sent_;
};

}  // namespace qx::sim
