#pragma once

#include <memory>
#include <string>

#include "core/link/SerialPort.h"

namespace qx::gui {

/// The serial ports the panel opens, bound to the real ports or to the simulated board once
/// that exists. Unbound, no port exists.
class SerialSwitch final : public link::SerialPortProvider {
 public:
  void Bind(link::SerialPortProvider* provider) { provider_ = provider; }

  std::unique_ptr<link::SerialPort> Open(const std::string& name) override {
    return provider_ ? provider_->Open(name) : nullptr;
  }

 private:
  link::SerialPortProvider* provider_ = nullptr;
};

}  // namespace qx::gui
