// Pictures of the temperature test window at its default size after a short T-Begin on the
// simulated bench (the chamber ramps to four points and holds one minute at each; two modes
// with PGA gains 1 and 2 on a 1 mV input, so the board's offset drift shows), and of its
// chart and drift pages. Run under a virtual X server:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/qx_temptest_screenshot PROGRAM_DIR OUT.png
//       [CHART.png [DRIFT.png [HISTORY.png]]]
// PROGRAM_DIR must hold INCLUDE/ with the chip files. The run is on virtual time.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>

#include "SimulatedPanel.h"
#include "sim/SimInstruments.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: qx_temptest_screenshot PROGRAM_DIR OUT.png [CHART.png [DRIFT.png "
                 "[HISTORY.png]]]\n");
    return 2;
  }
  QApplication app(argc, argv);
  qx::bench::SimulatedPanel panel(argv[1], true);
  panel.Board().ApplyChipGains(panel->Bench().chip);
  panel.Board().Target().SetDcLevelVolts(0.001);
  panel->Main().show();
  panel->Main().findChild<QAction*>("USBScan")->trigger();
  panel->Main().findChild<QAction*>("Regist")->trigger();

  // The chamber chosen in Setup, as T-Begin needs it.
  auto* chamberPort = panel->Option().findChild<QComboBox*>("ChamberCOM");
  chamberPort->setCurrentIndex(chamberPort->findText(qx::sim::SimInstruments::kChamberPort));
  emit chamberPort->activated(chamberPort->currentIndex());
  panel->Option().findChild<QPushButton*>("ChamberSelect")->click();

  // The tables as a bench user fills them: register 01H holds the PGA gain.
  auto& test = panel->Bench().tempTest;
  test.form.tempCount = "4";
  test.form.holdMinutes = "1";
  test.form.device = "board 7, rev B";
  test.form.note = "after reflow";
  test.TMPCNTSETClick();
  test.form.modeCount = "2";
  test.EModenumKeyPress();
  const char* gains[] = {"00", "20"};
  test.regs.SetCell(1, 0, "01");
  for (int m = 1; m <= 2; ++m) {
    test.regs.SetCell(1, m, gains[m - 1]);
    test.regs.SetCell(11, m, "1");
    test.regs.SetCell(12, m, "2.4");
  }
  qx::gui::autotest::TempTestWindow& form = panel->TempTest();
  form.findChild<QPushButton*>("TBg")->click();
  QApplication::processEvents();

  // With its frame, so the caption is in the picture.
  QWidget* frame = form.parentWidget() ? form.parentWidget() : &form;
  frame->grab().save(argv[2]);
  std::printf("%dx%d\n", form.width(), form.height());
  if (argc > 3) {
    form.Pages()->setCurrentIndex(1);
    QApplication::processEvents();
    form.UpdateChart();
    QApplication::processEvents();
    frame->grab().save(argv[3]);
  }
  if (argc > 4) {
    form.Pages()->setCurrentIndex(2);
    QApplication::processEvents();
    frame->grab().save(argv[4]);
  }
  if (argc > 5) {
    // A second run, then both in the run history's chart.
    form.findChild<QPushButton*>("TBg")->click();
    QApplication::processEvents();
    panel->Main().findChild<QAction*>("SMenu_RunHistory")->trigger();
    auto& history = panel->RunHistory();
    history.Choose({1, 2});
    if (auto* pages = history.findChild<QTabWidget*>("RunPages")) pages->setCurrentIndex(1);
    QApplication::processEvents();
    history.grab().save(argv[5]);
    std::printf("history %dx%d\n", history.width(), history.height());
  }
  return 0;
}
