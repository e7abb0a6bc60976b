#include "sim/SimSerialPortProvider.h"

#include "sim/SimSerialPortProxy.h"

namespace qx::sim {

std::unique_ptr<base::SerialPort> SimSerialPortProvider::Open(const std::string& name) {
  if (name != name_) return others_ != nullptr ? others_->Open(name) : nullptr;
  if (*inUse_) return nullptr;
  *inUse_ = true;
  return std::make_unique<SimSerialPortProxy>(bridge_, inUse_);
}

}  // namespace qx::sim
