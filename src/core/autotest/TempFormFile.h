#pragma once

#include <string>
#include <string_view>

#include "core/autotest/TempTest.h"

namespace qx::autotest {

/// "QxTemp.cfg" in the program folder: the temperature window's boxes and choices, one
/// "name=value" line each, and the register step table once it has its size ("reg_rows=N",
/// then "reg=ROW,COLUMN,TEXT" for every filled cell that is not a label), so a run's settings
/// outlive a kill of the program. Kept apart from "QxADC.cfg", whose layout other copies of
/// the program read.
struct TempFormFile {
  static constexpr char kFileName[] = "QxTemp.cfg";
  /// The boxes and a full register table (10000 modes of twelve cells); anything larger is not
  /// this file.
  static constexpr size_t kMaxBytes = 4 * 1024 * 1024;

  static std::string Render(const TempForm& form, const RegStepTable* regs = nullptr);
  /// Applies the lines it can read over `form` (and `regs`, labelled for its rows, when the
  /// text holds a register table); returns the 1-based number of the first line it could not
  /// (an unknown name, a value out of range, text that is no line), 0 when none.
  static int Apply(std::string_view text, TempForm& form, RegStepTable* regs = nullptr);
};

}  // namespace qx::autotest
