#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "core/autotest/SwitchChannels.h"
#include "core/autotest/SwitchTest.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace qx::app {
class Workbench;
}

namespace qx::gui {
class ClickLabel;
}

namespace qx::gui::autotest {

class SwitchGridModel;

/// `TWeightCAL` ("Switch ADC Channel Test"): the eight channel settings, the target-run test and
/// its sample tables. Every decision is the workbench's `SwitchTest`; this window shows its state
/// and forwards the clicks.
class TWeightCAL final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 400;
  static constexpr int kMinHeight = 300;
  static constexpr int kGridTop = 91;
  /// Rows above the grid and below it together.
  static constexpr int kGridHeightLoss = 160;
  static constexpr int kMargin = 10;

  TWeightCAL(app::Workbench& bench, std::string programDir, QWidget* parent);

  /// Shows the model's state: boxes, panel looks, lists and grid.
  void Refresh();
  QTableView* Grid() const { return grid_; }

 protected:
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  ClickLabel* Panel(const QString& name, const QString& caption);
  void ApplyLook(ClickLabel* panel, const qx::autotest::PanelLook& look);
  void FormResize();
  void Begin();
  void SetRunning(bool running);

  app::Workbench& bench_;
  std::string programDir_;
  qx::autotest::SwitchTest& test_;
  std::array<QCheckBox*, qx::autotest::kChannels> switches_{};
  std::array<ClickLabel*, qx::autotest::kChannels> sets_{};
  std::array<ClickLabel*, qx::autotest::kChannels> reviews_{};
  std::array<ClickLabel*, qx::autotest::kChannels> steps_{};
  QPushButton* stop_ = nullptr;
  QComboBox* stepLen_ = nullptr;
  QComboBox* loopStep_ = nullptr;
  QComboBox* scale_ = nullptr;
  QLabel* stepLenLabel_ = nullptr;
  QLabel* loopLabel_ = nullptr;
  QLabel* scaleLabel_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* begin_ = nullptr;
  QPushButton* saveExcel_ = nullptr;
  QTableView* grid_ = nullptr;
  SwitchGridModel* model_ = nullptr;
  int column_ = 80;    ///< width of one channel column
  int row_ = 24;       ///< height of one control row
  int bottomRow_ = 0;  ///< width the list row needs
  bool syncing_ = false;
};

}  // namespace qx::gui::autotest
