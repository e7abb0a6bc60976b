#pragma once

#include "core/app/Workbench.h"
#include "core/panels/AdcPanel.h"
#include "gui/panels/SchematicForm.h"

namespace qx::gui {

class QtHost;

/// `TADCForm`: the ADC block as a schematic (inputs, multiplexers, PGA, modulator, output rate
/// filter, references and supply) with its conversion result field.
class TADCForm final : public SchematicForm {
  Q_OBJECT

 public:
  TADCForm(app::Workbench& bench, QtHost& host, QWidget* parent);

  /// Refresh from the register image.
  void DataUpdate();
  /// The configuration was loaded: display mode and resolution come from it.
  void ConfigLoaded();
  /// A capture starts: continuous reading stops.
  void StopContinuousRead();
  panels::AdcPanel& Model() { return model_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Layout();

  panels::AdcPanel model_;
};

}  // namespace qx::gui
