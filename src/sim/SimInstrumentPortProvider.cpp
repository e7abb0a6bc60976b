#include "sim/SimInstrumentPortProvider.h"

#include "sim/SimInstrumentPort.h"

namespace qx::sim {

void SimInstrumentPortProvider::Add(const std::string& name, SimInstrument& instrument) {
  slots_.insert_or_assign(name, Slot{&instrument, std::make_shared<bool>(false)});
}

bool SimInstrumentPortProvider::InUse(const std::string& name) const {
  const auto it = slots_.find(name);
  return it != slots_.end() && *it->second.inUse;
}

std::unique_ptr<base::SerialPort> SimInstrumentPortProvider::Open(const std::string& name) {
  const auto it = slots_.find(name);
  if (it == slots_.end()) return nullptr;
  Slot& slot = it->second;
  if (*slot.inUse || slot.instrument->Faults().vanished) return nullptr;
  *slot.inUse = true;
  return std::make_unique<SimInstrumentPort>(clock_, *slot.instrument, slot.inUse);
}

}  // namespace qx::sim
