#pragma once

#include <QVector>
#include <QWidget>
#include <string>

#include "core/analysis/PresetRestore.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace qx::app {
class Workbench;
}

namespace qx::gui {
class LcdArray;
class MainPanel;
class QtHost;
}  // namespace qx::gui

namespace qx::gui::analysis {

class SampleGridModel;

/// `TAnxADC` ("Analyse ADC"): capture a run of ADC samples and read its noise figures, as a
/// grid of display codes or as a time-domain chart. The capture and the figures are core's
/// `AdcCapture`; this window binds its controls to it and to the settings.
class AnxAdcForm final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 714;
  static constexpr int kMinHeight = 277;
  /// The strip is at least this high; two rows of labelled controls make it higher.
  static constexpr int kStripHeight = 50;

  AnxAdcForm(app::Workbench& bench, QtHost& host, MainPanel& main, QWidget* parent);

  void CatchADCClick();
  void ShowChartClick();
  void FTChangeClick();
  void SaveDataClick();
  /// Writes the save file; a failure is shown as an error message.
  bool SAVECOM(const std::string& path);
  void ComFunChange();
  /// Draws the chart with the first `n` points.
  void ChartFun(int n);
  /// Controls from the settings the configuration file restored.
  void SyncFromSettings();

  bool ChartShown() const;
  QCustomPlot* Chart() const { return chart_; }
  QTableView* Grid() const { return grid_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildStrip();
  void BuildHidden();
  void FormCreate();
  void FormResize();
  void RefreshFigures();
  void SetCaptureMenus(bool enabled);
  /// A figure panel under its label, with its unit beside it when it has one.
  QLabel* Panel(const char* name, const char* label, const char* unit);
  int StripHeight() const;
  /// Pixels a grid cell needs for a text of `characters` digits.
  int CellWidth(size_t characters) const;
  void FitColumns();

  app::Workbench& bench_;
  QtHost& host_;
  MainPanel& main_;
  qx::analysis::PresetRestore restore_;

  QComboBox* points_ = nullptr;
  QComboBox* scale_ = nullptr;
  QPushButton* catchAdc_ = nullptr;
  QPushButton* saveData_ = nullptr;
  QPushButton* showChart_ = nullptr;
  QPushButton* ftChange_ = nullptr;
  QLabel* enob_ = nullptr;
  QLabel* nfree_ = nullptr;
  QLabel* offset_ = nullptr;
  QLabel* vpp_ = nullptr;
  QLabel* nrms_ = nullptr;
  QLabel* vrms_ = nullptr;
  QLineEdit* refv_ = nullptr;
  QComboBox* average_ = nullptr;
  QCheckBox* fastRead_ = nullptr;
  QCheckBox* chTemper_ = nullptr;
  QComboBox* comFun_ = nullptr;
  QComboBox* cFunAdc_ = nullptr;
  QLineEdit* eNumD_ = nullptr;
  QLineEdit* eGv_ = nullptr;
  QWidget* strip_ = nullptr;
  QHBoxLayout* figures_ = nullptr;
  QWidget* client_ = nullptr;
  QWidget* adcPanel_ = nullptr;
  LcdArray* lcd_ = nullptr;
  QTimer* timer1_ = nullptr;
  QTableView* grid_ = nullptr;
  SampleGridModel* model_ = nullptr;
  QCustomPlot* chart_ = nullptr;
  QVector<double> keys_;
  QVector<double> values_;
  bool syncing_ = false;
};

}  // namespace qx::gui::analysis
