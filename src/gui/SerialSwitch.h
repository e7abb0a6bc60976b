#pragma once

#include <memory>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::gui {

/// The serial ports the panel opens, bound to the real ports or to the simulated board once
/// that exists. Unbound, no port exists.
class SerialSwitch final : public base::SerialPortProvider {
 public:
  void Bind(base::SerialPortProvider* provider) { provider_ = provider; }

  std::unique_ptr<base::SerialPort> Open(const std::string& name) override {
    return provider_ ? provider_->Open(name) : nullptr;
  }

 private:
  base::SerialPortProvider* provider_ = nullptr;
};

}  // namespace qx::gui
