#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/chip/FormState.h"
#include "core/panels/FieldAccess.h"
#include "core/panels/PanelState.h"

namespace qx::panels {

/// A selector field drawn as one on/off button pair per setting (`OP0N101on` / `OP0N101off`),
/// one label per setting and a list. Exactly one button of each pair is visible: "on" for the
/// selected setting. Clicking either button or the label selects that setting.
struct SelectorLayout {
  std::string field;        ///< field keyword, e.g. "OP0N"
  std::string prefix;       ///< button prefix, e.g. "OP0N"
  int options = 4;          ///< number of settings (4, 8 or 16)
  std::string labelPrefix;  ///< "LAI": labels LAI0..LAI7, or LCPVRS0000.. when `labelByCode`
  bool labelByCode = false;
  std::string image;       ///< image prefix shown with an available setting ("ImAI"), or empty
  std::string list;        ///< list control, e.g. "TXOP0N"
  bool listByText = true;  ///< the list holds the codes of the available settings only
  std::vector<std::string> captions;  ///< default label captions
};

class SelectorGroup {
 public:
  explicit SelectorGroup(SelectorLayout layout) : layout_(std::move(layout)) {}

  const SelectorLayout& Layout() const { return layout_; }
  /// Binary text of setting `k` with as many digits as the setting count needs.
  std::string Code(int k) const;
  std::string Label(int k) const;
  /// The setting whose button or label `control` is.
  std::optional<int> OptionOf(const std::string& control) const;
  /// The setting a list selection stands for; a text that names no setting gives 0.
  int ListValue(const PanelState& state, int index) const;

  /// Captions, list items, enabled buttons and visible labels after the chip's effects. A
  /// setting is available when the field holds it and the chip did not mark it absent.
  void Build(PanelState& state, const chip::FormState& ui, const FieldAccess& fields) const;
  /// The setting's buttons are enabled: the chip offers it and the field can hold it.
  bool Available(const PanelState& state, int k) const {
    return state.IsEnabled(layout_.prefix + Code(k) + "on");
  }
  /// Shows setting `value` (out of range shows setting 0).
  void Show(PanelState& state, int value) const;

 private:
  SelectorLayout layout_;
};

}  // namespace qx::panels
