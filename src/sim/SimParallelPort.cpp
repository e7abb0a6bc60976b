#include "sim/SimParallelPort.h"

#include "core/link/LptSequences.h"

namespace qx::sim {

namespace lpt = link::lpt;

uint8_t SimParallelPort::Read(uint16_t port) {
  ++accesses_;
  if (port == base_ + lpt::kData) return data_;
  // Bits 3 and 4 (no error, selected) are high on a powered target.
  if (port == base_ + lpt::kStatus)
    return static_cast<uint8_t>(0x18 | (target_.DataLine() ? lpt::kTargetData : 0));
  if (port == base_ + lpt::kControl) return control_;
  if (port == base_ + lpt::kEcr) return ecr_;
  return 0xFF;
}

void SimParallelPort::Write(uint16_t port, uint8_t value) {
  ++accesses_;
  if (port == base_ + lpt::kData) {
    data_ = value;
  } else if (port == base_ + lpt::kControl) {
    control_ = value;
    target_.ControlWritten(value);
  } else if (port == base_ + lpt::kEcr) {
    ecr_ = value;
  }
}

link::DeviceHandle SimParallelPort::Open(const std::string& name) {
  return driverPresent_ && name == lpt::kDeviceName ? kHandle : link::kInvalidHandle;
}

bool SimParallelPort::Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                              std::span<uint8_t> out) {
  if (h != kHandle || !driverPresent_) return false;
  return link::LptSequences::Serve(*this, code, in, out);
}

std::string SimParallelPort::Problem() const {
  return driverPresent_ ? std::string() : "the simulated port driver is switched off";
}

}  // namespace qx::sim
