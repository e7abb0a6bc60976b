#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/chip/ChipModel.h"
#include "core/views/RamCellMarks.h"
#include "core/views/TargetPort.h"

namespace qx::views {

/// The RAM file ("*.ram"): the bytes of addresses 0..511, one per line ("-" for a cell the chip
/// does not implement), then per address three lines: the mark and hint flags, the mark colour,
/// the hint text. Lines end in CR LF.
class RamFile {
 public:
  static constexpr int kCells = 512;
  static constexpr int kLines = kCells * 4;

  /// What a RAM file held, as far as it could be read.
  struct Contents {
    int values = 0;  ///< value lines read (0..512)
    std::array<uint8_t, kCells> value{};
    int groups = 0;  ///< complete mark groups read (0..512)
    std::array<RamCellMarks, kCells> marks{};
    std::string error;  ///< empty when the whole file was read
    bool Ok() const { return error.empty(); }
  };

  static std::string Render(const TargetPort& port, const chip::ChipModel& chip,
                            const RamMarks& marks);
  /// Reads what it can; stops at the first line that is missing or malformed and says why.
  static Contents Parse(std::string_view text);
};

}  // namespace qx::views
