#pragma once

#include <functional>
#include <utility>

#include "core/link/TargetAccess.h"
#include "core/views/TargetPort.h"

namespace qx::views {

/// The views' port onto the link's target access operations.
class AccessPort final : public TargetPort {
 public:
  explicit AccessPort(link::TargetAccess& access) : access_(access) {}
  uint8_t Get(int address) const override { return access_.GetRegImage(address); }
  void Write(uint16_t address, uint8_t value) override {
    if (mayWrite_ && !mayWrite_()) return;
    access_.WriteReg(address, value);
  }
  void Store(int address, uint8_t value) override { access_.StoreAndRefresh(address, value); }
  /// Asked before every write to the target; a guard that says no has told the user why.
  void SetWriteGuard(std::function<bool()> mayWrite) { mayWrite_ = std::move(mayWrite); }

 private:
  link::TargetAccess& access_;
  std::function<bool()> mayWrite_;
};

}  // namespace qx::views
