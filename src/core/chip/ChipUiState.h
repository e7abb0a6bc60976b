#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/chip/FormState.h"
#include "core/chip/GridState.h"

namespace qx::chip {

/// Window names under which the chip loader records control effects.
inline constexpr char kMainWindow[] = "TMainPanel";
inline constexpr char kSetupDialog[] = "TOption";
inline constexpr char kRamView[] = "TQx_RAM";
inline constexpr char kRegisterView[] = "TQx_Reg2";
inline constexpr char kAdcPanel[] = "TADCForm";
inline constexpr char kOpPanel[] = "TOPForm";
inline constexpr char kCmpPanel[] = "TCMPForm";

/// A switch handler that a panel must run once it applies the chip's effects, e.g. the
/// comparator's CPOXSwitch for "PCPOIF" with setting 0.
struct PanelSwitchRequest {
  std::string form;
  std::string control;
  int setting = 0;
  bool operator==(const PanelSwitchRequest&) const = default;
};

/// Effects of chip loads on the windows, kept as plain data. The loader changes what the chip
/// file asks for; the analog panels and the byte and word grids start afresh with every load, so
/// nothing of the previous chip shows there, while the other windows' state carries over.
/// Front ends apply it on Host::ChipLoaded() / Host::MenuVisibilityChanged().
struct ChipUiState {
  std::map<std::string, FormState> forms;  ///< by window name (kMainWindow, ...)
  std::map<std::string, GridState> grids;  ///< register view grids "SREG", "SByteReg", "SWordReg"
  std::vector<PanelSwitchRequest> switchRequests;  ///< pending; the panel clears them when run

  FormState& Form(const std::string& name) { return forms[name]; }
  const FormState& Form(const std::string& name) const {
    static const FormState kEmpty;
    auto it = forms.find(name);
    return it == forms.end() ? kEmpty : it->second;
  }
  GridState& Grid(const std::string& name) { return grids[name]; }
  const GridState& Grid(const std::string& name) const {
    static const GridState kEmpty;
    auto it = grids.find(name);
    return it == grids.end() ? kEmpty : it->second;
  }
};

}  // namespace qx::chip
