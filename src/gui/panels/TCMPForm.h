#pragma once

#include "core/app/Workbench.h"
#include "core/panels/CmpPanel.h"
#include "gui/panels/SchematicForm.h"

namespace qx::gui {

class QtHost;

/// `TCMPForm`: the comparator block as a schematic: input selectors, threshold ladder and its
/// source, output routing, edge, port switches and supply.
class TCMPForm final : public SchematicForm {
  Q_OBJECT

 public:
  TCMPForm(app::Workbench& bench, QtHost& host, QWidget* parent);

  void DataUpdate();
  panels::CmpPanel& Model() { return model_; }

 private:
  void Layout();
  void Toggle(const char* on, const char* off, QRect at, const QString& zero, const QString& one);

  panels::CmpPanel model_;
};

}  // namespace qx::gui
