#pragma once

#include <string>
#include <vector>

#include "core/views/RamSheetCell.h"

namespace qx::gui {

/// Writes the RAM export as an .xlsx workbook with the one sheet "USER Data".
class RamWorkbook {
 public:
  static bool Write(const std::string& path, const std::vector<views::RamSheetCell>& cells,
                    std::string& error);
};

}  // namespace qx::gui
