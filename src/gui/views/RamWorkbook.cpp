#include "gui/views/RamWorkbook.h"

#include <xlsxwriter.h>

#include <filesystem>
#include <system_error>

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"

namespace qx::gui {

bool RamWorkbook::Write(const std::string& path, const std::vector<views::RamSheetCell>& cells,
                        std::string& error) {
  // The library writes to a file name of its own choosing only: it gets a fresh, exclusively
  // created scratch file beside the workbook, whose bytes then replace the workbook atomically.
  std::filesystem::path scratch;
  if (!base::AtomicFile::WriteTemp(path, {}, scratch, error)) return false;
  struct Remove {
    const std::filesystem::path& file;
    ~Remove() {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
  } remove{scratch};

  lxw_workbook* book = workbook_new(scratch.c_str());
  if (!book) {
    error = "cannot create " + scratch.string();
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
  const base::FileRead written = base::ReadRegularFile(scratch, kMaxBytes);
  if (!written.Ok()) {
    error = written.error;
    return false;
  }
  return base::AtomicFile::Write(path, written.bytes, error);
}

}  // namespace qx::gui
