#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "core/instruments/StepTable.h"

class QTableView;
class QTimer;

namespace qx::gui {

class StepTableModel;

/// `TFLUKE` and `TFPower`: an MDI child showing one instrument step table for editing. Closing
/// only hides it; the table lives in the workbench for the whole run.
class StepTableWindow final : public QWidget {
  Q_OBJECT

 public:
  /// How often a shown window looks for changes made to its table by the temperature test.
  static constexpr int kRefreshMs = 200;

  StepTableWindow(const QString& caption, const char* gridName, instruments::StepTable& table,
                  QWidget* parent);

  QTableView* Grid() const { return grid_; }
  /// Re-reads the table if it changed since the last look.
  void Refresh();

  /// The window's "Save" and "Load" buttons: the same commands as the File menu's.
  std::function<void()> onSave;
  std::function<void()> onLoad;
  /// Where a refused edit is said.
  std::function<void(const std::string&)> onStatus;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SizeColumns();

  StepTableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QTimer* refresh_ = nullptr;
};

}  // namespace qx::gui
