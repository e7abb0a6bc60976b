#pragma once

#include <string>

#include "core/panels/FieldAccess.h"
#include "core/panels/PanelContext.h"
#include "core/panels/PanelState.h"
#include "core/panels/SelectorGroup.h"

namespace qx::panels {

/// The op-amp block panel without its widgets: input selectors, enable, chopper or offset
/// mode, input switch and analog supply, bound to the fields of the chip's "#OP0S" section.
class OpPanel {
 public:
  explicit OpPanel(PanelContext bench);

  /// All fields read 0 and are shown so; nothing is sent to the target.
  void FormCreate();
  void ApplyChip();
  void DataUpdate();
  bool ListChanged(const std::string& control, int index);
  /// Buttons, labels and switch panels; a switch panel toggles its field.
  bool Click(const std::string& control);
  /// Popup menu of a switch panel: remembers the panel, then "1" or "0" sets its field.
  bool PopUp(const std::string& control);
  void TIncerClick() { SetRemembered(1); }
  void DecerClick() { SetRemembered(0); }

  const PanelState& State() const { return state_; }

 private:
  void SetRemembered(int value);
  void ShowField(const std::string& key);

  PanelContext bench_;
  FieldAccess fields_;
  PanelState state_;
  SelectorGroup positive_;
  SelectorGroup negative_;
  std::string remembered_;
};

}  // namespace qx::panels
