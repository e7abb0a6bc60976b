#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/chip/ChipModel.h"

namespace qx::views {

/// What the RAM view keeps per data memory cell besides its value.
struct RamCellMarks {
  bool mark = false;
  uint32_t colour = 0x808080;  ///< mark background as the RAM file stores it (0x00BBGGRR)
  bool hint = false;           ///< the cell's text is drawn underlined
  std::string hintText;
  bool operator==(const RamCellMarks&) const = default;
};

using RamMarks = std::array<RamCellMarks, chip::kAddressSpace>;

}  // namespace qx::views
