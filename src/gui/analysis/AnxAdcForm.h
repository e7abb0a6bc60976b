#pragma once

#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/analysis/NoiseSpectrum.h"
#include "core/analysis/NoiseUnits.h"
#include "core/analysis/PresetRestore.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
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

class HistogramView;
class SampleGridModel;
class SpectrumView;

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
  /// Takes the window's hook off the capture, which outlives it.
  ~AnxAdcForm() override;

  void CatchADCClick();
  void ShowChartClick();
  void FTChangeClick();
  void SaveDataClick();
  /// Writes the save file; a failure is shown as an error message.
  bool SAVECOM(const std::string& path);
  void ComFunChange();
  /// "Export…": the samples of the last capture with the settings that produced them.
  void ExportClick();
  bool ExportCapture(const std::string& path);
  /// "Save Chart…": the chart of the page shown, as PNG or SVG.
  void SaveChartClick();
  bool SaveChart(const QString& path);
  /// Asks for a file name to write; tests answer without a dialog.
  using FileChooser = std::function<QString(const QString& caption, const QString& suggested,
                                            const QString& filter)>;
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  /// The unit the noise panels and figures are shown in.
  qx::analysis::NoiseUnit Unit() const;
  /// Draws the chart with the first `n` points.
  void ChartFun(int n);
  /// Controls from the settings the configuration file restored.
  void SyncFromSettings();

  bool ChartShown() const;
  QCustomPlot* Chart() const { return chart_; }
  QTableView* Grid() const { return grid_; }
  QTabWidget* Tabs() const { return tabs_; }
  HistogramView* Histogram() const { return histogram_; }
  SpectrumView* Spectrum() const { return spectrum_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  /// The grid and the chart fill the samples page whenever it changes size.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildStrip();
  void BuildPages();
  void BuildHidden();
  void FormCreate();
  void FormResize();
  void RefreshFigures();
  /// Redraws the histogram or spectrum page when it is the one shown.
  void RefreshNoiseViews();
  QString ChooseFile(const QString& caption, const QString& suggested, const QString& filter);
  void SetCaptureMenus(bool enabled);
  /// A figure panel under its label, with its unit beside it when it has one.
  QLabel* Panel(const char* name, const char* label, const char* unit,
                QLabel** unitLabel = nullptr);
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
  QTabWidget* tabs_ = nullptr;
  QWidget* client_ = nullptr;
  HistogramView* histogram_ = nullptr;
  SpectrumView* spectrum_ = nullptr;
  std::unique_ptr<qx::analysis::NoiseSpectrum> spectrumModel_;
  QComboBox* unit_ = nullptr;
  QLabel* vppUnit_ = nullptr;
  QLabel* nrmsUnit_ = nullptr;
  /// What the figures stand for when the capture did not complete.
  QLabel* figuresNote_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* saveChart_ = nullptr;
  FileChooser chooseFile_;
  /// What the last capture returned: the export says whether its run is complete.
  bool lastCaptureOk_ = false;
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
