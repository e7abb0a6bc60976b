#include <qcustomplot.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>
#include <vector>

#include "PanelFixture.h"
#include "core/app/Workbench.h"
#include "gui/StatusPanel.h"
#include "gui/autotest/TempTestWindow.h"
#include "platform/AnsiText.h"
#include "platform/SqliteRunJournal.h"
#include "sim/SimInstruments.h"

namespace qx::gui::test {
namespace {

using qx::autotest::TempTest;

/// Keeps each message a status panel is given: a panel sets its tooltip to the whole message.
class Recorder : public QObject {
 public:
  explicit Recorder(std::vector<std::string>& seen) : seen_(seen) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ToolTipChange)
      if (auto* p = qobject_cast<StatusPanel*>(watched))
        seen_.push_back(p->Message().toStdString());
    return false;
  }

 private:
  std::vector<std::string>& seen_;
};

class TempTestWindowTest : public PanelFixture {
 protected:
  autotest::TempTestWindow& Form() { return panel->TempTest(); }
  TempTest& Model() { return panel->Bench().tempTest; }
  template <typename T>
  T* Child(const char* name) {
    T* child = Form().findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QString Caption(const char* name) {
    auto* w = Child<QWidget>(name);
    for (QLabel* label : Form().findChildren<QLabel*>())
      if (label->buddy() == w) return label->text();
    return "(no label)";
  }
  QString Text(const char* grid, int column, int row) {
    const QAbstractItemModel* m = Child<QTableView>(grid)->model();
    return m->data(m->index(row, column)).toString();
  }
  void Edit(const char* grid, int column, int row, const char* text) {
    QAbstractItemModel* m = Child<QTableView>(grid)->model();
    ASSERT_TRUE(m->setData(m->index(row, column), QString(text), Qt::EditRole))
        << grid << " " << column << "," << row;
  }
  /// Types into a box as the user does: the old text selected and replaced.
  void Type(const char* box, const QString& text) {
    auto* edit = Child<QLineEdit>(box);
    edit->selectAll();
    for (QChar ch : text) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(edit, &key);
    }
  }
  void Enter(const char* box) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Child<QLineEdit>(box), &key);
  }
  std::string FileText(const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "the text ends inside a line";
    return lines;
  }
  /// `points` temperatures from -40 in steps of 10 and two modes that differ only in the PGA
  /// gain (register 01H: 00H gain 1, 20H gain 2), each waiting one second before its capture.
  void SmallTables(int points) {
    Type("ETempCount", QString::number(points));
    Child<QPushButton>("TMPCNTSET")->click();
    Type("EModenum", "2");
    Enter("EModenum");
    Edit("RegChg", 1, 0, "01");
    for (int m = 1; m <= 2; ++m) {
      Edit("RegChg", 1, m, m == 1 ? "00" : "20");
      Edit("RegChg", 11, m, "1");
      Edit("RegChg", 12, m, "2.4");
    }
  }
  /// Runs `during` whenever the run lets events run, until it returns true.
  void WhileRunning(const std::function<bool()>& during) {
    auto* timer = new QTimer(&Form());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, during] {
      if (during()) timer->stop();
    });
    timer->start();
  }
  double Cell(const char* grid, int column, int row) {
    bool number = false;
    const double v = Text(grid, column, row).toDouble(&number);
    EXPECT_TRUE(number) << grid << " " << column << "," << row << ": "
                        << Text(grid, column, row).toStdString();
    return v;
  }
};

TEST_F(TempTestWindowTest, EveryControlUnderItsNameWithItsCaptionAndDefault) {
  Start();
  EXPECT_EQ(Form().objectName(), "TTMP");
  EXPECT_EQ(Form().windowTitle(), "Temperature Test");
  EXPECT_EQ(panel->Main().findChild<QWidget*>("TTMP"), &Form());

  const std::vector<std::array<const char*, 3>> boxes{
      {"ETempCount", "輸入測試溫度數量", "5"}, {"ETMPBG", "輸入開始溫度", "-40.0"},
      {"ETMPScale", "輸入溫度隔數", "10.0"},   {"EModenum", "輸入最大測試模式數量", "1000"},
      {"Edit2", "等待溫度穩定時間", "20"},     {"PDlyT", "Power Supply Delay Time", "2000"},
  };
  for (const auto& [name, caption, value] : boxes) {
    EXPECT_EQ(Caption(name), QString::fromUtf8(caption)) << name;
    EXPECT_EQ(Child<QLineEdit>(name)->text(), value) << name;
  }
  // Units beside their numbers.
  for (const auto& [name, unit] : std::vector<std::pair<const char*, const char*>>{
           {"ETMPBGUnit", "攝氏度"}, {"Edit2Unit", "分"}, {"PDlyTUnit", "ms"}})
    EXPECT_EQ(Child<QLabel>(name)->text(), QString::fromUtf8(unit)) << name;

  const std::vector<std::pair<const char*, const char*>> buttons{
      {"TMPCNTSET", "SET"}, {"Button1", "RUN"},  {"Button2", "Stop"},    {"Button4", "STBY"},
      {"TBg", "T-Begin"},   {"TTest", "T-Test"}, {"ENSave", "SaveData"}, {"LKENTER", "ENTER"},
  };
  for (const auto& [name, caption] : buttons) {
    EXPECT_EQ(Child<QPushButton>(name)->text(), caption) << name;
    EXPECT_TRUE(Child<QPushButton>(name)->isEnabled()) << name;
  }
  const std::vector<std::pair<const char*, const char*>> checks{{"LK330mV", "Lockout  330mV"},
                                                                {"LK3V", "Lockout  3.3V"},
                                                                {"CHFULL", "儲存完整檔案"},
                                                                {"FkNOINT", "不關閉Fluke"},
                                                                {"ChADCTemp", "交替測量ADC與溫度"}};
  for (const auto& [name, caption] : checks) {
    EXPECT_EQ(Child<QCheckBox>(name)->text(), QString::fromUtf8(caption)) << name;
    EXPECT_FALSE(Child<QCheckBox>(name)->isChecked()) << name;
  }
  EXPECT_TRUE(Child<QCheckBox>("ChADCTemp")->isHidden());
  EXPECT_FALSE(Child<QCheckBox>("CHFULL")->isHidden());

  auto* measure = Child<QComboBox>("CADCBRY");
  ASSERT_EQ(measure->count(), 3);
  EXPECT_EQ(measure->itemText(0), "ADC & Brymen");
  EXPECT_EQ(measure->itemText(2), "Brymen");
  EXPECT_EQ(measure->currentText(), "ADC");
  auto* kind = Child<QComboBox>("ComMode");
  ASSERT_EQ(kind->count(), 2);
  EXPECT_EQ(kind->itemText(1), "Temperature");
  EXPECT_EQ(kind->currentText(), "ADC");
  kind->setCurrentIndex(1);
  EXPECT_EQ(Model().form.capture, qx::autotest::TempForm::Capture::Temperature);

  // The temperature table from the defaults, the result table's labels.
  const QStringList temps{"-40.00", "-30.00", "-20.00", "-10.00", "0.00"};
  EXPECT_EQ(Child<QTableView>("TMPGrid")->model()->rowCount(), 6);
  for (int t = 1; t <= 5; ++t) {
    EXPECT_EQ(Text("TMPGrid", 0, t), QString::number(t));
    EXPECT_EQ(Text("TMPGrid", 1, t), temps[t - 1]);
    EXPECT_EQ(Text("TMPGrid", 4, t), "5.00");
  }
  EXPECT_EQ(Text("TMPGrid", 3, 0), QString::fromUtf8("溫度斜率"));
  EXPECT_EQ(Text("TMPData", 1, 0), QString::fromUtf8("平均值"));
  EXPECT_EQ(Text("TMPData", 4, 0), "Enob");
  ASSERT_NE(Child<QTableView>("RegChg"), nullptr);
  // The step tables are windows of their own.
  EXPECT_EQ(Form().findChild<QTableView*>("FlukeGd"), nullptr);
  EXPECT_NE(panel->Fluke().findChild<QTableView*>("FlukeGd"), nullptr);
  EXPECT_NE(panel->Power().findChild<QTableView*>("PowerGd"), nullptr);
  Child<QPushButton>("ShowFlukeGd")->click();
  EXPECT_FALSE(panel->Fluke().isHidden());

  EXPECT_EQ(Form().ResultTimer()->objectName(), "Timer1");
  EXPECT_EQ(Form().ResultTimer()->interval(), 1000);
  EXPECT_FALSE(Form().ResultTimer()->isActive());
  EXPECT_EQ(Form().Pages()->tabText(1), "Chart");
  EXPECT_TRUE(Form().JournalWarning().isEmpty());
  EXPECT_TRUE(std::filesystem::exists(dir / "QxRuns.db"));
}

// A kill runs no close: the boxes a run was set up with must already be on disk.
TEST_F(TempTestWindowTest, TheBoxesComeBackAfterAKill) {
  Start();
  Type("ETempCount", "7");
  Type("ELinkWait", "25");
  Child<QComboBox>("CADCBRY")->setCurrentIndex(2);
  QEventLoop wait;
  QTimer::singleShot(1500, &wait, &QEventLoop::quit);
  wait.exec();
  Destroy();
  Start();
  EXPECT_EQ(Child<QLineEdit>("ETempCount")->text(), "7");
  EXPECT_EQ(Child<QLineEdit>("ELinkWait")->text(), "25");
  EXPECT_EQ(Child<QComboBox>("CADCBRY")->currentIndex(), 2);
}

TEST_F(TempTestWindowTest, SetRebuildsTheTemperatureTableUnder150Degrees) {
  Start();
  Type("ETMPBG", "120");
  Type("ETMPScale", "10");
  Child<QPushButton>("TMPCNTSET")->click();
  EXPECT_EQ(Child<QLineEdit>("ETempCount")->text(), "4");
  ASSERT_EQ(Child<QTableView>("TMPGrid")->model()->rowCount(), 5);
  EXPECT_EQ(Text("TMPGrid", 1, 1), "120.00");
  EXPECT_EQ(Text("TMPGrid", 1, 4), "150.00");
  EXPECT_EQ(Child<QTableView>("TMPData")->model()->rowCount(), 5);
  EXPECT_EQ(Text("TMPData", 0, 4), "4");
  EXPECT_EQ(Status(2), "Temperature count lowered to 4: the chamber goes to 150 °C at most");

  // Cells are edited into the table; the labels are not editable.
  Edit("TMPGrid", 1, 2, "125.5");
  EXPECT_EQ(Model().temps.Cell(1, 2), "125.5");
  const QAbstractItemModel* grid = Child<QTableView>("TMPGrid")->model();
  EXPECT_FALSE(grid->flags(grid->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(grid->flags(grid->index(1, 0)) & Qt::ItemIsEditable);
}

TEST_F(TempTestWindowTest, EnterInTheModeCountSizesTheRegisterAndStepTables) {
  Start();
  // Until the count is applied the register table has neither its size nor its labels.
  EXPECT_EQ(Child<QTableView>("RegChg")->model()->rowCount(), 1);
  Type("EModenum", "3");
  EXPECT_EQ(Child<QTableView>("RegChg")->model()->rowCount(), 1);
  Enter("EModenum");
  const QAbstractItemModel* regs = Child<QTableView>("RegChg")->model();
  ASSERT_EQ(regs->rowCount(), 4);
  EXPECT_EQ(regs->columnCount(), 13);
  EXPECT_EQ(Text("RegChg", 0, 0), "Address");
  EXPECT_EQ(Text("RegChg", 11, 0), "Delay");
  EXPECT_EQ(Text("RegChg", 12, 0), "ACM");
  EXPECT_EQ(Text("RegChg", 0, 3), "Value-3");
  EXPECT_EQ(panel->Bench().flukeSteps.RowCount(), 4);
  EXPECT_EQ(panel->Bench().flukeSteps.Cell(0, 3), "3");
  EXPECT_EQ(panel->Bench().powerSteps.RowCount(), 4);
  // Addresses in row 0 are edited like values; the labels and column headers are not.
  EXPECT_TRUE(regs->flags(regs->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(regs->flags(regs->index(0, 11)) & Qt::ItemIsEditable);
  EXPECT_FALSE(regs->flags(regs->index(2, 0)) & Qt::ItemIsEditable);
  Edit("RegChg", 1, 0, "3D");
  EXPECT_EQ(Model().regs.Address(1), 0x3D);

  // No number: 48 modes, and the box says so.
  Type("EModenum", "many");
  Enter("EModenum");
  EXPECT_EQ(Child<QLineEdit>("EModenum")->text(), "48");
  EXPECT_EQ(regs->rowCount(), 49);
  EXPECT_EQ(Text("RegChg", 1, 0), "3D");
}

TEST_F(TempTestWindowTest, LockoutBoxesExcludeEachOther) {
  Start();
  auto* mv = Child<QCheckBox>("LK330mV");
  auto* v = Child<QCheckBox>("LK3V");
  mv->click();
  EXPECT_TRUE(mv->isChecked());
  EXPECT_TRUE(Model().form.lock330mV);
  v->click();
  EXPECT_TRUE(v->isChecked());
  EXPECT_FALSE(mv->isChecked());
  EXPECT_FALSE(Model().form.lock330mV);
  EXPECT_TRUE(Model().form.lock3V);
  v->click();
  EXPECT_FALSE(v->isChecked());
  EXPECT_FALSE(mv->isChecked());
  // Without a calibrator port the lock cannot be sent, and the window says so.
  Child<QPushButton>("LKENTER")->click();
  EXPECT_EQ(Status(2), "ENTER: the calibrator port is not open, no range lock sent");
}

TEST_F(TempTestWindowTest, EnterSendsTheCalibratorRangeLockOfTheCheckedBox) {
  StartConnected(true);
  auto* port = panel->Option().findChild<QComboBox*>("FlukeCOM");
  port->setCurrentIndex(port->findText(sim::SimInstruments::kCalibratorPort));
  emit port->activated(port->currentIndex());
  panel->Option().findChild<QPushButton*>("FlukeSelect")->click();
  ASSERT_TRUE(panel->Bench().instruments.FlukePort.IsOpen());
  auto& line = board->Instruments().CalibratorLine();
  auto sentOnEnter = [&] {
    line.ClearSent();
    Child<QPushButton>("LKENTER")->click();
    return std::string(line.Sent().begin(), line.Sent().end());
  };
  Child<QCheckBox>("LK3V")->click();
  EXPECT_EQ(sentOnEnter(), "STBY\rRANGELCK OFF\rOUT 600 mV ,0 Hz \rRANGELCK ON\rOUT 0 V ,0 Hz\r");
  EXPECT_TRUE(board->Instruments().Calibrator().RangeLocked());
  Child<QCheckBox>("LK330mV")->click();
  EXPECT_EQ(sentOnEnter(), "STBY\rRANGELCK OFF\rOUT 100 mV ,0 Hz \rRANGELCK ON\rOUT 0 V ,0 Hz\r");
  Child<QCheckBox>("LK330mV")->click();
  EXPECT_EQ(sentOnEnter(), "STBY\rRANGELCK OFF\r");
  EXPECT_FALSE(board->Instruments().Calibrator().RangeLocked());
}

TEST_F(TempTestWindowTest, TTestRunsEveryPointAndModeOnTheSimulatedBoard) {
  StartConnected();
  SmallTables(2);
  bool buttonHeld = true;
  bool sampled = false;
  QString gaugeText;
  auto* gauge = panel->Main().findChild<QProgressBar*>("Gauge1");
  WhileRunning([&] {
    sampled = true;
    buttonHeld = buttonHeld && !Child<QPushButton>("TTest")->isEnabled();
    if (!gauge->isHidden() && Model().Progress().point == 2) gaugeText = gauge->text();
    return false;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_TRUE(sampled);
  EXPECT_TRUE(buttonHeld);
  EXPECT_TRUE(Child<QPushButton>("TTest")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>("TBg")->isEnabled());
  EXPECT_FALSE(Model().Running);
  EXPECT_TRUE(gaugeText.startsWith("Point 2/2, mode ")) << gaugeText.toStdString();
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 2 points x 2 modes");

  // The result table: the mean of every point and mode; gain 2 doubles it.
  ASSERT_EQ(Child<QTableView>("TMPData")->model()->columnCount(), 3);
  EXPECT_EQ(Text("TMPData", 2, 0), "D - 2");
  for (int t = 1; t <= 2; ++t) {
    const double gain1 = Cell("TMPData", 1, t);
    const double gain2 = Cell("TMPData", 2, t);
    EXPECT_GT(gain1, 1000) << t;
    EXPECT_NEAR(gain2 / gain1, 2.0, 0.01) << t;
  }

  const std::string b = FileText("QxTEMPB.CSV");
  const auto bLines = Lines(b);
  ASSERT_EQ(bLines.size(), 6u);
  EXPECT_EQ(bLines[0], "Test #1, , , ");
  EXPECT_EQ(bLines[1],
            platform::ToCodePage950(" ,平均值, VPP(nV), RMS Noise(nV), Enob, VPP(count), "
                                    "RMS Noise(count), Noise Free, 比較值"));
  EXPECT_EQ(bLines[2].substr(0, 3 + Text("TMPData", 1, 1).size()),
            "1, " + Text("TMPData", 1, 1).toStdString());
  EXPECT_EQ(bLines[5].substr(0, 3), "2, ");
  const auto aLines = Lines(FileText("QxTEMPA.CSV"));
  ASSERT_EQ(aLines.size(), 6u);
  EXPECT_EQ(aLines[0], ", , , Test #0, , , ");
  EXPECT_EQ(aLines[1], platform::ToCodePage950("溫度, 濕度,  ,平均值, VPP(nV), RMS Noise(nV), "
                                               "Enob, VPP(count), RMS Noise(count), Noise "
                                               "Free, 比較值"));
  EXPECT_EQ(aLines[2].substr(0, 17), "-40.00, 0.00, 1, ");
  EXPECT_EQ(aLines[5].substr(0, 17), "-30.00, 0.00, 2, ");
  EXPECT_EQ(aLines[5].substr(aLines[5].size() - 2), ",0");

  // The chart: one line per mode through both temperatures, then the mean's fitted lines.
  QCustomPlot* chart = Form().Chart();
  ASSERT_EQ(chart->graphCount(), 4);
  EXPECT_EQ(chart->graph(3)->name(), "Fitted line");
  for (int m = 0; m < 2; ++m) {
    const auto* data = chart->graph(m)->data().data();
    ASSERT_EQ(data->size(), 2) << m;
    EXPECT_EQ(data->at(0)->key, -40.0);
    EXPECT_EQ(data->at(1)->key, -30.0);
    EXPECT_DOUBLE_EQ(data->at(1)->value, Model().results.Stat(0, 2, m + 1));
  }
  EXPECT_EQ(chart->graph(1)->name(), "Mode 2");
  EXPECT_EQ(chart->xAxis->label(), QString::fromUtf8("Temperature (°C)"));
  Child<QComboBox>("ChartFigure")->setCurrentIndex(2);
  EXPECT_EQ(chart->yAxis->label(), "ENOB (bits)");
  ASSERT_EQ(chart->graphCount(), 2);
  EXPECT_DOUBLE_EQ(chart->graph(0)->data()->at(0)->value, Model().results.Stat(3, 1, 1));
  EXPECT_NE(chart->graph(0)->data()->at(0)->value, Model().results.Stat(0, 1, 1));

  const QString png = QString::fromStdString((dir / "chart.png").string());
  Form().SetPngChooser([png] { return png; });
  Child<QPushButton>("ChartSavePng")->click();
  EXPECT_EQ(FileText("chart.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(Status(2), "Chart saved to " + png.toStdString());
  const std::string nowhere = (dir / "none" / "c.png").string();
  EXPECT_FALSE(Form().SaveChartPng(QString::fromStdString(nowhere)));
  // The reason follows the path.
  EXPECT_EQ(Status(2).rfind("Save PNG: cannot write " + nowhere + ": ", 0), 0u) << Status(2);
}

TEST_F(TempTestWindowTest, ATemperatureCellThatIsNoNumberStopsTheRunBeforeItsFirstMode) {
  StartConnected();
  SmallTables(2);
  Edit("TMPGrid", 2, 2, "wet");
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Status(2), "Temperature table: point 2, column 2 (\"wet\") is not a number");
  EXPECT_FALSE(Model().Running);
  EXPECT_TRUE(Child<QPushButton>("TTest")->isEnabled());
  EXPECT_EQ(Model().results.Stat(0, 1, 1), 0.0);
  EXPECT_FALSE(std::filesystem::exists(dir / "QxTEMPB.CSV"));
}

// Status panel 1 counts the meters read in the mode before: none before the first reading.
TEST_F(TempTestWindowTest, ChannelCounterShowsTheMetersOfTheLastPass) {
  StartConnected(true);
  for (const char* list : {"MeterCOM1", "MeterCOM2"}) {
    auto* port = panel->Option().findChild<QComboBox*>(list);
    const std::string name = sim::SimInstruments::MeterPortName(list[8] - '1');
    port->setCurrentIndex(port->findText(QString::fromStdString(name)));
    emit port->activated(port->currentIndex());
  }
  panel->Option().findChild<QPushButton*>("MeterSelect")->click();
  ASSERT_TRUE(panel->Bench().instruments.MeterPorts[1].Selected);
  SmallTables(1);
  auto* measure = Child<QComboBox>("CADCBRY");
  measure->setCurrentIndex(measure->findText("ADC & Brymen"));
  emit measure->activated(measure->currentIndex());
  std::vector<std::string> counters;
  WhileRunning([&] {
    if (Status(1).rfind("Channel - ", 0) == 0 && (counters.empty() || counters.back() != Status(1)))
      counters.push_back(Status(1));
    return false;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(counters,
            (std::vector<std::string>{"Channel - 0 , Step - 1", "Channel - 2 , Step - 2"}));
  EXPECT_EQ(Model().MeterChannels(), 2);

  // A second run in the same window counts its own meters: none before its first pass.
  counters.clear();
  WhileRunning([&] {
    if (Status(1).rfind("Channel - ", 0) == 0 && (counters.empty() || counters.back() != Status(1)))
      counters.push_back(Status(1));
    return false;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 2 completed: 1 points x 2 modes");
  EXPECT_EQ(counters,
            (std::vector<std::string>{"Channel - 0 , Step - 1", "Channel - 2 , Step - 2"}));
}

// Cells a run cannot use refuse T-Test before its first mode, said in the status bar: the
// register write would keep the low byte of 9999, the wait would guess at -1.
TEST_F(TempTestWindowTest, CellsARunCannotUseAreRefusedInTheStatusBar) {
  StartConnected();
  SmallTables(1);
  const struct {
    const char* grid;
    int column, row;
    const char* text;
    const char* says;
  } cases[] = {
      {"RegChg", 1, 1, "9999",
       "Register table: Value-1, column 1: \"9999\" is not a register value 00 to FF"},
      {"RegChg", 1, 0, "1FF",
       "Register table: Address column 1: \"1FF\" is not a register address 00 to FF"},
      {"RegChg", 1, 2, "2G",
       "Register table: Value-2, column 1: \"2G\" is not a register value 00 to FF"},
      {"RegChg", 11, 2, "-1",
       "Register table: Value-2, Delay: \"-1\" is not a whole number of seconds from 0 to 86400"},
      {"RegChg", 12, 1, "1e308",
       "Register table: Value-1, ACM: \"1e308\" is not a reference voltage above 0 and up to "
       "10 V"},
  };
  for (const auto& c : cases) {
    const QString kept = Text(c.grid, c.column, c.row);
    Edit(c.grid, c.column, c.row, c.text);
    Child<QPushButton>("TTest")->click();
    EXPECT_EQ(Status(2), c.says);
    EXPECT_TRUE(Child<QPushButton>("TTest")->isEnabled()) << c.says;
    EXPECT_FALSE(std::filesystem::exists(dir / "QxTEMPB.CSV")) << c.says;
    Edit(c.grid, c.column, c.row, kept.toUtf8().constData());
  }
  Type("ELinkWait", "x");
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Status(2), "USB bridge wait: \"x\" is not a whole number of minutes from 0 to 1440");
  EXPECT_FALSE(std::filesystem::exists(dir / "QxTEMPB.CSV"));
  Type("ELinkWait", "10");
  // The refused runs left nothing in the journal: no question, and this is its first run.
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 1 points x 2 modes");
}

// With a run left unfinished in the journal, T-Test asks Resume / Start new / Cancel. Cancel
// changes nothing; Start new abandons the old run and runs afresh; Resume continues it.
TEST_F(TempTestWindowTest, AnUnfinishedRunAsksResumeStartNewOrCancel) {
  StartConnected();
  SmallTables(2);
  auto stopInPoint2 = [&] {
    WhileRunning([&] {
      if (Model().Progress().point != 2) return false;
      Child<QPushButton>("Button2")->click();
      return true;
    });
    Child<QPushButton>("TTest")->click();
  };
  QStringList buttons;
  auto answer = [&](const QString& button) {
    QTimer::singleShot(0, &Form(), [&buttons, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr) << "no question";
      buttons.clear();
      for (QAbstractButton* b : box->buttons()) buttons << b->text().remove('&');
      buttons.sort();
      for (QAbstractButton* b : box->buttons())
        if (b->text().remove('&') == button) return b->click();
      ADD_FAILURE() << "no button " << button.toStdString();
      box->reject();
    });
    Child<QPushButton>("TTest")->click();
  };
  auto state = [&](int64_t id) {
    std::string error;
    auto journal = platform::SqliteRunJournal::Open(dir / "QxRuns.db", error);
    EXPECT_TRUE(journal) << error;
    for (const auto& r : journal->List())
      if (r.id == id) return r.state;
    return qx::autotest::RunState::Running;
  };

  stopInPoint2();
  ASSERT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 stopped at point 2, mode 1");
  const std::string stopped = FileText("QxTEMPB.CSV");
  answer("Cancel");
  EXPECT_EQ(buttons, (QStringList{"Cancel", "Resume", "Start new"}));
  EXPECT_EQ(Status(2).rfind("T-Test cancelled: Run 1 (started ", 0), 0u) << Status(2);
  EXPECT_EQ(FileText("QxTEMPB.CSV"), stopped);
  EXPECT_EQ(state(1), qx::autotest::RunState::Stopped);

  answer("Start new");
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 2 completed: 2 points x 2 modes");
  EXPECT_EQ(state(1), qx::autotest::RunState::Abandoned);

  stopInPoint2();
  ASSERT_EQ(Child<QLabel>("RunProgress")->text(), "Run 3 stopped at point 2, mode 1");
  answer("Resume");
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 3 completed: 2 points x 2 modes");
  EXPECT_EQ(state(3), qx::autotest::RunState::Completed);
  EXPECT_EQ(Model().UnfinishedRun(), "");
}

// Mode 2 (gain 2) drives the input beyond full scale and the captures of point 2, mode 1 are
// lost with the bridge present: the row says so in both cells, the chart rings the clipped
// points, and the failed mode is no point of the chart.
TEST_F(TempTestWindowTest, OverRangeAndFailedModesAreMarkedInTheirRowsAndTheChart) {
  StartConnected();
  board->Target().SetInputNoiseNv(0);
  board->Target().SetOutputNoiseCodes(0);
  board->Target().SetDcLevelVolts(1.5);
  SmallTables(2);
  board->Bridge().SetTargetProgram([this, n = 0, was = false]() mutable {
    const bool streaming = board->Bridge().Streaming();
    if (streaming && !was) ++n;
    was = streaming;
    if (streaming && n >= 3 && n <= 6) board->Bridge().DropNextReply();
  });
  // Every message the status panels are given, however soon the next one follows.
  std::vector<std::string> seen;
  Recorder recorder(seen);
  for (auto* p : panel->Main().findChildren<StatusPanel*>()) p->installEventFilter(&recorder);
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed with 1 failed modes");
  EXPECT_TRUE(Text("TMPData", 2, 1).endsWith(" over range")) << Text("TMPData", 2, 1).toStdString();
  EXPECT_TRUE(Text("TMPData", 2, 2).endsWith(" over range")) << Text("TMPData", 2, 2).toStdString();
  Cell("TMPData", 1, 1);
  EXPECT_EQ(Text("TMPData", 1, 2), "failed");
  // Both were in the status bar while the run went on.
  auto said = [&](const std::string& start) {
    return std::any_of(seen.begin(), seen.end(),
                       [&](const std::string& s) { return s.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(said("point 2, mode 1 failed after 4 attempts: ")) << seen.size();
  EXPECT_TRUE(said("point 1, mode 2: over range: ")) << seen.size();

  QCustomPlot* chart = Form().Chart();
  ASSERT_EQ(chart->graphCount(), 3);
  EXPECT_EQ(chart->graph(0)->data()->size(), 1);  // mode 1 without its failed point
  EXPECT_EQ(chart->graph(1)->data()->size(), 2);
  EXPECT_EQ(chart->graph(2)->name(), "over range");
  EXPECT_EQ(chart->graph(2)->lineStyle(), QCPGraph::lsNone);
  ASSERT_EQ(chart->graph(2)->data()->size(), 2);
  EXPECT_DOUBLE_EQ(chart->graph(2)->data()->at(1)->value, Model().results.Stat(0, 2, 2));
}

// The bridge leaves the bus during a run: the status bar counts down the wait for it, and a
// bridge that stays away stops the run, resumable, naming where.
TEST_F(TempTestWindowTest, TheWaitForALostBridgeShowsItsTimeLeft) {
  StartConnected();
  SmallTables(2);
  Type("ELinkWait", "2");
  for (const bool comesBack : {true, false}) {
    std::vector<std::string> waits;
    bool unplugged = false;
    WhileRunning([&] {
      if (!unplugged && Model().Progress().point == 2) {
        unplugged = true;
        if (comesBack)
          board->Bridge().Unplug(90'000);
        else
          board->Bridge().Unplug();
      }
      if (Status(2).rfind("waiting for the USB bridge, ", 0) == 0 &&
          (waits.empty() || waits.back() != Status(2)))
        waits.push_back(Status(2));
      return false;
    });
    Child<QPushButton>("TTest")->click();
    ASSERT_FALSE(waits.empty()) << comesBack;
    EXPECT_EQ(waits.front(), "waiting for the USB bridge, 0:02:00 left") << comesBack;
    EXPECT_GT(waits.size(), 2u) << comesBack;
    if (comesBack) {
      EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 2 points x 2 modes");
      EXPECT_EQ(waits.back().rfind("waiting for the USB bridge, 0:00:", 0), 0u) << waits.back();
    } else {
      EXPECT_EQ(Child<QLabel>("RunProgress")->text(),
                "Run 2 stopped: link lost at point 2, mode 1");
      EXPECT_EQ(Status(2), "stopped: link lost at point 2, mode 1");
      board->Bridge().Replug();
    }
  }
}

TEST_F(TempTestWindowTest, TBeginHoldsTheSimulatedChamberAtEveryPoint) {
  StartConnected(true);
  // Without the chamber the full test cannot begin, and says why.
  Child<QPushButton>("TBg")->click();
  EXPECT_EQ(Status(2), "T-Begin: the chamber port is not open; select the chamber in Setup first");
  EXPECT_FALSE(std::filesystem::exists(dir / "QxTEMPA.CSV"));

  auto* port = panel->Option().findChild<QComboBox*>("ChamberCOM");
  port->setCurrentIndex(port->findText(sim::SimInstruments::kChamberPort));
  emit port->activated(port->currentIndex());
  panel->Option().findChild<QPushButton*>("ChamberSelect")->click();
  ASSERT_TRUE(panel->Bench().instruments.ChamberPort.IsOpen());
  Type("ETMPBG", "20");
  SmallTables(2);  // 20 and 30 °C
  Type("Edit2", "0");
  bool buttonHeld = true;
  WhileRunning([&] {
    buttonHeld = buttonHeld && !Child<QPushButton>("TBg")->isEnabled();
    return false;
  });
  Child<QPushButton>("TBg")->click();
  EXPECT_TRUE(buttonHeld);
  EXPECT_TRUE(Child<QPushButton>("TBg")->isEnabled());
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 2 points x 2 modes");
  const auto a = Lines(FileText("QxTEMPA.CSV"));
  ASSERT_EQ(a.size(), 6u);
  EXPECT_EQ(a[2].substr(0, 16), "20.00, 0.00, 1, ");
  EXPECT_EQ(a[5].substr(0, 16), "30.00, 0.00, 2, ");
  EXPECT_NEAR(Cell("TMPData", 2, 2) / Cell("TMPData", 1, 2), 2.0, 0.01);
}

// The chamber's port chosen in the setup dialog (and kept for the next session) opens at
// T-Begin. During the run only Stop
// may start anything, the link state keeps panel 0, the chamber reading says what it is, and
// the gauge follows the whole run, the chamber's way to the next point included.
TEST_F(TempTestWindowTest, TBeginOpensTheRememberedChamberAndShowsWhereTheRunIs) {
  StartConnected(true);
  auto choose = [&](const char* list, const char* name) {
    auto* port = panel->Option().findChild<QComboBox*>(list);
    port->setCurrentIndex(port->findText(name));
    emit port->activated(port->currentIndex());
  };
  choose("ChamberCOM", sim::SimInstruments::kChamberPort);  // chosen and kept, never selected
  ASSERT_FALSE(panel->Bench().instruments.ChamberPort.IsOpen());
  choose("PowerCOM", sim::SimInstruments::kPowerSupplyPort);
  panel->Option().findChild<QPushButton*>("PowerSelect")->click();
  // A port list re-applies the bridge's own serial line, which this bench does not have.
  Action("USBScan")->trigger();
  ASSERT_EQ(Status(0), "USB On Line");
  Type("ETMPBG", "20");
  SmallTables(2);  // 20 and 30 °C
  Type("Edit2", "0");
  QAbstractItemModel* power = panel->Power().findChild<QTableView*>("PowerGd")->model();
  ASSERT_TRUE(power->setData(power->index(1, 1), "1", Qt::EditRole));
  ASSERT_TRUE(power->setData(power->index(1, 2), "VOLT 3.3", Qt::EditRole));

  auto* gauge = panel->Main().findChild<QProgressBar*>("Gauge1");
  bool otherStartHeld = true;
  std::string heading, chamber, link = "USB On Line";
  int lowestAtPoint2 = 100;
  WhileRunning([&] {
    otherStartHeld = otherStartHeld && !Child<QPushButton>("TTest")->isEnabled();
    if (Status(0) != "USB On Line") link = Status(0);
    if (Status(1).rfind("Chamber ", 0) == 0) chamber = Status(1);
    if (Model().Progress().point == 2) {
      lowestAtPoint2 = std::min(lowestAtPoint2, gauge->value());
      if (Model().Progress().mode == 0) heading = gauge->text().toStdString();
    }
    return false;
  });
  Child<QPushButton>("TBg")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 2 points x 2 modes");
  EXPECT_TRUE(panel->Bench().instruments.ChamberPort.IsOpen());
  EXPECT_TRUE(otherStartHeld);
  EXPECT_EQ(link, "USB On Line");
  EXPECT_EQ(Status(0), "USB On Line");
  EXPECT_TRUE(chamber.ends_with(" °C, set 30.00 °C")) << chamber;
  EXPECT_TRUE(heading.starts_with("Point 2/2, chamber to 30.00 °C")) << heading;
  EXPECT_TRUE(heading.ends_with("  50%")) << heading;
  EXPECT_EQ(lowestAtPoint2, 50);
}

// A kill runs no close: the register table a run was set up with must already be on disk, and
// it comes back labelled.
TEST_F(TempTestWindowTest, TheRegisterTableComesBackAfterAKill) {
  Start();
  SmallTables(2);
  QEventLoop wait;
  QTimer::singleShot(1500, &wait, &QEventLoop::quit);
  wait.exec();
  Destroy();
  Start();
  ASSERT_EQ(Child<QTableView>("RegChg")->model()->rowCount(), 3);
  const std::vector<std::tuple<int, int, const char*>> cells{
      {0, 0, "Address"}, {11, 0, "Delay"}, {0, 2, "Value-2"}, {1, 0, "01"},
      {1, 1, "00"},      {1, 2, "20"},     {11, 2, "1"},      {12, 1, "2.4"}};
  for (const auto& [c, r, text] : cells) EXPECT_EQ(Text("RegChg", c, r), text) << c << "," << r;
}

// "Device" and "Note" are kept as typed, across a kill, and go into the run's journal row. The
// "Drift" tab grows a row a mode as the run measures, and a resumed run in a new session shows
// the drift of every point the journal holds, not only of those measured since; the chart of
// the mean gets the fitted lines.
TEST_F(TempTestWindowTest, DeviceAndNoteGoWithTheRunAndTheDriftTabFollowsIt) {
  Start();
  Type("EDevice", QString::fromUtf8("board 7, rev B"));
  Type("ENote", QString::fromUtf8("after reflow, 2 µV"));
  QEventLoop wait;
  QTimer::singleShot(1500, &wait, &QEventLoop::quit);
  wait.exec();
  Destroy();
  StartConnected();
  EXPECT_EQ(Caption("EDevice"), "Device");
  EXPECT_EQ(Caption("ENote"), "Note");
  EXPECT_EQ(Child<QLineEdit>("EDevice")->text(), QString::fromUtf8("board 7, rev B"));
  EXPECT_EQ(Child<QLineEdit>("ENote")->text(), QString::fromUtf8("after reflow, 2 µV"));
  auto* pages = Child<QTabWidget>("Pages");
  ASSERT_EQ(pages->tabText(2), "Drift");

  SmallTables(3);
  int rowsAtPoint2 = -1;
  WhileRunning([&] {
    if (Model().Progress().point != 2) return false;
    rowsAtPoint2 = Child<QTableWidget>("DriftTable")->rowCount();
    Child<QPushButton>("Button2")->click();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(rowsAtPoint2, 2) << "both modes of point 1, live";
  std::string error;
  {
    auto journal = platform::SqliteRunJournal::Open(dir / qx::autotest::kRunJournalFile, error);
    ASSERT_NE(journal, nullptr) << error;
    const auto settings = journal->Settings(1);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->device, "board 7, rev B");
    EXPECT_EQ(settings->note, "after reflow, 2 \u00B5V");
  }

  Destroy();
  Start();  // a new session on the same board
  board->ApplyChipGains(panel->Bench().chip);
  Action("USBScan")->trigger();
  ASSERT_EQ(Status(0), "USB On Line");
  Model().resume = TempTest::Resume::Always;
  Child<QPushButton>("TTest")->click();
  ASSERT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 3 points x 2 modes");
  auto* table = Child<QTableWidget>("DriftTable");
  ASSERT_EQ(table->rowCount(), 2);
  auto header = [table](int c) { return table->horizontalHeaderItem(c)->text(); };
  auto cell = [table](int r, int c) { return table->item(r, c)->text(); };
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(cell(r, 0), QString::number(r + 1));
    EXPECT_EQ(cell(r, 1), "3") << "every point of the run, before and after the resume";
    EXPECT_EQ(cell(r, 3), QString::fromUtf8("-40.0 to -20.0 °C"));
    EXPECT_EQ(header(4), "Offset drift\n(input)");
    EXPECT_TRUE(cell(r, 4).endsWith(QString::fromUtf8(" µV/°C"))) << cell(r, 4).toStdString();
    EXPECT_TRUE(cell(r, 8).endsWith(" nV")) << cell(r, 8).toStdString();
    EXPECT_EQ(cell(r, 9), QString::fromUtf8("–")) << "no 25 °C in a run from -40 to -20 °C";
  }
  // One input at two gains is one level: no gain drift to be had, and the line says why.
  EXPECT_TRUE(Child<QLabel>("DriftPath")->text().startsWith("Input path: no offset and gain"));
  int fits = 0;
  for (int g = 0; g < Form().Chart()->graphCount(); ++g)
    fits += Form().Chart()->graph(g)->name() == "Fitted line" &&
            Form().Chart()->graph(g)->data()->size() == 2;
  EXPECT_EQ(fits, 2);
}

// A resumed run shows the start and step its own temperature table was built from.
TEST_F(TempTestWindowTest, AResumedRunShowsItsOwnStartAndStep) {
  StartConnected();
  Type("ETMPBG", "20");
  Type("ETMPScale", "5");
  SmallTables(2);  // 20 and 25 °C
  WhileRunning([&] {
    if (Model().Progress().point != 2) return false;
    Child<QPushButton>("Button2")->click();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  Type("ETMPBG", "-40");
  Type("ETMPScale", "10");
  Child<QPushButton>("TMPCNTSET")->click();
  Model().resume = TempTest::Resume::Always;
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 2 points x 2 modes");
  EXPECT_EQ(Child<QLineEdit>("ETMPBG")->text(), "20.00");
  EXPECT_EQ(Child<QLineEdit>("ETMPScale")->text(), "5.00");
}

TEST_F(TempTestWindowTest, StopEndsTheRunAtItsNextCheckWithTheFilesWhole) {
  StartConnected();
  SmallTables(3);
  Edit("RegChg", 11, 1, "30");  // mode 1 settles twice 30 s before its capture
  QString refusal;
  double stoppedAt = 0;
  WhileRunning([&] {
    if (Model().Progress().point != 2) return false;
    // The tables cannot change under the run.
    Action("DownloadReg1")->trigger();
    refusal = QString::fromStdString(Status(2));
    stoppedAt = clock.NowMs();
    Child<QPushButton>("Button2")->click();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  // Stop cut the settling wait short instead of letting its 30 s run out.
  EXPECT_LT(clock.NowMs() - stoppedAt, 2000);
  EXPECT_EQ(refusal.toStdString(),
            "Download Reg: not while the temperature test runs (Stop ends it at its next check)");
  EXPECT_FALSE(Model().Running);
  EXPECT_TRUE(Child<QPushButton>("TTest")->isEnabled());
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 stopped at point 2, mode 1");
  // Mode 1 of point 2 was stopped in its wait, before the input settled: no capture.
  EXPECT_NE(Model().results.Stat(0, 1, 2), 0.0);
  EXPECT_EQ(Model().results.Stat(0, 2, 1), 0.0);
  EXPECT_EQ(Model().results.Stat(0, 2, 2), 0.0);
  EXPECT_EQ(Model().results.Stat(0, 3, 1), 0.0);
  // Whole files: every line of every point and mode, each ended.
  EXPECT_EQ(Lines(FileText("QxTEMPB.CSV")).size(), 2u + 3 * 2);
  const auto a = Lines(FileText("QxTEMPA.CSV"));
  ASSERT_EQ(a.size(), 2u + 3 * 2);
  // Point 2 has no mode recorded and point 3 was never reached: their lines hold neither a
  // temperature nor a figure, nothing a reader could take for a measurement.
  EXPECT_EQ(a[4], ", , 1, , , , , , , ,");
  EXPECT_EQ(a[7], ", , 2, , , , , , , ,");
  // Only the finished modes are drawn.
  ASSERT_EQ(Form().Chart()->graphCount(), 2);
  EXPECT_EQ(Form().Chart()->graph(0)->data()->size(), 1);
  EXPECT_EQ(Form().Chart()->graph(1)->data()->size(), 1);

  // The journal continues the stopped run with its own tables, whatever the boxes say now.
  Type("ETempCount", "5");
  Child<QPushButton>("TMPCNTSET")->click();
  Model().resume = TempTest::Resume::Always;
  Child<QPushButton>("TTest")->click();
  EXPECT_EQ(Child<QLabel>("RunProgress")->text(), "Run 1 completed: 3 points x 2 modes");
  EXPECT_EQ(Child<QLineEdit>("ETempCount")->text(), "3");
  EXPECT_EQ(Child<QTableView>("TMPGrid")->model()->rowCount(), 4);
  for (int t = 1; t <= 3; ++t)
    EXPECT_NEAR(Cell("TMPData", 2, t) / Cell("TMPData", 1, t), 2.0, 0.01);
  EXPECT_EQ(Form().Chart()->graph(1)->data()->size(), 3);
  EXPECT_EQ(Lines(FileText("QxTEMPA.CSV"))[7].substr(0, 17), "-20.00, 0.00, 2, ");
}

TEST_F(TempTestWindowTest, ClosingTheWindowDuringARunStopsIt) {
  StartConnected();
  SmallTables(2);
  Action("Regist")->trigger();
  WhileRunning([&] {
    if (Model().Progress().mode != 2) return false;
    auto* frame = qobject_cast<QMdiSubWindow*>(Form().parentWidget());
    frame->close();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_TRUE(Form().isHidden());
  EXPECT_FALSE(Form().ResultTimer()->isActive());
  EXPECT_FALSE(Model().Running);
  EXPECT_EQ(Model().results.Stat(0, 2, 1), 0.0);
  EXPECT_EQ(Lines(FileText("QxTEMPA.CSV")).size(), 6u);
}

TEST_F(TempTestWindowTest, TheProgramClosesOnlyAfterTheRunHasEnded) {
  StartConnected();
  SmallTables(2);
  Action("Regist")->trigger();
  bool refused = false;
  bool shownDuring = false;
  WhileRunning([&] {
    if (Model().Progress().mode != 2) return false;
    refused = !panel->Main().close();
    shownDuring = !Form().isHidden();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  EXPECT_TRUE(refused);
  EXPECT_TRUE(shownDuring);
  EXPECT_FALSE(Form().RunActive());
  // The close went ahead once the run had unwound: the children are hidden.
  EXPECT_TRUE(Form().isHidden());
  EXPECT_FALSE(Model().Running);
  EXPECT_EQ(Lines(FileText("QxTEMPA.CSV")).size(), 6u);
  Destroy();
}

TEST_F(TempTestWindowTest, FileMenuSavesAndLoadsTheRegisterAndStepLists) {
  InstallShippedChips();  // the chip description shows the File menu
  Start();
  for (const char* name : {"SaveReg1", "DownloadReg1", "SaveFluke1", "DownLoadFluke1", "SavePower1",
                           "DownloadPower1", "Regist"})
    EXPECT_TRUE(Action(name)->isEnabled()) << name;
  Type("EModenum", "3");
  Enter("EModenum");
  Edit("RegChg", 1, 0, "01");
  Edit("RegChg", 2, 0, "3");
  Edit("RegChg", 1, 1, "20");
  Edit("RegChg", 2, 1, "A");
  Edit("RegChg", 1, 2, "40");
  Edit("RegChg", 11, 1, "5");
  Edit("RegChg", 12, 1, "1.2");
  Edit("RegChg", 11, 2, "7");
  Edit("RegChg", 12, 2, "2.4");
  auto& fluke = panel->Bench().flukeSteps;
  fluke.SetCell(1, 1, "1");
  fluke.SetCell(2, 1, "OUT 100 mV ,0 Hz");
  Action("SaveReg1")->trigger();
  EXPECT_EQ(Status(2), "Register.txt, Delay.txt and ACM.txt saved: 2 addresses, 2 modes");
  const std::string blanks(32, ' ');
  EXPECT_EQ(FileText("Register.txt"),
            "  01   3" + blanks + "\r\n  20   A" + blanks + "\r\n  40    " + blanks + "\r\n");
  EXPECT_EQ(FileText("Delay.txt"), "     5\r\n     7\r\n");
  EXPECT_EQ(FileText("ACM.txt"), "   1.2\r\n   2.4\r\n");
  Action("SaveFluke1")->trigger();
  EXPECT_EQ(FileText("Fluke.txt"), "   1OUT 100 mV ,0 Hz\r\n");

  // Changed tables come back as saved.
  Edit("RegChg", 1, 0, "7F");
  Edit("RegChg", 1, 2, "");
  Edit("RegChg", 12, 1, "9");
  fluke.SetCell(2, 1, "STBY");
  Action("DownloadReg1")->trigger();
  EXPECT_EQ(Status(0), "Download Register Value OK !!!");
  EXPECT_EQ(Status(2), "Register.txt loaded: 2 addresses, 2 modes; Delay.txt and ACM.txt loaded");
  EXPECT_EQ(Text("RegChg", 1, 0), "01");
  EXPECT_EQ(Text("RegChg", 2, 0), "3");
  EXPECT_EQ(Text("RegChg", 2, 1), "A");
  EXPECT_EQ(Text("RegChg", 1, 2), "40");
  EXPECT_EQ(Text("RegChg", 11, 2), "7");
  EXPECT_EQ(Text("RegChg", 12, 1), "1.2");
  EXPECT_EQ(Text("TMPData", 2, 0), "D - 2");
  Action("DownLoadFluke1")->trigger();
  EXPECT_EQ(fluke.Cell(2, 1), "OUT 100 mV ,0 Hz");
  EXPECT_EQ(Status(2), "Fluke.txt loaded: 1 row");

  // The power list was never saved: loading it clears the table and says so.
  panel->Bench().powerSteps.SetCell(2, 1, "VOLT 3.3");
  Action("DownloadPower1")->trigger();
  EXPECT_EQ(panel->Bench().powerSteps.Cell(2, 1), "");
  EXPECT_EQ(Status(2), "Power.txt not found: the power-supply table was cleared");
  std::filesystem::remove(dir / "Register.txt");
  Action("DownloadReg1")->trigger();
  EXPECT_EQ(Status(2),
            "Cannot read " + (dir / "Register.txt").string() + ": the file does not exist");
}

TEST_F(TempTestWindowTest, ContinuousReadingShowsTheWindowWithItsTimer) {
  Start();
  panel->Main().show();
  Action("Regist")->trigger();
  EXPECT_FALSE(Form().isHidden());
  EXPECT_TRUE(Form().ResultTimer()->isActive());
  auto* frame = qobject_cast<QMdiSubWindow*>(Form().parentWidget());
  ASSERT_NE(frame, nullptr);
  // Minimised, the window keeps reading; closed, it stops.
  frame->showMinimized();
  QApplication::processEvents();
  EXPECT_TRUE(Form().ResultTimer()->isActive());
  frame->showNormal();
  frame->close();
  EXPECT_TRUE(Form().isHidden());
  EXPECT_FALSE(Form().ResultTimer()->isActive());
  Action("Regist")->trigger();
  EXPECT_TRUE(Form().ResultTimer()->isActive());
  CloseAndDestroy();
}

TEST_F(TempTestWindowTest, AJournalThatCannotOpenFallsBackToMemoryAndSaysSo) {
  std::filesystem::create_directories(dir / "QxRuns.db");
  Start();
  EXPECT_NE(Form().JournalWarning().indexOf("cannot be resumed"), -1);
  EXPECT_EQ(Status(2), Form().JournalWarning().toStdString());
}

}  // namespace
// "Report…" writes the run as one HTML page where the user chose; without a run it says so.
TEST_F(TempTestWindowTest, ReportWritesTheLastRunAsOnePage) {
  StartConnected();
  const std::filesystem::path page = dir / "chosen.html";
  QString offered;
  Form().SetReportChooser([&](const QString& name) {
    offered = name;
    return QString::fromStdString(page.string());
  });
  EXPECT_FALSE(Form().ReportClick());
  EXPECT_EQ(Status(2), "Report: no run in the journal yet");
  SmallTables(2);
  Child<QPushButton>("TTest")->click();
  Child<QPushButton>("RunReport")->click();
  const std::string run = std::to_string(Model().RunId());
  EXPECT_EQ(offered.toStdString(), (dir / ("QxRun-" + run + ".html")).string());
  EXPECT_EQ(Status(2), "Report of run " + run + " written to " + page.string());
  const std::string html = FileText("chosen.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("<h1>Temperature run " + run + "</h1>"), std::string::npos);
  EXPECT_NE(html.find("<td>2</td><td>2</td><td>-30.00</td>"), std::string::npos) << html;
}

// File > Run History lists the journal's runs; one chosen shows its rows and drift, two share
// the chart a colour each; Report writes the chosen run's page; Delete asks, then removes it.
TEST_F(TempTestWindowTest, RunHistoryListsShowsOverlaysReportsAndDeletesRuns) {
  StartConnected();
  SmallTables(2);
  Type("EDevice", "EVB 9");
  Child<QPushButton>("TTest")->click();
  const int64_t first = Model().RunId();
  Child<QPushButton>("TTest")->click();
  const int64_t second = Model().RunId();
  ASSERT_NE(first, second);

  QAction* item = panel->Main().findChild<QAction*>("SMenu_RunHistory");
  ASSERT_NE(item, nullptr);
  item->trigger();
  autotest::RunHistoryWindow& history = panel->RunHistory();
  EXPECT_TRUE(history.isVisible());
  ASSERT_EQ(history.Runs()->rowCount(), 2);
  EXPECT_EQ(history.Runs()->item(0, 0)->text().toLongLong(), second);  // newest first
  EXPECT_EQ(history.Runs()->item(1, 3)->text(), "completed");
  EXPECT_EQ(history.Runs()->item(1, 6)->text(), "2 x 2");

  history.Choose({first});
  EXPECT_EQ(history.Results()->rowCount(), 4);  // 2 points x 2 modes
  EXPECT_EQ(history.Drift()->rowCount(), 2);
  EXPECT_EQ(history.Chart()->graph(0)->name().toStdString(),
            "Run " + std::to_string(first) + ", EVB 9");
  EXPECT_EQ(history.Chart()->graph(0)->dataCount(), 2);

  history.Choose({first, second});
  std::vector<std::string> names;
  for (int g = 0; g < history.Chart()->graphCount(); ++g)
    if (history.Chart()->legend->hasItemWithPlottable(history.Chart()->graph(g)))
      names.push_back(history.Chart()->graph(g)->name().toStdString());
  EXPECT_EQ(names, (std::vector<std::string>{"Run " + std::to_string(first) + ", EVB 9",
                                             "Run " + std::to_string(second) + ", EVB 9"}));
  EXPECT_FALSE(history.ReportClick());
  EXPECT_EQ(Status(2), "Report: choose one run");

  history.Choose({second});
  history.chooseFile = [&](const QString&) {
    return QString::fromStdString((dir / "second.html").string());
  };
  EXPECT_TRUE(history.ReportClick());
  EXPECT_EQ(FileText("second.html").rfind("<!DOCTYPE html>", 0), 0u);

  QString asked;
  history.confirm = [&](const QString& question) {
    asked = question;
    return false;
  };
  EXPECT_FALSE(history.DeleteClick());
  EXPECT_TRUE(asked.startsWith("Delete run " + QString::number(second) + " (EVB 9)"))
      << asked.toStdString();
  EXPECT_EQ(history.Runs()->rowCount(), 2);
  history.confirm = [](const QString&) { return true; };
  EXPECT_TRUE(history.DeleteClick());
  EXPECT_EQ(Status(2), "Run " + std::to_string(second) + " deleted from the journal");
  ASSERT_EQ(history.Runs()->rowCount(), 1);
  EXPECT_EQ(history.Runs()->item(0, 0)->text().toLongLong(), first);
}

// Resume in the history window continues the journal's unfinished run in the temperature
// window, without its question; another run is refused with the one that is unfinished.
TEST_F(TempTestWindowTest, RunHistoryResumesTheUnfinishedRunOnly) {
  StartConnected();
  SmallTables(2);
  Child<QPushButton>("TTest")->click();
  const int64_t done = Model().RunId();
  WhileRunning([&] {
    if (Model().Progress().point != 2) return false;
    Child<QPushButton>("Button2")->click();
    return true;
  });
  Child<QPushButton>("TTest")->click();
  const int64_t stopped = Model().RunId();
  ASSERT_NE(done, stopped);

  panel->Main().findChild<QAction*>("SMenu_RunHistory")->trigger();
  autotest::RunHistoryWindow& history = panel->RunHistory();
  ASSERT_EQ(history.Runs()->rowCount(), 2);
  EXPECT_EQ(history.Runs()->item(0, 3)->text(), "stopped");
  history.Choose({done});
  EXPECT_FALSE(history.ResumeClick());
  EXPECT_EQ(Status(2), "Resume: run " + std::to_string(done) +
                           " is not the journal's unfinished run (run " + std::to_string(stopped) +
                           " is)");
  history.Choose({stopped});
  EXPECT_TRUE(history.ResumeClick()) << Status(2);
  EXPECT_EQ(Status(2), "Resume: run " + std::to_string(stopped) + " completed");
  EXPECT_EQ(Model().RunId(), stopped);  // the same run went on; no new one began
  ASSERT_EQ(history.Runs()->rowCount(), 2);
  EXPECT_EQ(history.Runs()->item(0, 3)->text(), "completed");
  EXPECT_EQ(history.Runs()->item(0, 7)->text(), "4");
}

}  // namespace qx::gui::test
