#pragma once

#include <cstdint>

#include "core/link/LptRegisters.h"
#include "core/link/ParallelDriver.h"
#include "sim/SimLptTarget.h"

namespace qx::sim {

/// A PC parallel port with the simulated target on its lines, reached as the port driver
/// (requests) or by port instructions. Only the port at `Base()` exists; other addresses read
/// FF and ignore writes, as an empty bus does. Every register access is counted: each is one
/// ppdev call on the Linux backend, which is what bounds the speed of a real port.
class SimParallelPort final : public link::ParallelDriver, public link::LptRegisters {
 public:
  static constexpr uint16_t kDefaultBase = 0x378;

  explicit SimParallelPort(SimTarget& target) : target_(target) {}

  SimLptTarget& Target() { return target_; }
  uint16_t Base() const { return base_; }
  void SetBase(uint16_t base) { base_ = base; }
  /// Whether the driver's device opens (it does by default).
  void SetDriverPresent(bool present) { driverPresent_ = present; }

  /// Register reads and writes since the last reset.
  uint64_t Accesses() const { return accesses_; }
  void ResetAccesses() { accesses_ = 0; }
  uint8_t ControlRegister() const { return control_; }
  uint8_t Ecr() const { return ecr_; }

  // link::LptRegisters
  uint8_t Read(uint16_t port) override;
  void Write(uint16_t port, uint8_t value) override;

  // link::ParallelDriver
  link::DeviceHandle Open(const std::string& name) override;
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out) override;
  void Close(link::DeviceHandle) override {}
  uint8_t PortIn(uint16_t port) override { return Read(port); }
  void PortOut(uint16_t port, uint8_t value) override { Write(port, value); }
  std::string Problem() const override;

 private:
  static constexpr link::DeviceHandle kHandle = 0x3A;

  SimLptTarget target_;
  uint16_t base_ = kDefaultBase;
  bool driverPresent_ = true;
  uint8_t data_ = 0;
  uint8_t control_ = 0x0C;
  uint8_t ecr_ = 0x15;  ///< ECP mode 000, FIFO empty
  uint64_t accesses_ = 0;
};

}  // namespace qx::sim
