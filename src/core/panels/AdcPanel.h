#pragma once

#include <cstdint>
#include <string>

#include "core/panels/AdcReadingText.h"
#include "core/panels/FieldAccess.h"
#include "core/panels/PanelContext.h"
#include "core/panels/PanelState.h"

namespace qx::panels {

/// The ADC block panel without its widgets: binds each control to its field of the chip's
/// "#ADC0S" section, writes changes to the target at once, and shows single conversion
/// results. The current values of the fields stay in the chip model's descriptors, where the
/// gain of a capture is read from.
class AdcPanel {
 public:
  explicit AdcPanel(PanelContext bench);

  /// Default lists, the display mode and resolution, the fields as they stand.
  void FormCreate();
  /// Option lists, captions and enabled controls after a chip description was loaded.
  void ApplyChip();
  /// The configuration was loaded: take its resolution (this also sets the divisor).
  void ConfigLoaded();
  /// Recomputes every control from the register image, then shows the last readings.
  void DataUpdate();
  /// The result fields only, from the last ADC and word readings of the link.
  void ShowReading();
  /// A list control selected item `index`. False for a control the panel does not own.
  bool ListChanged(const std::string& control, int index);
  /// A switch or button was clicked. False for a control the panel does not own.
  bool Click(const std::string& control);
  /// The window was closed: it only hides, and continuous reading stops.
  void FormClose();
  /// Stops continuous reading (closing the window, the start of a capture).
  void StopContinuousRead();

  const PanelState& State() const { return state_; }
  /// 0 until a resolution has been chosen.
  int32_t Divisor() const { return divisor_; }
  ReadingMode Mode() const;

 private:
  void RefreshSwitch(const std::string& key, const std::string& control);
  void ShowField(const std::string& key);
  void SelectList(const std::string& control, int value);
  void ShowContinuousCaption();

  PanelContext bench_;
  FieldAccess fields_;
  PanelState state_;
  int32_t divisor_ = 0;
};

}  // namespace qx::panels
