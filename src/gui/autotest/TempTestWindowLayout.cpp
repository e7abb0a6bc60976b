#include "gui/autotest/TempTestWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "core/app/FormId.h"
#include "core/app/Workbench.h"
#include "gui/MainPanel.h"
#include "gui/autotest/TempGridModel.h"

// The layout of the temperature window's test page: its boxes, buttons and grids, and what
// each control forwards to the test or the presenter.

namespace qx::gui::autotest {

using qx::autotest::RegStepTable;
using qx::autotest::TempForm;

namespace {

constexpr int kEditWidth = 72;
constexpr int kWordsWidth = 180;  ///< the device and note boxes, which hold words
constexpr int kGridRowPad = 6;
constexpr int kCellPad = 12;

QLabel* Caption(QWidget* parent, const QString& name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

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

  // Who and what the run measures, kept with the run in the journal.
  for (auto [box, name, caption, field, column, span] :
       {std::tuple{&device_, "EDevice", "Device", &f.device, 0, 2},
        std::tuple{&note_, "ENote", "Note", &f.note, 8, 4}}) {
    *box = Box(boxes, name, caption, *field);
    (*box)->setMinimumWidth(kWordsWidth);
    (*box)->setMaximumWidth(QWIDGETSIZE_MAX);
    g->addWidget(boxes->findChild<QLabel*>(QString(name) + "Label"), 3, column);
    g->addWidget(*box, 3, column + 1, 1, span);
  }
  device_->setToolTip("The device under test (board, sample), kept with the run in the journal");
  note_->setToolTip("What the run is for, kept with the run in the journal");

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
  auto* report = Button(rows, "RunReport", "Report…");
  report->setToolTip("The last run as one HTML page: header, drift, charts and results");
  add(runRow, {tBg_, tTest_, stop, save, report});
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
  connect(stop, &QPushButton::clicked, this, [this] { presenter_.StopClick(); });
  connect(save, &QPushButton::clicked, this, [this] {
    if (test_.ENSaveClick()) SetStatus("Result files written");
  });
  connect(run, &QPushButton::clicked, this, [this] { test_.Button1Click(); });
  connect(report, &QPushButton::clicked, this, [this] { ReportClick(); });
  connect(standby, &QPushButton::clicked, this, [this] { test_.FlukeSTBYClick(); });
  connect(lock330mV_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.LK330mVClick(on);
  });
  connect(lock3V_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) test_.LK3VClick(on);
  });
  connect(enter, &QPushButton::clicked, this,
          [this] { presenter_.EnterClick(bench_.instruments.FlukePort.IsOpen()); });
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

}  // namespace qx::gui::autotest
