#pragma once

#include <memory>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::platform {

/// Opens serial ports by bench name ("COM3", or a device path) through `ComPortNames`.
class PosixSerialPortProvider : public base::SerialPortProvider {
 public:
  /// `programDir` holds the optional ComPorts.txt; it is read at every open, so an edit takes
  /// effect without a restart.
  explicit PosixSerialPortProvider(std::string programDir);

  std::unique_ptr<base::SerialPort> Open(const std::string& name) override;

 private:
  std::string programDir_;
};

}  // namespace qx::platform
