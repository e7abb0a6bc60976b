#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/base/Clock.h"
#include "core/base/SerialPort.h"
#include "sim/SimInstrument.h"

namespace qx::sim {

/// Serial ports of simulated instruments, opened by their bench names, each exclusively. A name
/// without an instrument, or whose instrument's line has vanished, does not open.
class SimInstrumentPortProvider final : public base::SerialPortProvider {
 public:
  /// The clock times late answers; it and every added instrument must outlive open ports.
  explicit SimInstrumentPortProvider(base::Clock& clock) : clock_(clock) {}

  /// Puts `instrument` on port `name`, replacing whatever was there.
  void Add(const std::string& name, SimInstrument& instrument);
  bool InUse(const std::string& name) const;

  std::unique_ptr<base::SerialPort> Open(const std::string& name) override;

 private:
  struct Slot {
    SimInstrument* instrument;
    std::shared_ptr<bool> inUse;  ///< shared with the open port, which may outlive the provider
  };

  base::Clock& clock_;
  std::map<std::string, Slot> slots_;
};

}  // namespace qx::sim
