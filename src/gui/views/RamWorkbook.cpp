#include "gui/views/RamWorkbook.h"

#include <xlsxwriter.h>

namespace qx::gui {

bool RamWorkbook::Write(const std::string& path, const std::vector<views::RamSheetCell>& cells,
                        std::string& error) {
  lxw_workbook* book = workbook_new(path.c_str());
  if (!book) {
    error = "cannot create " + path;
    return false;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(book, views::kRamSheetName);
  for (const views::RamSheetCell& c : cells) {
    // The sheet's rows and columns count from 1; the library's from 0.
    const auto row = static_cast<lxw_row_t>(c.row - 1);
    const auto col = static_cast<lxw_col_t>(c.col - 1);
    if (c.isNumber)
      worksheet_write_number(sheet, row, col, c.number, nullptr);
    else
      worksheet_write_string(sheet, row, col, c.text.c_str(), nullptr);
  }
  const lxw_error result = workbook_close(book);
  if (result != LXW_NO_ERROR) {
    error = path + ": " + lxw_strerror(result);
    return false;
  }
  return true;
}

}  // namespace qx::gui
