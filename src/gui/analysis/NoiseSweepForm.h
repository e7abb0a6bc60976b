#pragma once

#include <QWidget>
#include <vector>

#include "core/analysis/NoiseSweep.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTimer;

namespace qx::app {
class Workbench;
}

namespace qx::gui {
class MainPanel;
}

namespace qx::gui::analysis {

/// `TNoiseSweep` ("Noise Sweep"): the noise table over the chip's PGA gains and output rates.
/// The sweep itself is the core's `NoiseSweep`; the window picks the plan, shows the cells as
/// they finish, and exports or copies the table.
class NoiseSweepForm final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 1040;
  static constexpr int kDefaultHeight = 560;
  static constexpr int kDefaultPointItem = 4;  ///< 1024 points

  NoiseSweepForm(app::Workbench& bench, MainPanel& main, QWidget* parent);
  ~NoiseSweepForm() override;

  /// Rebuilds the gain and rate boxes from the chip (not while a sweep runs).
  void SyncChip();
  /// "Start": runs the checked cells; returns when the sweep ends.
  void StartClick();
  /// "Stop": the running capture stops, the finished cells stay.
  void StopClick();
  /// Writes the table's CSV to `path`; false, with the reason shown, when it cannot.
  bool ExportCsv(const QString& path);
  /// "Copy": the table as tab-separated text on the clipboard.
  void CopyClick();

  const qx::analysis::NoiseSweep& Sweep() const { return sweep_; }
  QString StatusText() const;

 protected:
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildBoxes();
  void ShowCells();
  void ShowProgress();
  void SetRunning(bool running);
  void Say(const QString& text);

  app::Workbench& bench_;
  MainPanel& main_;
  qx::analysis::NoiseSweep sweep_;
  std::vector<qx::analysis::SweepGain> gains_;
  std::vector<qx::analysis::SweepRate> rates_;
  std::vector<QCheckBox*> gainBoxes_;
  std::vector<QCheckBox*> rateBoxes_;
  QComboBox* points_ = nullptr;
  QLineEdit* reference_ = nullptr;
  QGroupBox* gainGroup_ = nullptr;
  QGroupBox* rateGroup_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* copy_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QTableView* table_ = nullptr;
  QStandardItemModel* model_ = nullptr;
  QTimer* timer_ = nullptr;  ///< refreshes the time left while a capture runs
  /// The status line tells what the chip lacks for a sweep.
  bool unsweepableShown_ = false;
};

}  // namespace qx::gui::analysis
