#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/chip/ChipModel.h"
#include "core/link/TargetChip.h"

namespace qx::chip {

/// The link's view of the loaded chip: reads the live model, so a later chip load is seen at
/// the next access without telling the link.
class ChipTargetView final : public link::TargetChip {
 public:
  explicit ChipTargetView(const ChipModel& chip) : chip_(chip) {}

  std::string_view ModelName() const override { return chip_.ModelName; }
  uint16_t AdcFieldRegister(std::string_view key) const override {
    const auto it = chip_.AdcFields.find(std::string(key));
    return it == chip_.AdcFields.end() ? 0 : it->second.address;
  }

 private:
  const ChipModel& chip_;
};

}  // namespace qx::chip
