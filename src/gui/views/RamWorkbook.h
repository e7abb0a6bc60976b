#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/views/RamSheetCell.h"

namespace qx::gui {

/// Writes the RAM export as an .xlsx workbook with the one sheet "USER Data".
class RamWorkbook {
 public:
  /// The workbook of 1024 cells is a few kilobytes; what the library wrote is read back up to
  /// this size.
  static constexpr size_t kMaxBytes = 16u * 1024u * 1024u;
  /// Replaces `path` atomically, as every file the program rewrites.
  static bool Write(const std::string& path, const std::vector<views::RamSheetCell>& cells,
                    std::string& error);
};

}  // namespace qx::gui
