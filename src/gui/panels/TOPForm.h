#pragma once

#include "core/app/Workbench.h"
#include "core/panels/OpPanel.h"
#include "gui/panels/SchematicForm.h"

namespace qx::gui {

class QtHost;

/// `TOPForm`: the op-amp block as a schematic: input selectors, amplifier, mode, input switch
/// and analog supply.
class TOPForm final : public SchematicForm {
  Q_OBJECT

 public:
  TOPForm(app::Workbench& bench, QtHost& host, QWidget* parent);

  void DataUpdate();
  panels::OpPanel& Model() { return model_; }

 private:
  void Layout();

  panels::OpPanel model_;
};

}  // namespace qx::gui
