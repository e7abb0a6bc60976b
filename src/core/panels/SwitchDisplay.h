#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/panels/PanelState.h"

namespace qx::panels {

/// A switch panel of a block: its control, the field it toggles and its default caption.
struct Switch {
  const char* control;
  const char* key;
  const char* caption;
};

/// The switch of `table` with that control name, or nullptr.
template <class Table>
const Switch* FindSwitch(const Table& table, const std::string& control) {
  for (const Switch& s : table) {
    if (control == s.control) return &s;
  }
  return nullptr;
}

/// What the chip load recorded for a control, or `fallback` when it recorded nothing.
template <typename T>
T Lookup(const std::map<std::string, T>& m, const std::string& key, T fallback) {
  const auto it = m.find(key);
  return it == m.end() ? fallback : it->second;
}

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
