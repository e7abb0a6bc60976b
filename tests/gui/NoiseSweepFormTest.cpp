#include "gui/analysis/NoiseSweepForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "PanelFixture.h"

namespace qx::gui::test {
namespace {

using qx::analysis::SweepCell;

/// The window opened from the main menu on the simulated board with the shipped chip, set to
/// 64 points at gains 1 and 8 and the rates 2560 and 7680 sps.
class NoiseSweepFormTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    StartConnected();
    // 1 mV stays inside full scale at every gain the tests choose.
    board->Target().SetDcLevelVolts(0.001);
    Action("Menu_NoiseSweep")->trigger();
    form = panel->Main().findChild<analysis::NoiseSweepForm*>("TNoiseSweep");
    ASSERT_NE(form, nullptr);
    ASSERT_FALSE(form->isHidden());
    form->findChild<QComboBox*>("SweepPoints")->setCurrentIndex(0);
    for (QCheckBox* box : form->findChildren<QCheckBox*>()) {
      const QString name = box->objectName();
      box->setChecked(name == "Gain1" || name == "Gain8" || name == "Rate2560" ||
                      name == "Rate7680");
    }
  }

  void Start() { form->findChild<QPushButton*>("BStart")->click(); }
  QAbstractItemModel* Table() { return form->findChild<QTableView*>("SweepTable")->model(); }

  analysis::NoiseSweepForm* form = nullptr;
};

TEST_F(NoiseSweepFormTest, BoxesComeFromTheChipAndASmallSweepFillsTheTable) {
  // The shipped chip: eight PGA gains, sixteen rates of which the HS = 0 column is checked.
  EXPECT_EQ(form->findChild<QGroupBox*>("SweepGains")->findChildren<QCheckBox*>().size(), 8);
  EXPECT_EQ(form->findChild<QGroupBox*>("SweepRates")->findChildren<QCheckBox*>().size(), 16);
  EXPECT_EQ(form->findChild<QCheckBox*>("Rate7680")->text(), "7680 (HS)");

  const uint8_t pgaBefore = board->Target().Register(1);
  const uint8_t rateBefore = board->Target().Register(3);
  Start();
  EXPECT_EQ(form->StatusText(), "4 of 4 cells captured");
  ASSERT_EQ(Table()->rowCount(), 4);
  EXPECT_EQ(Table()->headerData(6, Qt::Horizontal).toString(), QString::fromUtf8("RMS noise (µV)"));
  EXPECT_EQ(Table()->index(2, 0).data().toString(), "8");
  EXPECT_EQ(Table()->index(2, 1).data().toString(), "7680");
  EXPECT_EQ(Table()->index(3, 1).data().toString(), "2560");
  EXPECT_EQ(Table()->index(3, 11).data().toString(), "ok");
  EXPECT_EQ(form->findChild<QProgressBar*>("SweepProgress")->value(), 100);
  // The capture lock is released and the registers are back.
  EXPECT_FALSE(panel->Main().CaptureRunning());
  EXPECT_EQ(board->Target().Register(1), pgaBefore);
  EXPECT_EQ(board->Target().Register(3), rateBefore);

  // Copy and Export CSV give the core's texts.
  form->findChild<QPushButton*>("BCopy")->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            qx::analysis::SweepTabText(form->Sweep().Cells()));
  const auto path = dir / "sweep.csv";
  ASSERT_TRUE(form->ExportCsv(QString::fromStdString(path.string())));
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, qx::analysis::SweepCsv(form->Sweep().Cells()));
  EXPECT_FALSE(form->ExportCsv(QString::fromStdString((dir / "no" / "such.csv").string())));
  EXPECT_TRUE(form->StatusText().contains("such.csv")) << form->StatusText().toStdString();
}

// At the main window's designed size the sweep's close button and Status column stay visible.
TEST_F(NoiseSweepFormTest, TheStatusLineSpeaksOfThisChipAndThisRun) {
  // Built before any chip was loaded, the window must not keep what "no chip" lacked.
  EXPECT_EQ(form->StatusText(), "");
  Start();
  ASSERT_EQ(form->StatusText(), "4 of 4 cells captured");
  QString during;
  QTimer::singleShot(0, form, [&] { during = form->StatusText(); });
  Start();
  EXPECT_EQ(during, "Sweeping…") << "the last run's outcome is gone while this one runs";
}

TEST_F(NoiseSweepFormTest, ComesBackWhereItWasLeftAtTheNextStart) {
  const auto shown = [this] {
    panel->Main().resize(1500, 950);
    panel->Main().show();
    QApplication::processEvents();
  };
  shown();
  auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
  ASSERT_NE(sub, nullptr);
  sub->setGeometry(23, 17, sub->minimumSizeHint().width() + 40,
                   sub->minimumSizeHint().height() + 30);
  const QRect left = sub->geometry();
  CloseAndDestroy();

  Create();
  panel->Start();
  shown();
  auto* again = panel->Main().findChild<analysis::NoiseSweepForm*>("TNoiseSweep");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->isVisible()) << "it was open when the program closed";
  auto* frame = qobject_cast<QMdiSubWindow*>(again->parentWidget());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->geometry(), left);
}

TEST_F(NoiseSweepFormTest, OpensWhollyInsideTheWorkArea) {
  MainPanel& main = panel->Main();
  main.resize(1024, 700);
  main.show();
  QApplication::processEvents();
  Action("Menu_NoiseSweep")->trigger();
  QApplication::processEvents();
  auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
  ASSERT_NE(frame, nullptr);
  const QRect area = main.MdiArea()->viewport()->rect();
  EXPECT_TRUE(area.contains(frame->geometry())) << frame->width() << " in " << area.width();
}

TEST_F(NoiseSweepFormTest, StopKeepsWhatFinishedAndABusyCaptureRefusesTheStart) {
  // Stop arrives with the first pending window messages, during the first capture.
  QTimer::singleShot(0, form, [this] { form->findChild<QPushButton*>("BStop")->click(); });
  Start();
  const auto& cells = form->Sweep().Cells();
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[0].state, SweepCell::State::Stopped);
  EXPECT_EQ(cells[1].state, SweepCell::State::Pending);
  EXPECT_EQ(Table()->rowCount(), 1);
  EXPECT_EQ(form->StatusText(), "0 of 4 cells captured; stopped");
  EXPECT_TRUE(form->findChild<QPushButton*>("BStart")->isEnabled());

  panel->Bench().capture.idle = 0;  // the analysis window's capture runs
  Start();
  EXPECT_EQ(form->StatusText(), qx::analysis::NoiseSweep::kBusy);
  EXPECT_EQ(form->Sweep().Cells().size(), 4u) << "the last table stays";
  panel->Bench().capture.idle = 1;
}

}  // namespace
}  // namespace qx::gui::test
