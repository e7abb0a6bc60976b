#pragma once

#include <string>
#include <vector>

#include "core/panels/PanelState.h"

namespace qx::panels {

/// A switch panel is lit while its field is on.
inline void ShowSwitch(PanelState& state, const std::string& control, int value) {
  state.look[control] = value != 0 ? Look::Active : Look::Plain;
}

/// Of a pair of controls standing for the two values of a 1-bit field, only one is visible.
inline void ShowPair(PanelState& state, const std::string& whenZero, const std::string& whenOne,
                     int value) {
  state.visible[whenZero] = value == 0;
  state.visible[whenOne] = value != 0;
}

/// "00", "01" ... the items of a list with 2^bits settings.
std::vector<std::string> CodeItems(int bits);

}  // namespace qx::panels
