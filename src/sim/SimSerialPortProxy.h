#pragma once

#include <memory>

#include "core/base/SerialPort.h"
#include "sim/SimSerialBridge.h"

namespace qx::sim {

/// The port object handed out by SimSerialPortProvider: forwards to the board's serial bridge
/// and marks the port free again when it is destroyed.
class SimSerialPortProxy final : public base::SerialPort {
 public:
  SimSerialPortProxy(SimSerialBridge& bridge, std::shared_ptr<bool> inUse)
      : bridge_(bridge), inUse_(std::move(inUse)) {}
  ~SimSerialPortProxy() override { *inUse_ = false; }
  SimSerialPortProxy(const SimSerialPortProxy&) = delete;
  SimSerialPortProxy& operator=(const SimSerialPortProxy&) = delete;

  bool Configure(const base::LineSettings& settings) override {
    return bridge_.Configure(settings);
  }
  bool SetDtr(bool on) override { return bridge_.SetDtr(on); }
  base::LineStatus Status() override { return bridge_.Status(); }
  size_t Read(std::span<uint8_t> buffer) override { return bridge_.Read(buffer); }
  bool Write(std::span<const uint8_t> bytes) override { return bridge_.Write(bytes); }
  void DiscardInput() override { bridge_.DiscardInput(); }

 private:
  SimSerialBridge& bridge_;
  std::shared_ptr<bool> inUse_;
};

}  // namespace qx::sim
