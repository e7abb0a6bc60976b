#pragma once

#include <cstdint>
#include <vector>

#include "core/chip/ChipModel.h"

namespace qx::views {

/// One block read of the Read RAM command.
struct RamBlock {
  uint16_t address = 0;
  uint16_t count = 0;
  bool operator==(const RamBlock&) const = default;
};

/// The block reads of "Read RAM" on link kinds 0 to 4: fixed base blocks, then each optional
/// group whose range in the chip description is not empty. No block is longer than one read
/// can carry (255 bytes).
class ReadRamPlan {
 public:
  static std::vector<RamBlock> For(uint16_t linkKind, const chip::ChipModel& chip);
};

}  // namespace qx::views
