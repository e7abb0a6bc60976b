#pragma once

#include <string>
#include <string_view>

#include "core/autotest/TempTest.h"

namespace qx::autotest {

/// "QxTemp.cfg" in the program folder: the temperature window's boxes and choices, one
/// "name=value" line each, so a run's settings outlive a kill of the program. Kept apart from
/// "QxADC.cfg", whose layout other copies of the program read.
struct TempFormFile {
  static constexpr char kFileName[] = "QxTemp.cfg";
  /// A few short lines; anything larger is not this file.
  static constexpr size_t kMaxBytes = 16 * 1024;

  static std::string Render(const TempForm& form);
  /// Applies the lines it can read over `form`; returns the 1-based number of the first line
  /// it could not (an unknown name, a value out of range, text that is no line), 0 when none.
  static int Apply(std::string_view text, TempForm& form);
};

}  // namespace qx::autotest
