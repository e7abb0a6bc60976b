#include "gui/autotest/TempTestWindow.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "core/app/FormId.h"
#include "core/app/MainMenu.h"
#include "core/app/Workbench.h"
#include "core/autotest/MemoryRunJournal.h"
#include "gui/ChartExport.h"
#include "gui/MainPanel.h"
#include "gui/autotest/TempGridModel.h"
#include "platform/AnsiText.h"
#include "platform/FlockRunLock.h"
#include "platform/SqliteRunJournal.h"

namespace qx::gui::autotest {

using qx::autotest::RegisterListFiles;
using qx::autotest::RegStepTable;
using qx::autotest::TempForm;
using qx::autotest::TempTest;

namespace {

constexpr int kEditWidth = 72;
constexpr int kGridRowPad = 6;
constexpr int kCellPad = 12;

/// What the chart's figure list offers, beside the statistics kind it draws.
struct ChartFigure {
  const char* item;
  const char* axis;
};
constexpr std::array<ChartFigure, 4> kFigures{{
    {"Mean", "Mean (codes)"},
    {"RMS noise (nV)", "RMS noise (nV)"},
    {"ENOB", "ENOB (bits)"},
    {"Noise-free bits", "Noise-free bits (bits)"},
}};
static_assert(kFigures.size() == std::size(TempTestWindow::kChartKinds));

QLabel* Caption(QWidget* parent, const QString& name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  return label;
}

QString ProgressGaugeFormat(const std::string& text) {
  return QString::fromStdString(text) + "  %p%";
}

}  // namespace

TempTestWindow::TempTestWindow(app::Workbench& bench, MainPanel& main, std::string programDir,
                               QWidget* parent)
    : QWidget(parent),
      bench_(bench),
      main_(main),
      programDir_(std::move(programDir)),
      test_(bench.tempTest) {
  hide();
  setWindowTitle("Temperature Test");
  pages_ = new QTabWidget(this);
  pages_->setObjectName("Pages");
  pages_->addTab(BuildTestPage(), "Test");
  pages_->addTab(BuildChartPage(), "Chart");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(pages_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(kResultTimerMs);
  connect(timer1_, &QTimer::timeout, this, [this] {
    if (!dataModel_->Sync()) dataModel_->Repaint();
  });

  OpenJournal();
  test_.onChanged = [this] { Refresh(); };
  test_.onProgress = [this](const qx::autotest::TempProgress& p) { ShowProgress(p); };
  test_.onModeFinished = [this](int point, int mode) { ModeFinished(point, mode); };
  // What the run reports at once (a failed mode, the wait for the bridge) is read from afar.
  test_.onNotice = [this](const std::string& text) { SetStatus(QString::fromStdString(text)); };
  // The analysis window's reference-voltage field shows the text each mode captures with.
  test_.onReferenceText = [this](const std::string& text) {
    if (auto* refv = main_.findChild<QLineEdit*>("EREFV"))
      refv->setText(QString::fromStdString(text));
  };
  RegisterMenuCommands();
  main_.installEventFilter(this);

  resize(kDefaultWidth, kDefaultHeight);
  Refresh();
  SizeColumns();
  UpdateChart();
}

TempTestWindow::~TempTestWindow() {
  test_.onChanged = nullptr;
  test_.onProgress = nullptr;
  test_.onModeFinished = nullptr;
  test_.onNotice = nullptr;
  test_.onReferenceText = nullptr;
  test_.SetJournal(nullptr);
}

void TempTestWindow::OpenJournal() {
  test_.SetFiles(programDir_, platform::ToCodePage950);
  std::string error;
  journal_ = platform::SqliteRunJournal::Open(programDir_ / qx::autotest::kRunJournalFile, error);
  if (!journal_) {
    journal_ = std::make_unique<qx::autotest::MemoryRunJournal>();
    journalWarning_ = QString::fromStdString(
        "Run journal " + (programDir_ / qx::autotest::kRunJournalFile).string() +
        " cannot be opened (" + error +
        "): runs are kept in memory only and cannot be resumed after the program ends");
    SetStatus(journalWarning_);
  }
  test_.SetJournal(journal_.get());
  test_.resume = TempTest::Resume::Ask;
}

QLineEdit* TempTestWindow::Box(QWidget* parent, const char* name, const char* caption,
                               std::string& field) {
  auto* box = new QLineEdit(QString::fromStdString(field), parent);
  box->setObjectName(name);
  box->setFixedWidth(kEditWidth);
  auto* label = Caption(parent, QString(name) + "Label", caption);
  label->setBuddy(box);
  connect(box, &QLineEdit::textEdited, this,
          [&field](const QString& text) { field = text.toStdString(); });
  return box;
}

QPushButton* TempTestWindow::Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(name);
  return b;
}

QCheckBox* TempTestWindow::Check(QWidget* parent, const char* name, const char* caption) {
  auto* c = new QCheckBox(QString::fromUtf8(caption), parent);
  c->setObjectName(name);
  return c;
}

QTableView* TempTestWindow::Grid(QWidget* parent, const char* name, TempGridModel* model) {
  auto* grid = new QTableView(parent);
  grid->setObjectName(name);
  grid->setModel(model);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + kGridRowPad);
  grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
  // A reset (a resized grid) gives the header its default section sizes back.
  connect(model, &QAbstractItemModel::modelReset, this, &TempTestWindow::SizeColumns);
  return grid;
}

QWidget* TempTestWindow::BuildBoxes(QWidget* page) {
  auto* boxes = new QWidget(page);
  auto* g = new QGridLayout(boxes);
  g->setContentsMargins(0, 0, 0, 0);
  g->setHorizontalSpacing(6);
  g->setVerticalSpacing(4);
  TempForm& f = test_.form;
  auto place = [&](QLineEdit* box, int row, int column) {
    g->addWidget(box->parentWidget()->findChild<QLabel*>(box->objectName() + "Label"), row, column);
    g->addWidget(box, row, column + 1);
  };
  tempCount_ = Box(boxes, "ETempCount", "輸入測試溫度數量", f.tempCount);
  place(tempCount_, 0, 0);
  auto* set = Button(boxes, "TMPCNTSET", "SET");
  g->addWidget(set, 0, 2);
  tempStart_ = Box(boxes, "ETMPBG", "輸入開始溫度", f.tempStart);
  place(tempStart_, 1, 0);
  g->addWidget(Caption(boxes, "ETMPBGUnit", "攝氏度"), 1, 2);
  tempStep_ = Box(boxes, "ETMPScale", "輸入溫度隔數", f.tempStep);
  place(tempStep_, 2, 0);

  modeCount_ = Box(boxes, "EModenum", "輸入最大測試模式數量", f.modeCount);
  modeCount_->setToolTip(
      "Enter applies the mode count to the register, calibrator and power tables");
  place(modeCount_, 0, 4);
  holdMinutes_ = Box(boxes, "Edit2", "等待溫度穩定時間", f.holdMinutes);
  place(holdMinutes_, 1, 4);
  g->addWidget(Caption(boxes, "Edit2Unit", "分"), 1, 6);
  powerDelay_ = Box(boxes, "PDlyT", "Power Supply Delay Time", f.powerDelay);
  place(powerDelay_, 2, 4);
  g->addWidget(Caption(boxes, "PDlyTUnit", "ms"), 2, 6);
  linkWait_ = Box(boxes, "ELinkWait", "USB Bridge Wait Time", f.linkWaitMinutes);
  linkWait_->setToolTip(
      "How long a run waits for a USB bridge that left the bus before it stops, resumable");
  place(linkWait_, 3, 4);
  g->addWidget(Caption(boxes, "ELinkWaitUnit", "分"), 3, 6);

  measure_ = new QComboBox(boxes);
  measure_->setObjectName("CADCBRY");
  for (const char* item : TempForm::kMeasureItems) measure_->addItem(item);
  auto* measureLabel = Caption(boxes, "CADCBRYLabel", "Measure");
  measureLabel->setBuddy(measure_);
  g->addWidget(measureLabel, 0, 8);
  g->addWidget(measure_, 0, 9);
  capture_ = new QComboBox(boxes);
  capture_->setObjectName("ComMode");
  for (const char* item : TempForm::kCaptureItems) capture_->addItem(item);
  auto* captureLabel = Caption(boxes, "ComModeLabel", "Capture");
  captureLabel->setBuddy(capture_);
  g->addWidget(captureLabel, 1, 8);
  g->addWidget(capture_, 1, 9);

  fullFiles_ = Check(boxes, "CHFULL", "儲存完整檔案");
  g->addWidget(fullFiles_, 0, 11);
  keepOperating_ = Check(boxes, "FkNOINT", "不關閉Fluke");
  g->addWidget(keepOperating_, 1, 11);
  adcAndTemp_ = Check(boxes, "ChADCTemp", "交替測量ADC與溫度");
  adcAndTemp_->hide();
  g->addWidget(adcAndTemp_, 2, 11);
  for (int spacer : {3, 7, 10}) g->setColumnMinimumWidth(spacer, 12);
  g->setColumnStretch(12, 1);

  connect(set, &QPushButton::clicked, this, [this] {
    if (RefusedDuringRun("SET")) return;
    test_.TMPCNTSETClick();
    Refresh();
  });
  connect(modeCount_, &QLineEdit::returnPressed, this, [this] {
    if (RefusedDuringRun(QString::fromUtf8("輸入最大測試模式數量"))) return;
    test_.EModenumKeyPress();
    Refresh();
  });
  connect(measure_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_ && i >= 0) test_.form.measure = static_cast<TempForm::Measure>(i);
  });
  connect(capture_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!syncing_ && i >= 0) test_.form.capture = static_cast<TempForm::Capture>(i);
  });
  connect(fullFiles_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.form.fullFiles = on;
  });
  connect(keepOperating_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.form.keepOperating = on;
  });
  connect(adcAndTemp_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.form.adcAndTemp = on;
  });
  return boxes;
}

QWidget* TempTestWindow::BuildButtons(QWidget* page) {
  auto* rows = new QWidget(page);
  auto* v = new QVBoxLayout(rows);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(4);
  auto* runRow = new QHBoxLayout;
  auto* calibratorRow = new QHBoxLayout;
  v->addLayout(runRow);
  v->addLayout(calibratorRow);
  auto add = [](QHBoxLayout* row, std::initializer_list<QWidget*> widgets) {
    for (QWidget* w : widgets) row->addWidget(w);
  };

  tBg_ = Button(rows, "TBg", "T-Begin");
  tBg_->setToolTip("Full test: the chamber is driven to every point and held there");
  tTest_ = Button(rows, "TTest", "T-Test");
  tTest_->setToolTip("Every point and mode without the chamber");
  auto* stop = Button(rows, "Button2", "Stop");
  auto* save = Button(rows, "ENSave", "SaveData");
  auto* run = Button(rows, "Button1", "RUN");
  // The calibrator and power-supply step tables are windows of their own.
  auto* fluke = Button(rows, "ShowFlukeGd", "Calibrator steps…");
  auto* power = Button(rows, "ShowPowerGd", "Power steps…");
  add(runRow, {tBg_, tTest_, stop, save});
  runRow->addSpacing(12);
  add(runRow, {Caption(rows, "ChamberLabel", "Chamber"), run});
  runRow->addStretch(1);
  add(runRow, {fluke, power});

  auto* standby = Button(rows, "Button4", "STBY");
  lock330mV_ = Check(rows, "LK330mV", "Lockout  330mV");
  lock3V_ = Check(rows, "LK3V", "Lockout  3.3V");
  auto* enter = Button(rows, "LKENTER", "ENTER");
  add(calibratorRow,
      {Caption(rows, "CalibratorLabel", "Calibrator"), standby, lock330mV_, lock3V_, enter});
  calibratorRow->addSpacing(12);
  progress_ = new QLabel(rows);
  progress_->setObjectName("RunProgress");
  calibratorRow->addWidget(progress_, 1);

  connect(tBg_, &QPushButton::clicked, this, [this] { RunTest(true); });
  connect(tTest_, &QPushButton::clicked, this, [this] { RunTest(false); });
  connect(stop, &QPushButton::clicked, this, [this] {
    const bool running = test_.Running;
    const bool chamber = bench_.instruments.ChamberPort.IsOpen();
    test_.Button2Click();
    if (running)
      SetStatus("Stop: the temperature test ends at its next check");
    else if (!chamber)
      SetStatus("Stop: no test is running and the chamber port is not open");
    else
      SetStatus("Stop: chamber stop sent");
  });
  connect(save, &QPushButton::clicked, this, [this] {
    if (test_.ENSaveClick()) SetStatus("Result files written");
  });
  connect(run, &QPushButton::clicked, this, [this] { test_.Button1Click(); });
  connect(standby, &QPushButton::clicked, this, [this] { test_.FlukeSTBYClick(); });
  connect(lock330mV_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.LK330mVClick(on);
  });
  connect(lock3V_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.LK3VClick(on);
  });
  connect(enter, &QPushButton::clicked, this, [this] {
    if (!bench_.instruments.FlukePort.IsOpen()) {
      SetStatus("ENTER: the calibrator port is not open, no range lock sent");
      return;
    }
    test_.LKENTERClick();
    SetStatus("Calibrator range lock sent");
  });
  connect(fluke, &QPushButton::clicked, this, [this] {
    main_.ShowChild(app::FormId::TFLUKE, app::InfoOf(app::FormId::TFLUKE).PlacementIndex, true);
  });
  connect(power, &QPushButton::clicked, this, [this] {
    main_.ShowChild(app::FormId::TFPower, app::InfoOf(app::FormId::TFPower).PlacementIndex, true);
  });
  return rows;
}

QWidget* TempTestWindow::BuildTestPage() {
  auto* page = new QWidget;
  page->setObjectName("TestPage");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(6);
  v->addWidget(BuildBoxes(page));
  v->addWidget(BuildButtons(page));

  tempsModel_ = new TempGridModel(
      TempGridModel::Of(test_.temps, [](int c, int r) { return c == 0 || r == 0; }), this);
  // Row 0 holds the register addresses, which are edited like the values.
  regsModel_ = new TempGridModel(
      TempGridModel::Of(
          test_.regs,
          [](int c, int r) { return c == 0 || (r == 0 && c > RegStepTable::kAddressColumns); }),
      this);
  dataModel_ = new TempGridModel(TempGridModel::Of(test_.data), this);

  auto* tables = new QSplitter(Qt::Horizontal, page);
  temps_ = Grid(tables, "TMPGrid", tempsModel_);
  regs_ = Grid(tables, "RegChg", regsModel_);
  tables->addWidget(temps_);
  tables->addWidget(regs_);
  tables->setStretchFactor(0, 0);
  tables->setStretchFactor(1, 1);
  auto* split = new QSplitter(Qt::Vertical, page);
  split->addWidget(tables);
  data_ = Grid(split, "TMPData", dataModel_);
  data_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  split->addWidget(data_);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  v->addWidget(split, 1);
  connect(data_, &QTableView::clicked, this, [this] { test_.TMPDataClick(); });
  return page;
}

QWidget* TempTestWindow::BuildChartPage() {
  auto* page = new QWidget;
  page->setObjectName("ChartPage");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(6, 6, 6, 6);
  auto* top = new QHBoxLayout;
  chartFigure_ = new QComboBox(page);
  chartFigure_->setObjectName("ChartFigure");
  for (const ChartFigure& f : kFigures) chartFigure_->addItem(f.item);
  auto* label = Caption(page, "ChartFigureLabel", "Figure");
  label->setBuddy(chartFigure_);
  auto* save = Button(page, "ChartSavePng", "Save PNG…");
  top->addWidget(label);
  top->addWidget(chartFigure_);
  top->addStretch(1);
  top->addWidget(save);
  v->addLayout(top);
  chart_ = new QCustomPlot(page);
  chart_->setObjectName("TempChart");
  chart_->xAxis->setLabel(QString::fromUtf8("Temperature (°C)"));
  chart_->legend->setVisible(true);
  // The legend in a row of its own under the axes, so it never covers a point of a mode.
  auto* legendRow = new QCPLayoutGrid;
  chart_->plotLayout()->addElement(1, 0, legendRow);
  legendRow->setMargins(QMargins(0, 0, 0, 4));
  // Centred at its own width between two empty cells that take the rest.
  legendRow->addElement(0, 0, new QCPLayoutElement(chart_));
  legendRow->addElement(0, 1, chart_->legend);
  legendRow->addElement(0, 2, new QCPLayoutElement(chart_));
  legendRow->setColumnStretchFactors({1, 0.001, 1});
  chart_->legend->setFillOrder(QCPLegend::foColumnsFirst);
  chart_->plotLayout()->setRowStretchFactor(1, 0.001);
  v->addWidget(chart_, 1);
  connect(chartFigure_, &QComboBox::currentIndexChanged, this, [this] { UpdateChart(); });
  connect(save, &QPushButton::clicked, this, &TempTestWindow::SavePngClick);
  return page;
}

void TempTestWindow::RegisterMenuCommands() {
  static constexpr std::pair<const char*, ListOperation> kLists[] = {
      {"SaveReg1", &RegisterListFiles::SaveReg},
      {"DownloadReg1", &RegisterListFiles::DownloadReg},
      {"SaveFluke1", &RegisterListFiles::SaveFluke},
      {"DownLoadFluke1", &RegisterListFiles::DownloadFluke},
      {"SavePower1", &RegisterListFiles::SavePower},
      {"DownloadPower1", &RegisterListFiles::DownloadPower},
  };
  for (const auto& [name, operation] : kLists)
    main_.RegisterCommand(name, [this, name, operation] { ListCommand(name, operation); });
  main_.RegisterCommand("Regist", [this] { RegistClick(); });
}

void TempTestWindow::RegistClick() {
  timer1_->start();
  main_.ShowChild(app::FormId::TTMP, app::InfoOf(app::FormId::TTMP).PlacementIndex, true);
  raise();
}

void TempTestWindow::SetStatus(const QString& text) {
  main_.SetStatusText(2, text);
}

bool TempTestWindow::RefusedDuringRun(const QString& what) {
  if (!test_.Running && !RunActive()) return false;
  SetStatus(what + ": not while the temperature test runs (Stop ends it at its next check)");
  return true;
}

void TempTestWindow::ListCommand(const char* objectName, ListOperation operation) {
  const QString caption = QString::fromUtf8(app::MainMenu::Find(objectName)->Caption);
  if (RefusedDuringRun(caption)) return;
  const int modes = test_.Modenum();
  RegisterListFiles lists(test_.regs, test_.data, bench_.flukeSteps, bench_.powerSteps, bench_.host,
                          programDir_);
  const qx::autotest::ListFileReport report = (lists.*operation)(modes);
  SetStatus(QString::fromStdString(report.message));
  Refresh();
}

void TempTestWindow::RunTest(bool withChamber) {
  if (RefusedDuringRun(withChamber ? "T-Begin" : "T-Test")) return;
  // Without its port the chamber cannot take a set point: the run would end at once, silently.
  if (withChamber && !bench_.instruments.ChamberPort.IsOpen()) {
    SetStatus("T-Begin: the chamber port is not open; select the chamber in Setup first");
    return;
  }
  // One run at a time in the program folder, whichever program starts it; held for the run.
  qx::platform::FlockRunLock lock(programDir_ / qx::autotest::kRunLockFile);
  std::string refusal;
  if (!lock.TryLock("qxpanel", refusal)) {
    SetStatus(QString::fromStdString(refusal));
    return;
  }
  for (const auto& stale : qx::autotest::RemoveStaleTemporaries(programDir_))
    SetStatus(
        QString::fromStdString("Removed " + stale.string() + ", left by an interrupted write"));
  if (!AskUnfinished(withChamber ? "T-Begin" : "T-Test")) return;
  ++runDepth_;
  chartPoint_ = 0;
  chartMode_ = 0;
  UpdateChart();
  progress_->clear();
  const TempTest::RunEnd end = withChamber ? test_.TBgClick() : test_.TTestClick();
  --runDepth_;
  test_.resume = TempTest::Resume::Ask;
  const QString run = test_.RunId() > 0 ? QString("Run %1").arg(test_.RunId()) : QString("Run");
  switch (end) {
    case TempTest::RunEnd::Completed:
      if (!test_.FailedModes().empty()) {
        EndProgress(run + " " + QString::fromStdString(test_.EndReason()));
        break;
      }
      EndProgress(
          run +
          QString(" completed: %1 points x %2 modes").arg(test_.TempCount).arg(test_.ModeCount));
      break;
    case TempTest::RunEnd::Stopped:
      if (!test_.EndReason().empty()) {
        EndProgress(run + " " + QString::fromStdString(test_.EndReason()));
        break;
      }
      EndProgress(run + " stopped at point " + QString::number(test_.Progress().point) + ", mode " +
                  QString::number(test_.Progress().mode));
      break;
    case TempTest::RunEnd::Failed:
      EndProgress(run + " failed: " + main_.StatusText(2));
      break;
  }
  Refresh();
  if (closeAfterRun_ && runDepth_ == 0) {
    closeAfterRun_ = false;
    main_.close();
  }
}

bool TempTestWindow::AskUnfinished(const QString& command) {
  if (test_.resume != TempTest::Resume::Ask) return true;  // decided before the click
  const std::string open = test_.UnfinishedRun();
  if (open.empty()) return true;
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  QString::fromStdString(open) +
                      "\n\nResume it at its next point and mode, or start a new run (the "
                      "unfinished one is then abandoned)?",
                  QMessageBox::NoButton, this);
  box.setObjectName("UnfinishedRun");
  QPushButton* resume = box.addButton("Resume", QMessageBox::AcceptRole);
  QPushButton* fresh = box.addButton("Start new", QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(resume);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == resume) {
    test_.resume = TempTest::Resume::Always;
    return true;
  }
  if (box.clickedButton() == fresh) {
    test_.resume = TempTest::Resume::Never;
    return true;
  }
  SetStatus(command + " cancelled: " + QString::fromStdString(open) + " It stays as it is.");
  return false;
}

void TempTestWindow::ShowProgress(const qx::autotest::TempProgress& progress) {
  const QString text = QString::fromStdString(progress.Text());
  progress_->setText(text);
  // The gauge says where the run is, not only how far; it widens to its text for the run.
  if (auto* gauge = main_.findChild<QProgressBar*>("Gauge1")) {
    gauge->setFormat(ProgressGaugeFormat(progress.Text()));
    gauge->setToolTip(text);
    gauge->setMinimumWidth(gauge->fontMetrics().horizontalAdvance(gauge->text()) + 24);
  }
}

void TempTestWindow::EndProgress(const QString& text) {
  progress_->setText(text);
  if (auto* gauge = main_.findChild<QProgressBar*>("Gauge1")) {
    gauge->setFormat("%p%");
    gauge->setToolTip({});
    gauge->setMinimumWidth(0);
  }
}

void TempTestWindow::ModeFinished(int point, int mode) {
  chartPoint_ = point;
  chartMode_ = mode;
  UpdateChart();
}

void TempTestWindow::Refresh() {
  syncing_ = true;
  const TempForm& f = test_.form;
  const std::pair<QLineEdit*, const std::string*> boxes[] = {
      {tempCount_, &f.tempCount},      {tempStart_, &f.tempStart},     {tempStep_, &f.tempStep},
      {modeCount_, &f.modeCount},      {holdMinutes_, &f.holdMinutes}, {powerDelay_, &f.powerDelay},
      {linkWait_, &f.linkWaitMinutes},
  };
  for (const auto& [box, text] : boxes) {
    const QString shown = QString::fromStdString(*text);
    if (box->text() != shown) box->setText(shown);
  }
  measure_->setCurrentIndex(static_cast<int>(f.measure));
  capture_->setCurrentIndex(static_cast<int>(f.capture));
  fullFiles_->setChecked(f.fullFiles);
  keepOperating_->setChecked(f.keepOperating);
  adcAndTemp_->setChecked(f.adcAndTemp);
  lock330mV_->setChecked(f.lock330mV);
  lock3V_->setChecked(f.lock3V);
  tBg_->setEnabled(test_.beginEnabled);
  tTest_->setEnabled(test_.testEnabled);
  // The analysis window's capture button waits while a mode of the test captures.
  if (test_.captureEnabled != captureShown_) {
    captureShown_ = test_.captureEnabled;
    if (auto* catchAdc = main_.findChild<QPushButton*>("CatchADC"))
      catchAdc->setEnabled(captureShown_);
  }
  syncing_ = false;
  tempsModel_->Sync();
  regsModel_->Sync();
  dataModel_->Sync();
}

void TempTestWindow::SizeColumns() {
  const QFontMetrics fm = fontMetrics();
  auto text = [&fm](const char* t) {
    return fm.horizontalAdvance(QString::fromUtf8(t)) + kCellPad;
  };
  temps_->setColumnWidth(0, std::max(20, text("30")));
  for (int c = 1; c < qx::autotest::TempPointTable::kColumns; ++c)
    temps_->setColumnWidth(
        c, std::max(text("-40.00"), text(qx::autotest::TempPointTable::kHeaders[c])));
  // The register table's label column keeps its width; the value columns are as wide as a
  // register value, whichever rows happened to be labelled first.
  const RegStepTable& regs = test_.regs;
  regs_->setColumnWidth(0,
                        std::max(regs.ColumnWidth(0),
                                 text(("Value-" + std::to_string(regs.RowCount() - 1)).c_str())));
  for (int c = 1; c <= RegStepTable::kAddressColumns; ++c) regs_->setColumnWidth(c, text("FFFF"));
  for (int c : {RegStepTable::kDelayColumn, RegStepTable::kAcmColumn})
    regs_->setColumnWidth(c, std::max(text("Delay"), text("0000.00")));
  data_->setColumnWidth(0, std::max(20, text("30")));
  for (int c = 1; c < test_.data.Columns(); ++c) data_->setColumnWidth(c, text("-8388608.00"));
  int tempsWidth = 2 * temps_->frameWidth() + temps_->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < qx::autotest::TempPointTable::kColumns; ++c)
    tempsWidth += temps_->columnWidth(c);
  temps_->setMinimumWidth(tempsWidth);
}

void TempTestWindow::UpdateChart() {
  const int figure = std::max(chartFigure_->currentIndex(), 0);
  const int kind = kChartKinds[figure];
  const qx::autotest::TempResults& r = test_.results;
  chart_->clearGraphs();
  for (int m = 1; m <= r.Modes(); ++m) {
    QVector<double> x;
    QVector<double> y;
    for (int t = 1; t <= r.Points(); ++t) {
      if (t > chartPoint_ || (t == chartPoint_ && m > chartMode_)) continue;
      if (!r.Measured(t, m)) continue;  // a failed capture is no point of the chart
      x.push_back(r.TargetTemp(t));
      y.push_back(r.Stat(kind, t, m));
    }
    if (x.isEmpty()) continue;
    QCPGraph* g = chart_->addGraph();
    g->setName(QString("Mode %1").arg(m));
    g->setPen(QPen(QColor::fromHsv((m - 1) * 137 % 360, 220, 200), 1.5));
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 5));
    g->setData(x, y);
    if (m > kLegendModes) g->removeFromLegend();
  }
  // A capture that sat at an end of the code range is drawn in its line, and ringed in red so
  // nobody reads the clipping's figures as the chip's.
  QVector<double> overX;
  QVector<double> overY;
  for (int m = 1; m <= r.Modes(); ++m)
    for (int t = 1; t <= r.Points(); ++t) {
      if (t > chartPoint_ || (t == chartPoint_ && m > chartMode_)) continue;
      if (r.State(t, m) != qx::autotest::TempResults::Mark::OverRange) continue;
      overX.push_back(r.TargetTemp(t));
      overY.push_back(r.Stat(kind, t, m));
    }
  if (!overX.isEmpty()) {
    QCPGraph* g = chart_->addGraph();
    g->setName(TempTest::kOverRange);
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red, 2), Qt::NoBrush, 11));
    g->setData(overX, overY);
  }
  chart_->yAxis->setLabel(kFigures[static_cast<size_t>(figure)].axis);
  // Means are whole codes of up to seven digits: plain numbers read better than powers of ten.
  chart_->yAxis->setNumberFormat(kind == 0 ? "f" : "gb");
  chart_->yAxis->setNumberPrecision(kind == 0 ? 0 : 6);
  chart_->legend->setVisible(chart_->graphCount() > 0);
  if (chart_->graphCount() > 0) {
    chart_->rescaleAxes();
    // A single point or a flat line still gets a readable range around it.
    for (QCPAxis* axis : {chart_->xAxis, chart_->yAxis}) {
      const QCPRange range = axis->range();
      const double pad =
          range.size() > 0 ? range.size() * 0.08 : std::max(1.0, std::abs(range.center()) * 0.01);
      axis->setRange(range.lower - pad, range.upper + pad);
    }
  }
  chart_->replot(QCustomPlot::rpQueuedReplot);
}

bool TempTestWindow::SaveChartPng(const QString& path) {
  std::string error;
  if (!ChartExport::Save(*chart_, path, error)) {
    SetStatus("Save PNG: cannot write " + path + ": " + QString::fromStdString(error));
    return false;
  }
  SetStatus("Chart saved to " + path);
  return true;
}

void TempTestWindow::SavePngClick() {
  const QString path =
      choosePng_
          ? choosePng_()
          : QFileDialog::getSaveFileName(
                this, "Save PNG", QString::fromStdString((programDir_ / "QxTEMP.png").string()),
                "PNG pictures (*.png)");
  if (path.isEmpty()) return;  // the dialog was cancelled
  SaveChartPng(path);
}

void TempTestWindow::closeEvent(QCloseEvent* event) {
  // Closing only hides the window; a run in progress ends at its next check.
  if (test_.Running || RunActive()) {
    test_.Stop();
    SetStatus("Temperature test stopped: its window was closed");
  }
  timer1_->stop();
  event->ignore();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->hide();
  hide();
}

void TempTestWindow::hideEvent(QHideEvent* event) {
  // Hidden by the main window (its close sequence); a minimised frame keeps the timer.
  const auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!event->spontaneous() && !(frame && frame->isMinimized())) timer1_->stop();
  QWidget::hideEvent(event);
}

bool TempTestWindow::eventFilter(QObject* watched, QEvent* event) {
  // The program does not close under a running test: the test is stopped, and the main window
  // closes once the run has unwound and written its files.
  if (watched == &main_ && event->type() == QEvent::Close && RunActive()) {
    test_.Stop();
    closeAfterRun_ = true;
    event->ignore();
    SetStatus("Stopping the temperature test; the program closes when its run has ended");
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qx::gui::autotest
