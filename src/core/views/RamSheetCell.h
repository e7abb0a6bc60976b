#pragma once

#include <string>

namespace qx::views {

/// Name of the worksheet of the RAM export.
inline constexpr char kRamSheetName[] = "USER Data";

/// One cell of the RAM export; rows and columns count from 1 as in the spreadsheet.
struct RamSheetCell {
  int row = 1;
  int col = 1;
  bool isNumber = false;
  int number = 0;
  std::string text;
  bool operator==(const RamSheetCell&) const = default;
};

}  // namespace qx::views
