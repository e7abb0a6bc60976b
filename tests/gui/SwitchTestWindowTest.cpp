#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "PanelFixture.h"
#include "core/app/CommandLine.h"
#include "core/app/ConfigFile.h"
#include "core/app/Workbench.h"
#include "gui/autotest/TWeightCAL.h"
#include "gui/panels/ClickLabel.h"

namespace qx::gui::test {
namespace {

class SwitchTestWindowTest : public PanelFixture {
 protected:
  autotest::TWeightCAL& Form() { return panel->SwitchTest(); }
  template <typename T>
  T* Child(const QString& name) {
    return Form().findChild<T*>(name);
  }
  std::string FileText(const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string StepFileText() { return FileText("StepADC.txt"); }
  /// Started with the shipped chips on the simulated board, its gains those of the chip, the
  /// bridge connected, on the QX740x link the configuration selects.
  void StartConnected() {
    InstallShippedChips();
    Start();
    board->ApplyChipGains(panel->Bench().chip);
    Action("USBScan")->trigger();
    ASSERT_EQ(Status(0), "USB On Line");
    ASSERT_EQ(panel->Bench().target.LinkKind, link::kLinkQx740x);
  }
  /// The sample rows of a switch test CSV file: one vector of numbers per loop.
  std::vector<std::vector<double>> CsvRows(const char* name) {
    std::vector<std::vector<double>> rows;
    std::stringstream in(FileText(name));
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
      std::stringstream cells(line);
      std::string cell;
      std::getline(cells, cell, ',');  // loop number
      rows.emplace_back();
      while (std::getline(cells, cell, ',')) rows.back().push_back(std::stod(cell));
    }
    return rows;
  }
  /// The look of the STEP panel on show: a blue fill that does not glare (not fully
  /// saturated) under a caption with a contrast of 7:1 or more.
  static ::testing::AssertionResult ShownBlue(const QLabel* panel) {
    const auto luminance = [](const QColor& c) {
      const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
      };
      return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const QColor fill = panel->palette().color(QPalette::Window);
    const QColor text = panel->palette().color(QPalette::WindowText);
    const double a = luminance(fill);
    const double b = luminance(text);
    const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    const bool blue = fill.hsvHue() >= 200 && fill.hsvHue() <= 250;
    if (blue && fill.hsvSaturation() < 240 && contrast >= 7) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "fill " << fill.name().toStdString() << " text "
                                         << text.name().toStdString() << " contrast " << contrast;
  }
  bool ButtonsEnabled() {
    for (const char* name : {"SendTO7R403", "TestBegin", "SaveExcel"})
      if (!Child<QPushButton>(name)->isEnabled()) return false;
    return Child<QCheckBox>("SwitCh1")->isEnabled() && Child<QComboBox>("EvStepLen")->isEnabled();
  }
};

TEST_F(SwitchTestWindowTest, WindowHasEveryControlUnderItsName) {
  Start();
  EXPECT_EQ(Form().objectName(), "TWeightCAL");
  EXPECT_EQ(Form().windowTitle(), "Switch ADC Channel Test");
  EXPECT_EQ(panel->Main().findChild<QWidget*>("TWeightCAL"), &Form());
  for (int n = 1; n <= 8; ++n) {
    const QString k = QString::number(n);
    ASSERT_NE(Child<QCheckBox>("SwitCh" + k), nullptr) << n;
    EXPECT_EQ(Child<QCheckBox>("SwitCh" + k)->text(), "Channel " + k);
    ASSERT_NE(Child<QLabel>("PSwitchSet" + k), nullptr) << n;
    EXPECT_EQ(Child<QLabel>("PSwitchSet" + k)->text(), "Set " + k);
    ASSERT_NE(Child<QLabel>("PSwReview" + k), nullptr) << n;
    EXPECT_EQ(Child<QLabel>("PSwReview" + k)->text(), "Review " + k);
    ASSERT_NE(Child<QLabel>("PStep" + k), nullptr) << n;
    EXPECT_EQ(Child<QLabel>("PStep" + k)->text(), "STEP-" + k);
  }
  EXPECT_EQ(Child<QPushButton>("PSTP")->text(), "STOP");
  EXPECT_EQ(Child<QPushButton>("SendTO7R403")->text(), "Send");
  EXPECT_EQ(Child<QPushButton>("TestBegin")->text(), "Begin");
  EXPECT_EQ(Child<QPushButton>("SaveExcel")->text(), "SaveExcel");
  auto* stepLen = Child<QComboBox>("EvStepLen");
  ASSERT_NE(stepLen, nullptr);
  EXPECT_EQ(stepLen->count(), 7);
  EXPECT_EQ(stepLen->currentText(), "4");
  auto* loops = Child<QComboBox>("LoopStep");
  ASSERT_NE(loops, nullptr);
  EXPECT_EQ(loops->count(), 9);
  EXPECT_EQ(loops->currentText(), "1");
  EXPECT_EQ(loops->itemText(8), "256");
  auto* scale = Child<QComboBox>("TXScale");
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(scale->count(), 17);
  EXPECT_EQ(scale->itemText(0), "8");
  EXPECT_EQ(scale->itemText(16), "24");
  ASSERT_NE(Child<QTableView>("SGDS"), nullptr);
}

TEST_F(SwitchTestWindowTest, FormResizeKeepsTheMinimumAndPlacesTheGrid) {
  Start();
  panel->Main().show();
  panel->Main().ShowChild(app::FormId::TWeightCAL, 13, true);
  QWidget* sub = Form().parentWidget();
  ASSERT_NE(sub, nullptr);
  const QSize frame = sub->size() - Form().size();
  EXPECT_EQ(Form().minimumSize(), QSize(400, 300));
  sub->resize(frame + QSize(700, 500));
  QApplication::processEvents();
  EXPECT_EQ(Form().size(), QSize(700, 500));
  EXPECT_EQ(Form().Grid()->geometry(), QRect(10, 91, 680, 340));
  EXPECT_EQ(Form().Grid()->columnWidth(0), 30);
  sub->resize(200, 100);
  QApplication::processEvents();
  EXPECT_EQ(Form().size(), QSize(400, 300));
  EXPECT_EQ(Form().Grid()->geometry(), QRect(10, 91, 380, 140));
}

TEST_F(SwitchTestWindowTest, ChannelBoxesAndStepPanelsFollowTheModel) {
  Start();
  auto& test = panel->Bench().switchTest;
  Child<QCheckBox>("SwitCh1")->setChecked(true);
  Child<QCheckBox>("SwitCh3")->setChecked(true);
  EXPECT_TRUE(test.Enabled(2));
  EXPECT_EQ(Child<QLabel>("PSwitchSet3")->frameShadow(), QFrame::Raised);
  EXPECT_EQ(Child<QLabel>("PSwitchSet2")->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(Child<QLabel>("PSwitchSet2")->palette().color(QPalette::WindowText),
            QColor(192, 192, 192));
  // A box just checked returns its STEP panel to the button face, raised.
  EXPECT_EQ(Child<QLabel>("PStep1")->frameShadow(), QFrame::Raised);
  EXPECT_FALSE(ShownBlue(Child<QLabel>("PStep1")));
  // Clicking STEP-1 shows its table: lowered on blue, its caption still readable.
  emit Child<ClickLabel>("PStep1")->clicked();
  EXPECT_EQ(Child<QLabel>("PStep1")->frameShadow(), QFrame::Sunken);
  EXPECT_TRUE(ShownBlue(Child<QLabel>("PStep1")));
  // STEP-3 behind a gap shows table 1 again, by the model's rule.
  emit Child<ClickLabel>("PStep3")->clicked();
  EXPECT_EQ(test.ShownStep(), 0);
  Child<QCheckBox>("SwitCh2")->setChecked(true);
  emit Child<ClickLabel>("PStep3")->clicked();
  EXPECT_EQ(test.ShownStep(), 2);
  EXPECT_TRUE(ShownBlue(Child<QLabel>("PStep3")));
  EXPECT_EQ(Child<QLabel>("PStep1")->frameShadow(), QFrame::Raised);

  Child<QComboBox>("EvStepLen")->setCurrentIndex(3);
  Child<QComboBox>("LoopStep")->setCurrentIndex(2);
  EXPECT_EQ(test.StepLen(), 8);
  EXPECT_EQ(test.LoopCount(), 4);
  const QAbstractItemModel* grid = Form().Grid()->model();
  EXPECT_EQ(grid->columnCount(), 9);
  EXPECT_EQ(grid->rowCount(), 5);
  EXPECT_EQ(grid->data(grid->index(0, 8)).toString(), "8");
  EXPECT_EQ(grid->data(grid->index(4, 0)).toString(), "4");
}

TEST_F(SwitchTestWindowTest, SwitchTestMenuItemIsHiddenUnlessTheSwitchIsGiven) {
  Start();
  ASSERT_NE(Action("MCALW"), nullptr);
  EXPECT_FALSE(Action("MCALW")->isVisible());
  panel->ApplyOptions(app::CommandLine::Parse({"--simulate"}));
  EXPECT_FALSE(Action("MCALW")->isVisible());

  const app::CommandLine options = app::CommandLine::Parse({"--switch-test"});
  EXPECT_TRUE(options.Error.empty());
  EXPECT_TRUE(options.SwitchTest);
  EXPECT_NE(app::CommandLine::Usage().find("--switch-test"), std::string::npos);
  panel->ApplyOptions(options);
  EXPECT_TRUE(Action("MCALW")->isVisible());
  // A chip description's menu sync keeps it shown.
  panel->Main().SyncMenu();
  EXPECT_TRUE(Action("MCALW")->isVisible());
  ASSERT_TRUE(Action("MCALW")->isEnabled());
  Action("MCALW")->trigger();
  EXPECT_FALSE(Form().isHidden());
}

TEST_F(SwitchTestWindowTest, StepFileIsLoadedAtStartAndWrittenOnClose) {
  Start();
  // Missing at start: written from the defaults.
  EXPECT_EQ(StepFileText().substr(0, 8), "   2   0");
  Child<QCheckBox>("SwitCh2")->setChecked(true);
  Child<QComboBox>("EvStepLen")->setCurrentIndex(4);
  Child<QComboBox>("LoopStep")->setCurrentIndex(3);
  panel->Bench().switchTest.records[1].RegValue[0] = 0x5A;
  CloseAndDestroy();

  const std::string text = StepFileText();
  EXPECT_EQ(text.substr(0, 10), "   4   3\r\n");
  EXPECT_NE(text.find("   0   1   0   0   0   0   0   0\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n  90   0"), std::string::npos);

  Start();
  EXPECT_TRUE(Child<QCheckBox>("SwitCh2")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>("SwitCh1")->isChecked());
  EXPECT_EQ(Child<QComboBox>("EvStepLen")->currentText(), "16");
  EXPECT_EQ(Child<QComboBox>("LoopStep")->currentText(), "8");
  EXPECT_EQ(panel->Bench().switchTest.records[1].RegValue[0], 0x5A);
}

TEST_F(SwitchTestWindowTest, BeginRunsTheTestOnTheSimulatedBoardAndTheGaugeFollowsTheReadout) {
  StartConnected();
  auto& test = panel->Bench().switchTest;
  test.records[1].RegValue[4] = 0x20;  // channel 2: register 0x3D with PGA 1, gain 2
  Child<QCheckBox>("SwitCh1")->setChecked(true);
  Child<QCheckBox>("SwitCh2")->setChecked(true);
  Child<QComboBox>("LoopStep")->setCurrentIndex(3);  // 8 loops of 4: 64 samples, 4 chunks
  Child<QPushButton>("SendTO7R403")->click();
  EXPECT_EQ(Status(2), "Data Send OK");

  // What the gauge shows whenever the run lets messages run.
  auto* gauge = panel->Main().findChild<QProgressBar*>("Gauge1");
  ASSERT_NE(gauge, nullptr);
  std::vector<int> shown;
  bool buttonsHeld = true;
  QTimer sampler;
  sampler.setInterval(0);
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    buttonsHeld = buttonsHeld && !Child<QPushButton>("TestBegin")->isEnabled();
    if (!gauge->isHidden() && (shown.empty() || shown.back() != gauge->value()))
      shown.push_back(gauge->value());
  });
  sampler.start();
  Child<QPushButton>("TestBegin")->click();
  sampler.stop();
  EXPECT_EQ(Status(2), "Test OK");
  EXPECT_EQ(shown, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_TRUE(buttonsHeld);
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_EQ(panel->Bench().target.LinkKind, link::kLinkQx740x);

  // The grid shows table 1: 8 loops of 4 samples near a quarter of full scale (0.6 V of 2.4 V).
  const QAbstractItemModel* grid = Form().Grid()->model();
  ASSERT_EQ(grid->rowCount(), 9);
  bool number = false;
  EXPECT_NEAR(grid->data(grid->index(8, 4)).toString().toInt(&number), 2097152, 200);
  EXPECT_TRUE(number);

  Child<QPushButton>("SaveExcel")->click();
  EXPECT_EQ(FileText("QxADCSW0.CSV").substr(0, 34), "  , Data 0, Data 1, Data 2, Data 3");
  const auto first = CsvRows("QxADCSW0.CSV");
  const auto second = CsvRows("QxADCSW1.CSV");
  ASSERT_EQ(first.size(), 8u);
  ASSERT_EQ(second.size(), 8u);
  for (size_t r = 0; r < 8; ++r) {
    ASSERT_EQ(first[r].size(), 4u) << r;
    ASSERT_EQ(second[r].size(), 4u) << r;
    for (size_t c = 0; c < 4; ++c) EXPECT_NEAR(second[r][c] / first[r][c], 2.0, 1e-3) << r;
  }
  // Channel 3 was not measured: its file holds empty fields, not zeros taken for readings.
  EXPECT_EQ(FileText("QxADCSW2.CSV").substr(36, 11), "1, , , , \r\n");
}

TEST_F(SwitchTestWindowTest, StopDuringTheCompletionWaitEndsTheRun) {
  StartConnected();
  board->SwitchFirmware().SetNeverCompletes(true);
  Child<QCheckBox>("SwitCh1")->setChecked(true);
  bool stopLive = false, beginHeld = false, gaugeShown = false;
  uint16_t kindWhileWaiting = 0;
  QTimer user;
  user.setInterval(0);
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (Status(1) != "3 s") return;  // three seconds into the wait
    gaugeShown = !panel->Main().findChild<QProgressBar*>("Gauge1")->isHidden();
    stopLive = Child<QPushButton>("PSTP")->isEnabled();
    beginHeld = !Child<QPushButton>("TestBegin")->isEnabled();
    kindWhileWaiting = panel->Bench().target.LinkKind;
    Child<QPushButton>("PSTP")->click();
  });
  user.start();
  const double start = clock.NowMs();
  Child<QPushButton>("TestBegin")->click();
  user.stop();
  EXPECT_TRUE(stopLive);
  EXPECT_TRUE(beginHeld);
  EXPECT_EQ(kindWhileWaiting, link::kLinkQx740x);
  EXPECT_EQ(Status(1), "4 s");
  EXPECT_TRUE(gaugeShown) << "the wait shows the gauge";
  EXPECT_LT(clock.NowMs() - start, 10'000.0);
  EXPECT_EQ(Status(2), "Test stopped") << "STOP is no failure of the target";
  EXPECT_TRUE(panel->Main().findChild<QProgressBar*>("Gauge1")->isHidden());
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(panel->Bench().switchTest.Running());
  EXPECT_EQ(panel->Bench().target.LinkKind, link::kLinkQx740x);
}

TEST_F(SwitchTestWindowTest, StopDuringTheReadoutKeepsTheChunksReadSoFar) {
  StartConnected();
  Child<QCheckBox>("SwitCh1")->setChecked(true);
  Child<QCheckBox>("SwitCh2")->setChecked(true);
  Child<QComboBox>("LoopStep")->setCurrentIndex(3);  // 64 samples, 4 chunks
  auto* gauge = panel->Main().findChild<QProgressBar*>("Gauge1");
  ASSERT_NE(gauge, nullptr);
  bool stopLive = false;
  QTimer user;
  user.setInterval(0);
  QObject::connect(&user, &QTimer::timeout, [&] {
    // After the first chunk of the readout (the wait before it shows the gauge too).
    if (Status(2) != "Test OK" || gauge->isHidden() || gauge->value() != 25) return;
    stopLive = Child<QPushButton>("PSTP")->isEnabled();
    Child<QPushButton>("PSTP")->click();
  });
  user.start();
  Child<QPushButton>("TestBegin")->click();
  user.stop();
  EXPECT_TRUE(stopLive);
  EXPECT_EQ(Status(2), "Test stopped: 16 of 64 samples read");
  EXPECT_TRUE(gauge->isHidden());
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(panel->Bench().switchTest.Running());
  // 16 samples came in: two loops of each channel. Table 1 shows them and nothing after.
  const QAbstractItemModel* grid = Form().Grid()->model();
  ASSERT_EQ(grid->rowCount(), 9);
  EXPECT_NEAR(grid->data(grid->index(2, 4)).toString().toInt(), 2097152, 200);
  EXPECT_EQ(grid->data(grid->index(3, 1)).toString(), "") << "a loop not read is no 0 reading";
  EXPECT_NEAR(panel->Bench().switchTest.records[1].Samples[7], 2097152, 200);
  EXPECT_EQ(panel->Bench().switchTest.records[1].Samples[8], 0);
}

TEST_F(SwitchTestWindowTest, ScaleListShowsTheResolutionTheSettingsSelect) {
  Create();
  // Nothing chosen yet: the full codes, divisor 1, are "23".
  EXPECT_EQ(Child<QComboBox>("TXScale")->currentText(), "23");
  Destroy();

  link::TargetRecord target;
  base::Settings settings;
  settings.ScaleIndex = 4;  // "12"
  std::string error;
  ASSERT_TRUE(app::ConfigFile(target, settings).Save(dir / "QxADC.cfg", error)) << error;
  Start();
  EXPECT_EQ(Child<QComboBox>("TXScale")->currentText(), "12");
  // The analysis window shares the resolution; the window shows it when it is shown again.
  panel->Bench().capture.TXScaleChange(6);
  panel->Main().show();
  panel->Main().ShowChild(app::FormId::TWeightCAL, 13, true);
  EXPECT_EQ(Child<QComboBox>("TXScale")->currentText(), "14");
  Child<QComboBox>("TXScale")->setCurrentIndex(16);  // "24" changes no setting
  EXPECT_EQ(panel->Bench().settings.CodeDivisor, 512);
  panel->Bench().switchTest.LoadConfig(dir / "StepADC.txt");
  EXPECT_EQ(Child<QComboBox>("TXScale")->currentText(), "24");
}

}  // namespace
}  // namespace qx::gui::test
