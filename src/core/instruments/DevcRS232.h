#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::instruments {

/// One instrument serial port: the open port, its bench name and whether the instrument was
/// found on it. Only the chamber record fills the line fields, when it is selected.
struct DevcRS232 {
  std::unique_ptr<base::SerialPort> Handle;
  std::string PortName;
  bool Selected = false;
  uint32_t BaudRate = 0;
  uint16_t ByteSize = 0;
  uint16_t Parity = 0;

  bool IsOpen() const { return Handle != nullptr; }
  /// Closes the port; the record is no longer Selected.
  void Release() {
    Handle.reset();
    Selected = false;
  }
};

}  // namespace qx::instruments
