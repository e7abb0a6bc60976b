#pragma once

#include <string>
#include <vector>

#include "core/panels/FieldAccess.h"
#include "core/panels/PanelContext.h"
#include "core/panels/PanelState.h"
#include "core/panels/SelectorGroup.h"

namespace qx::panels {

/// The comparator block panel without its widgets: input selectors, threshold ladder and its
/// source, output routing and edge, the port switches shared with the pins and the enable,
/// bound to the fields of the chip's "#CMP0S" section.
class CmpPanel {
 public:
  explicit CmpPanel(PanelContext bench);

  /// All fields read 0 and are shown so; nothing is sent to the target.
  void FormCreate();
  /// Lists, captions and enabled controls after a chip load, and the switch displays the
  /// loader asked this panel to run.
  void ApplyChip();
  void DataUpdate();
  bool ListChanged(const std::string& control, int index);
  bool Click(const std::string& control);
  bool PopUp(const std::string& control);
  void TIncerClick() { SetRemembered(1); }
  void DecerClick() { SetRemembered(0); }

  const PanelState& State() const { return state_; }

 private:
  void SetRemembered(int value);
  void ShowField(const std::string& key);
  void ShowSummary();
  SelectorGroup* SelectorOfList(const std::string& control);

  PanelContext bench_;
  FieldAccess fields_;
  PanelState state_;
  std::vector<SelectorGroup> selectors_;
  std::string remembered_;
};

}  // namespace qx::panels
