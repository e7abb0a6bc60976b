#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/app/FormId.h"
#include "core/base/ProgramVersion.h"

namespace qx::app {

inline constexpr char kMainCaption[] = "Qx-740xTEST V1.4";
static_assert(std::string_view(kMainCaption).ends_with(base::kProgramVersion),
              "the caption shows the program's version");

struct WindowTitle {
  FormId Form;
  std::string Title;
};

/// The window titles that name the chip once a USB Scan has found the bridge.
class WindowTitles {
 public:
  /// In the order they are set; the main window's comes last.
  static std::vector<WindowTitle> ForChip(const std::string& chipName);
};

}  // namespace qx::app
