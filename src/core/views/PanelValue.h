#pragma once

#include <string>

#include "core/views/CellLook.h"

namespace qx::views {

/// A value panel of the register view: its text and whether it changed since last shown.
struct PanelValue {
  std::string text;
  bool changed = false;

  /// Changed: white on blue; unchanged: blue on white.
  CellLook Look() const {
    return changed ? CellLook{colour::kBlue, colour::kWhite}
                   : CellLook{colour::kWhite, colour::kBlue};
  }
};

}  // namespace qx::views
