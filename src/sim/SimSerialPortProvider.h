#pragma once

#include <memory>
#include <string>

#include "core/base/SerialPort.h"
#include "sim/SimSerialBridge.h"

namespace qx::sim {

/// Serial ports of the simulated bench: one name (default "COM1") leads to the serial bridge
/// microcontroller; every other name goes to `others` (the bench instruments) when given, else
/// does not exist. The port opens exclusively.
class SimSerialPortProvider final : public base::SerialPortProvider {
 public:
  explicit SimSerialPortProvider(SimSerialBridge& bridge, std::string name = "COM1",
                                 base::SerialPortProvider* others = nullptr)
      : bridge_(bridge), name_(std::move(name)), others_(others) {}

  void SetPortName(std::string name) { name_ = std::move(name); }
  const std::string& PortName() const { return name_; }
  bool InUse() const { return *inUse_; }

  std::unique_ptr<base::SerialPort> Open(const std::string& name) override;

 private:
  SimSerialBridge& bridge_;
  std::string name_;
  base::SerialPortProvider* others_;
  /// Shared with the open port, which may outlive the provider.
  std::shared_ptr<bool> inUse_ = std::make_shared<bool>(false);
};

}  // namespace qx::sim
