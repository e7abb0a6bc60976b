// The analysis window's widgets: the settings and figures strip, the pages, and the controls a
// user never sees but the configuration file still sets.
#include <qcustomplot.h>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>

#include "core/analysis/NoiseUnits.h"
#include "core/app/Workbench.h"
#include "gui/LcdArray.h"
#include "gui/QtHost.h"
#include "gui/analysis/AnxAdcForm.h"
#include "gui/analysis/AnxAdcFormParts.h"
#include "gui/analysis/NoiseViews.h"
#include "gui/analysis/SampleGridModel.h"
#include "platform/FftwRealFft.h"

namespace qx::gui::analysis {

using namespace anx_parts;

void AnxAdcForm::BuildPages() {
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

}  // namespace qx::gui::analysis
