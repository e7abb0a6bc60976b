#include "gui/analysis/AnxAdcForm.h"

#include <qcustomplot.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>

#include "core/analysis/CaptureExport.h"
#include "core/analysis/CaptureViews.h"
#include "core/analysis/NoiseHistogram.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/SlotDecoder.h"
#include "core/app/FormId.h"
#include "core/app/Workbench.h"
#include "core/base/AtomicFile.h"
#include "gui/ChartExport.h"
#include "gui/LcdArray.h"
#include "gui/MainPanel.h"
#include "gui/QtHost.h"
#include "gui/analysis/AnxAdcFormParts.h"
#include "gui/analysis/NoiseViews.h"
#include "gui/analysis/SampleGridModel.h"
#include "platform/FftwRealFft.h"

namespace qx::gui::analysis {

using namespace anx_parts;

namespace {

QString Text(const std::optional<double>& v) {
  return v ? QString::fromStdString(qx::analysis::FixedText(*v)) : QString();
}

}  // namespace

AnxAdcForm::AnxAdcForm(app::Workbench& bench, QtHost& host, MainPanel& main, QWidget* parent)
    : QWidget(parent),
      bench_(bench),
      host_(host),
      main_(main),
      restore_(bench.access, bench.target, bench.frame, bench.settings, bench.host) {
  hide();
  setWindowTitle("Analyse ADC");
  BuildStrip();
  BuildPages();
  BuildHidden();
  // Never narrower than the strip or than a grid row of 8-character codes.
  const int fit = std::max({kMinWidth, strip_->minimumSizeHint().width(),
                            kHeaderWidth + kColumns * CellWidth(8) + 2 * grid_->frameWidth() + 4});
  setMinimumSize(fit, std::max(kMinHeight, StripHeight() + 120));
  resize(std::max(1080, fit), StripHeight() + 470);
  FormCreate();

  bench_.capture.onFiguresChanged = [this] { RefreshFigures(); };
  host_.OnChartRedraw(this, [this] { ChartFun(bench_.capture.Count()); });
  main_.RegisterCommand("Menu_ReadAdc", [this] {
    main_.ShowChild(app::FormId::TAnxADC, app::InfoOf(app::FormId::TAnxADC).PlacementIndex, true);
  });
  main_.RegisterCommand("RestoreADC", [this] { ComFunChange(); });
}

AnxAdcForm::~AnxAdcForm() {
  bench_.capture.onFiguresChanged = nullptr;
}

void AnxAdcForm::FormCreate() {
  bench_.capture.idle = 1;
  adcPanel_->hide();
  timer1_->stop();
  comFun_->setCurrentIndex(0);
  cFunAdc_->setCurrentIndex(0);
  bench_.monitor.streamingChart = false;
  SyncFromSettings();
}

void AnxAdcForm::SyncFromSettings() {
  const base::Settings& s = bench_.settings;
  syncing_ = true;
  points_->setCurrentIndex(s.NPointIndex);
  scale_->setCurrentIndex(s.ScaleIndex);
  average_->setCurrentIndex(s.CMAVR);
  refv_->setText(QString::fromStdString(s.EREFV));
  chTemper_->setChecked(s.ChTemper);
  fastRead_->setChecked(s.FastRead);
  eNumD_->setText(QString::fromStdString(s.ENumD));
  eGv_->setText(QString::fromStdString(s.EGv));
  comFun_->setCurrentIndex(s.ComFun);
  cFunAdc_->setCurrentIndex(s.CFunADC);
  syncing_ = false;
  bench_.capture.SyncFromSettings();
  model_->Reset();
  if (s.AnalysisTableMode && ChartShown()) ShowChartClick();
}

bool AnxAdcForm::ChartShown() const {
  return !chart_->isHidden();
}

void AnxAdcForm::SetCaptureMenus(bool enabled) {
  main_.SetCaptureRunning(!enabled);
  saveData_->setEnabled(enabled);
  showChart_->setEnabled(enabled);
  export_->setEnabled(enabled);
  saveChart_->setEnabled(enabled);
}

void AnxAdcForm::CatchADCClick() {
  qx::analysis::AdcCapture& capture = bench_.capture;
  capture.halving = true;
  if (capture.idle == 0) {
    capture.idle = 1;
    return;
  }
  if (const std::string missing = capture.MissingChoice(); !missing.empty()) {
    host_.SetStatus(2, missing);
    return;
  }
  SetCaptureMenus(false);
  // The commands come back however the capture ends, a thrown error included.
  struct Unlock {
    AnxAdcForm* form;
    ~Unlock() {
      form->SetCaptureMenus(true);
      form->bench_.capture.halving = false;
    }
  } unlock{this};
  model_->Reset();
  const uint8_t mode =
      fastRead_->isChecked() ? qx::analysis::kModeInterrupt : qx::analysis::kModeAdc;
  lastCaptureOk_ = capture.CatchACDCOM(refv_->text().toStdString(), mode);
  if (ChartShown()) ChartFun(capture.ChartCount());
}

void AnxAdcForm::RefreshFigures() {
  const qx::analysis::AnalysisPanels& p = bench_.capture.Panels();
  vrms_->setText(Text(p.vrms));
  enob_->setText(Text(p.enob));
  offset_->setText(Text(p.offset));
  // The noise panels in the unit chosen; in nanovolts they show the figures' own texts.
  const qx::analysis::NoiseUnit unit = Unit();
  const qx::analysis::NoiseScale scale =
      qx::analysis::ScaleOf(bench_.capture, bench_.settings.EREFV);
  const qx::analysis::NoiseFigures& f = bench_.noise.groups[0];
  const auto noise = [&](const std::optional<double>& nv, double codes) {
    return nv ? QString::fromStdString(qx::analysis::PanelNoiseText(*nv, codes, scale, unit))
              : QString();
  };
  vpp_->setText(noise(p.vpp, f.vppCodes));
  nrms_->setText(noise(p.nrms, f.rmsCodes));
  const QString unitName = QString::fromUtf8(qx::analysis::NoiseUnitName(unit));
  vppUnit_->setText(unitName);
  nrmsUnit_->setText(unitName);
  nfree_->setText(Text(p.nfree));
  // Figures of a capture that broke off or was stopped say so beside them.
  const std::string note = bench_.capture.idle != 0 ? bench_.capture.FiguresNote() : "";
  figuresNote_->setText(QString::fromStdString(note));
  figuresNote_->setToolTip(figuresNote_->text());
  model_->Refresh();
  FitColumns();
  // The pages are redrawn once the capture has ended (its last change comes after the idle
  // flag is set again), not at every change during it.
  if (bench_.capture.idle != 0) RefreshNoiseViews();
}

qx::analysis::NoiseUnit AnxAdcForm::Unit() const {
  const int i =
      std::clamp(unit_->currentIndex(), 0, static_cast<int>(qx::analysis::kNoiseUnits.size()) - 1);
  return qx::analysis::kNoiseUnits[static_cast<size_t>(i)];
}

void AnxAdcForm::RefreshNoiseViews() {
  namespace qa = qx::analysis;
  const int page = tabs_->currentIndex();
  if (page != kHistogramPage && page != kSpectrumPage) return;
  const qa::AdcCapture& capture = bench_.capture;
  const std::span<const double> codes = qa::DisplayCodes(capture);
  const qa::NoiseScale scale = qa::ScaleOf(capture, bench_.settings.EREFV);
  if (page == kHistogramPage) {
    const int width = std::max(50, histogram_->Chart()->width());
    const qa::NoiseHistogram h = qa::ComputeNoiseHistogram(codes, width, scale.NanovoltsPerCode());
    histogram_->Show(h, qa::HistogramFigures(h, scale, Unit()));
    return;
  }
  qa::SpectrumSettings settings;
  const std::optional<double> rate =
      qa::DisplayRateSps(capture, bench_.chip, qa::AveragingFactor(bench_.settings.CMAVR));
  settings.sampleRateHz = rate.value_or(0);
  settings.bits = scale.bits;
  settings.nvPerCode = scale.NanovoltsPerCode();
  const qa::SpectrumResult& s = spectrumModel_->Compute(codes, settings);
  spectrum_->Show(s, qa::SpectrumFigures(s, capture.Sigma(), scale, Unit()));
}

void AnxAdcForm::ShowChartClick() {
  if (!ChartShown()) {
    grid_->hide();
    chart_->show();
    ChartFun(bench_.capture.ChartCount());
    showChart_->setText(kToValues);
  } else {
    grid_->show();
    chart_->hide();
    showChart_->setText(kToChart);
  }
  bench_.settings.AnalysisTableMode = !ChartShown();
}

void AnxAdcForm::FTChangeClick() {
  bool& average = bench_.settings.AverageChart;
  average = !average;
  ftChange_->setText(average ? "Change Average" : "Change Normal");
  ChartFun(bench_.capture.ChartCount());
}

void AnxAdcForm::ChartFun(int n) {
  const qx::analysis::AdcCapture& capture = bench_.capture;
  n = std::clamp(n, 0, qx::analysis::AdcCapture::kCapacity);
  auto* title = static_cast<QCPTextElement*>(chart_->plotLayout()->element(0, 0));
  title->setText("Time Domain");
  const double elapsed = capture.ElapsedMs();
  chart_->xAxis->setRange(0, elapsed > 0 ? elapsed : 1);
  chart_->xAxis->setLabel("Time  ms");
  chart_->yAxis->setLabel("Degree");
  keys_.resize(n);
  values_.resize(n);
  for (int k = 0; k < n; ++k) {
    keys_[k] = capture.ChartX(k, n);
    values_[k] = static_cast<double>(capture.ChartValue(k));
  }
  chart_->graph(0)->setData(keys_, values_, true);
  if (n > 0) chart_->graph(0)->rescaleValueAxis(false, true);
  if (ChartShown()) chart_->replot(QCustomPlot::rpQueuedReplot);
}

void AnxAdcForm::SaveDataClick() {
  const QString path = QFileDialog::getSaveFileName(
      this, "Save", QString::fromStdString(main_.ProgramDir()) + "QxADC.CSV", "*.CSV");
  if (!path.isEmpty()) SAVECOM(path.toStdString());
}

bool AnxAdcForm::SAVECOM(const std::string& path) {
  std::string error;
  if (base::AtomicFile::Write(path, bench_.capture.SaveBytes(), error)) return true;
  bench_.host.ShowError(path + ": " + error);
  return false;
}

QString AnxAdcForm::ChooseFile(const QString& caption, const QString& suggested,
                               const QString& filter) {
  // The dialog opens in the program folder, beside the program's other files.
  const QString inFolder = QString::fromStdString(main_.ProgramDir()) + suggested;
  if (chooseFile_) return chooseFile_(caption, inFolder, filter);
  return QFileDialog::getSaveFileName(this, caption, inFolder, filter);
}

void AnxAdcForm::ExportClick() {
  if (bench_.capture.Count() == 0) {
    host_.SetStatus(2, "Export: no samples yet, Catch ADC first");
    return;
  }
  const QString path = ChooseFile("Export capture", "QxADC-export.csv", "CSV text (*.csv)");
  if (!path.isEmpty()) ExportCapture(path.toStdString());
}

bool AnxAdcForm::ExportCapture(const std::string& path) {
  namespace qa = qx::analysis;
  const qa::CaptureSettings settings =
      qa::DescribeCapture(bench_.capture, lastCaptureOk_, bench_.chip, bench_.target,
                          bench_.settings, qa::IsoLocalTime(std::chrono::system_clock::now()));
  const std::string text = qa::CaptureExportText(settings, bench_.capture.StreamedCodes());
  std::string error;
  if (!qa::WriteCaptureExport(path, text, error)) {
    bench_.host.ShowError(path + ": " + error);
    return false;
  }
  host_.SetStatus(2, "Exported " + std::to_string(bench_.capture.Count()) + " samples to " + path);
  return true;
}

void AnxAdcForm::SaveChartClick() {
  const QString path = ChooseFile("Save chart", "QxADC-chart.png", ChartExport::Filter());
  if (!path.isEmpty()) SaveChart(path);
}

bool AnxAdcForm::SaveChart(const QString& path) {
  QCustomPlot* chart = chart_;
  switch (tabs_->currentIndex()) {
    case kHistogramPage:
      chart = histogram_->Chart();
      break;
    case kSpectrumPage:
      chart = spectrum_->Chart();
      break;
    default:
      // The time plot, drawn even while the grid covers it.
      if (!ChartShown()) ChartFun(bench_.capture.ChartCount());
      break;
  }
  std::string error;
  if (!ChartExport::Save(*chart, path, error)) {
    bench_.host.ShowError(path.toStdString() + ": " + error);
    return false;
  }
  host_.SetStatus(2, "Chart saved to " + path.toStdString());
  return true;
}

void AnxAdcForm::ComFunChange() {
  restore_.ComFunChange();
}

void AnxAdcForm::showEvent(QShowEvent* event) {
  SyncFromSettings();
  QWidget::showEvent(event);
}

void AnxAdcForm::closeEvent(QCloseEvent* event) {
  timer1_->stop();
  adcPanel_->hide();
  showChart_->setEnabled(true);
  catchAdc_->setEnabled(true);
  bench_.monitor.streamingChart = false;
  QWidget::closeEvent(event);
}

void AnxAdcForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

int AnxAdcForm::StripHeight() const {
  return std::max(kStripHeight, strip_->sizeHint().height());
}

int AnxAdcForm::CellWidth(size_t characters) const {
  // Digits are the widest characters a cell holds; 8 px of cell padding.
  return grid_->fontMetrics().horizontalAdvance(QString(static_cast<int>(characters), '0')) + 8;
}

void AnxAdcForm::FormResize() {
  const int top = StripHeight();
  strip_->setGeometry(0, 0, width(), top);
  tabs_->setGeometry(0, top, width(), std::max(0, height() - top));
}

bool AnxAdcForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    grid_->setGeometry(client_->rect());
    chart_->setGeometry(client_->rect());
    FitColumns();
  }
  return QWidget::eventFilter(watched, event);
}

void AnxAdcForm::FitColumns() {
  // The columns share the width; a code wider than its share widens them all (the grid
  // then scrolls) instead of being cut.
  const int share = (grid_->width() - kHeaderWidth) / kColumns;
  const size_t widest =
      std::max<size_t>(4, bench_.capture.Cells().WidestText(bench_.capture.Cells().Capacity()));
  const int column = std::max({10, share, CellWidth(widest)});
  for (int c = 0; c < kColumns; ++c) grid_->setColumnWidth(c, column);
}

}  // namespace qx::gui::analysis
