#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/base/SerialPort.h"
#include "core/link/TargetRecord.h"

namespace qx::chip {

/// The serial ports the setup dialog opened for the bridge microcontroller. A port is opened
/// once and then kept for the run, one per COM number, so going back to a port used before
/// works on that port's own handle instead of the one opened last.
class SetupBridgePorts {
 public:
  explicit SetupBridgePorts(base::SerialPortProvider& provider) : provider_(provider) {}

  /// Makes COM(`index` + 1), named `name`, the target's bridge port, opening it (exclusively)
  /// unless it is already held. The port the target held before is kept for a later return.
  /// On failure the target has no port. Sets `ComPort` and `ComOpen`.
  bool Select(int index, const std::string& name, link::TargetRecord& target);

  /// Bit n is set once COM(n+1) has been opened as the bridge port.
  uint32_t OpenedMask() const { return mask_; }
  void ClearMask() { mask_ = 0; }

 private:
  base::SerialPortProvider& provider_;
  std::map<int, std::unique_ptr<base::SerialPort>> kept_;
  int active_ = -1;  ///< COM index of the port the target holds, -1 for none of ours
  uint32_t mask_ = 0;
};

}  // namespace qx::chip
