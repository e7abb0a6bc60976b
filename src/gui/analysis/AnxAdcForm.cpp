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
#include "gui/analysis/NoiseViews.h"
#include "gui/analysis/SampleGridModel.h"
#include "platform/FftwRealFft.h"

namespace qx::gui::analysis {

namespace {

constexpr char kToChart[] = "Chang to Chart";
constexpr char kToValues[] = "Chang to vaule";
constexpr int kHeaderWidth = 35;
constexpr int kCaptionGap = 10;
constexpr int kColumns = 17;
enum Page { kSamplesPage, kHistogramPage, kSpectrumPage };

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->addItems(items);
  c->setCurrentIndex(-1);
  return c;
}

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
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("AnalysisPages");
  client_ = new QWidget(tabs_);
  client_->setObjectName("ClientPanel");
  client_->installEventFilter(this);
  tabs_->addTab(client_, "Samples");
  histogram_ = new HistogramView(tabs_);
  tabs_->addTab(histogram_, "Histogram");
  spectrum_ = new SpectrumView(tabs_);
  tabs_->addTab(spectrum_, "Spectrum");
  spectrumModel_ = std::make_unique<qx::analysis::NoiseSpectrum>(platform::FftwRealFftFactory());
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { RefreshNoiseViews(); });
  connect(spectrum_, &SpectrumView::ScaleChanged, this, [this] { RefreshNoiseViews(); });
  model_ = new SampleGridModel(bench_.capture, this);
  grid_ = new QTableView(client_);
  grid_->setObjectName("MemoryF");
  grid_->setModel(model_);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(18);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QFont small = grid_->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  grid_->setFont(small);
  chart_ = new QCustomPlot(client_);
  chart_->setObjectName("Chart1");
  chart_->addGraph();
  chart_->graph(0)->setPen(QPen(Qt::red));
  chart_->graph(0)->setAdaptiveSampling(true);
  // The values are whole display codes and the labels carry no decimals: ticks only on whole
  // codes, so a label never names a level half a code away.
  auto wholeCodes = QSharedPointer<QCPAxisTickerFixed>::create();
  wholeCodes->setTickStep(1.0);
  wholeCodes->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  chart_->yAxis->setTicker(wholeCodes);
  chart_->yAxis->setNumberFormat("f");
  chart_->yAxis->setNumberPrecision(0);
  chart_->plotLayout()->insertRow(0);
  chart_->plotLayout()->addElement(0, 0, new QCPTextElement(chart_, ""));
  chart_->hide();
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

QLabel* AnxAdcForm::Panel(const char* name, const char* label, const char* unit,
                          QLabel** unitLabel) {
  auto* box = new QWidget(strip_);
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(new QLabel(label, box));
  auto* row = new QHBoxLayout;
  row->setSpacing(3);
  auto* p = new QLabel(box);
  p->setObjectName(name);
  p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // Room for the widest figure: a 24-bit code with two decimals.
  p->setMinimumWidth(p->fontMetrics().horizontalAdvance("-16777216.00") + 2 * p->frameWidth() + 6);
  p->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  row->addWidget(p);
  if (unit) {
    auto* u = new QLabel(unit, box);
    u->setObjectName(QString(name) + "Unit");
    // Room for the widest unit the list offers.
    u->setMinimumWidth(u->fontMetrics().horizontalAdvance("ppm FS") + 2);
    row->addWidget(u);
    if (unitLabel) *unitLabel = u;
  }
  v->addLayout(row);
  figures_->addWidget(box);
  return p;
}

void AnxAdcForm::BuildStrip() {
  strip_ = new QWidget(this);
  strip_->setObjectName("ControlStrip");
  // Settings and commands on the first row, the figures with their units on the second, so
  // every caption and figure shows whole at the window's default width.
  auto* rows = new QVBoxLayout(strip_);
  rows->setContentsMargins(4, 2, 4, 2);
  rows->setSpacing(2);
  auto* h = new QHBoxLayout;
  figures_ = new QHBoxLayout;
  rows->addLayout(h);
  rows->addLayout(figures_);
  auto labelled = [this, h](const char* label, QWidget* w) {
    auto* box = new QWidget(strip_);
    auto* v = new QVBoxLayout(box);
    // A gap after each caption, which is often wider than its list: "Sample Point  Scale".
    v->setContentsMargins(0, 0, kCaptionGap, 0);
    v->setSpacing(0);
    v->addWidget(new QLabel(label, box));
    w->setParent(box);
    v->addWidget(w);
    h->addWidget(box);
  };
  QStringList pointItems;
  for (int k = 0; k <= 10; ++k) pointItems << QString::number(64 << k);
  points_ = Combo(strip_, "NPointIndex", pointItems);
  labelled("Sample Point", points_);
  QStringList scaleItems;
  for (int b = 8; b <= 23; ++b) scaleItems << QString::number(b);
  scale_ = Combo(strip_, "TXScale", scaleItems);
  labelled("Scale", scale_);
  refv_ = new QLineEdit("2.4", strip_);
  refv_->setObjectName("EREFV");
  refv_->setMaximumWidth(50);
  labelled("Ref Volt", refv_);
  h->addWidget(new QLabel("V", strip_), 0, Qt::AlignBottom);
  average_ = Combo(strip_, "CMAVR", {"1", "2", "4", "8", "16", "32"});
  labelled("Avr. Times", average_);
  h->addSpacing(12);

  const auto button = [this, h](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, strip_);
    b->setObjectName(name);
    b->setMinimumWidth(b->sizeHint().width());
    h->addWidget(b, 0, Qt::AlignBottom);
    return b;
  };
  catchAdc_ = button("CatchADC", "Catch ADC");
  saveData_ = button("SaveData", "Save to CSV");
  showChart_ = button("ShowChart", kToValues);
  showChart_->setText(kToChart);
  // Wide enough for either caption it takes.
  showChart_->setMinimumWidth(std::max(showChart_->minimumWidth(), showChart_->sizeHint().width()));
  h->addSpacing(12);
  export_ = button("ExportData", "Export…");
  export_->setToolTip("Every sample of the capture (24-bit code and volts) with the settings");
  saveChart_ = button("SaveChart", "Save Chart…");
  saveChart_->setToolTip("The chart of the page shown, as PNG or SVG");
  h->addStretch(1);

  enob_ = Panel("TXENOB", "ENOB", "bits");
  nfree_ = Panel("TXNFREE", "Noise Free", "bits");
  offset_ = Panel("TXOffset", "Average", "codes");
  vpp_ = Panel("TXVPP", "Vp-p Noise", "nV", &vppUnit_);
  nrms_ = Panel("TXNrms", "RMS Noise", "nV", &nrmsUnit_);
  figures_->addSpacing(12);
  unit_ = new QComboBox(strip_);
  unit_->setObjectName("NoiseUnit");
  for (const qx::analysis::NoiseUnit u : qx::analysis::kNoiseUnits)
    unit_->addItem(QString::fromUtf8(qx::analysis::NoiseUnitName(u)));
  unit_->setCurrentIndex(1);  // nV, the unit of the figures themselves
  auto* unitBox = new QWidget(strip_);
  auto* unitColumn = new QVBoxLayout(unitBox);
  unitColumn->setContentsMargins(0, 0, 0, 0);
  unitColumn->setSpacing(0);
  unitColumn->addWidget(new QLabel("Noise in", unitBox));
  unit_->setParent(unitBox);
  unitColumn->addWidget(unit_);
  figures_->addWidget(unitBox);
  figures_->addSpacing(12);
  figuresNote_ = new QLabel(strip_);
  figuresNote_->setObjectName("FiguresNote");
  figuresNote_->setStyleSheet("color: #b00000; font-weight: bold;");
  figuresNote_->setWordWrap(true);
  figures_->addWidget(figuresNote_, 1);
  // Written but covered by the noise-free panel.
  vrms_ = new QLabel(nfree_->parentWidget());
  vrms_->setObjectName("TXVRMS");
  vrms_->hide();

  connect(catchAdc_, &QPushButton::clicked, this, &AnxAdcForm::CatchADCClick);
  connect(showChart_, &QPushButton::clicked, this, &AnxAdcForm::ShowChartClick);
  connect(saveData_, &QPushButton::clicked, this, &AnxAdcForm::SaveDataClick);
  connect(export_, &QPushButton::clicked, this, &AnxAdcForm::ExportClick);
  connect(saveChart_, &QPushButton::clicked, this, &AnxAdcForm::SaveChartClick);
  connect(unit_, &QComboBox::currentIndexChanged, this, [this] { RefreshFigures(); });
  connect(points_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (syncing_) return;
    bench_.capture.NPointIndexChange(i);
    model_->Reset();
    FitColumns();
  });
  connect(scale_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) bench_.capture.TXScaleChange(i);
  });
  connect(refv_, &QLineEdit::textChanged, this, [this](const QString& t) {
    bench_.settings.EREFV = t.toStdString();
    if (const std::string notice = qx::analysis::ReferenceNotice(bench_.settings.EREFV);
        !notice.empty())
      host_.SetStatus(2, notice);
  });
  connect(average_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (syncing_) return;
    bench_.settings.CMAVR = i;
    bench_.capture.ReCalADC();
    FitColumns();
    if (ChartShown()) ChartFun(bench_.capture.ChartCount());
  });
}

void AnxAdcForm::BuildHidden() {
  auto hidden = [](QWidget* w, const char* name) {
    w->setObjectName(name);
    w->hide();
  };
  chTemper_ = new QCheckBox("Temperature", this);
  hidden(chTemper_, "ChTemper");
  fastRead_ = new QCheckBox(QString::fromUtf8("中斷讀取"), this);
  fastRead_->setChecked(true);
  hidden(fastRead_, "FastRead");
  hidden(new QLineEdit("5", this), "ECompare");
  eNumD_ = new QLineEdit("16", this);
  hidden(eNumD_, "ENumD");
  comFun_ = Combo(this, "ComFun", {"Scale", "DMM"});
  comFun_->hide();
  cFunAdc_ = Combo(this, "CFunADC", {"Free", "Cancel Pos Zero", "Cancel Neg Zero", "Chopper "});
  cFunAdc_->hide();
  eGv_ = new QLineEdit("500", this);
  hidden(eGv_, "EGv");
  ftChange_ = new QPushButton("Change Average ", this);
  hidden(ftChange_, "FTChange");
  connect(ftChange_, &QPushButton::clicked, this, &AnxAdcForm::FTChangeClick);

  // The preview panel with its display and timer belongs to a function no user can reach.
  adcPanel_ = new QWidget(this);
  hidden(adcPanel_, "ADCPanel");
  lcd_ = new LcdArray(adcPanel_);
  lcd_->setObjectName("LCDADCP");
  lcd_->resize(233, 60);
  lcd_->SetOnColor(Qt::blue);
  const QColor face = palette().color(QPalette::Button);
  lcd_->SetOffColor(face);
  lcd_->SetBackColor(face);
  lcd_->SetSegWidth(10);
  lcd_->SetMargin(6);
  lcd_->SetDigit(8);
  lcd_->SetDotCount(0);
  lcd_->SetLeftZero(true);
  lcd_->SetCaption("0");
  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");

  connect(chTemper_, &QCheckBox::toggled, this, [this](bool on) { bench_.settings.ChTemper = on; });
  connect(fastRead_, &QCheckBox::toggled, this, [this](bool on) { bench_.settings.FastRead = on; });
  connect(eNumD_, &QLineEdit::textChanged, this,
          [this](const QString& t) { bench_.settings.ENumD = t.toStdString(); });
  connect(eGv_, &QLineEdit::textChanged, this,
          [this](const QString& t) { bench_.settings.EGv = t.toStdString(); });
  connect(comFun_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) bench_.settings.ComFun = i;
  });
  connect(cFunAdc_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_) bench_.settings.CFunADC = i;
  });
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
