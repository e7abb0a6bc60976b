#pragma once

#include "core/link/TargetAccess.h"
#include "core/views/TargetPort.h"

namespace qx::views {

/// The views' port onto the link's target access operations.
class AccessPort final : public TargetPort {
 public:
  explicit AccessPort(link::TargetAccess& access) : access_(access) {}
  uint8_t Get(int address) const override { return access_.GetRegImage(address); }
  void Write(uint16_t address, uint8_t value) override { access_.WriteReg(address, value); }
  void Store(int address, uint8_t value) override { access_.StoreAndRefresh(address, value); }

 private:
  link::TargetAccess& access_;
};

}  // namespace qx::views
