// Picture of the switch channel test window at its default size, with three channels on and
// their settings taken from the simulated chip. Run under a virtual X server:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/qx_switchtest_screenshot PROGRAM_DIR OUT
// PROGRAM_DIR must hold INCLUDE/ with the chip files.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <cstdio>

#include "SimulatedPanel.h"
#include "core/app/CommandLine.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qx_switchtest_screenshot PROGRAM_DIR OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  qx::bench::SimulatedPanel panel(argv[1]);
  panel->ApplyOptions(qx::app::CommandLine::Parse({"--switch-test"}));
  panel->Main().show();
  panel->Main().findChild<QAction*>("MCALW")->trigger();
  QWidget& form = panel->SwitchTest();
  for (const char* box : {"SwitCh1", "SwitCh2", "SwitCh4"})
    form.findChild<QCheckBox*>(box)->setChecked(true);
  panel->Bench().switchTest.PStepClick(1);
  QApplication::processEvents();
  // With its frame, so the caption is in the picture.
  QWidget* frame = form.parentWidget() ? form.parentWidget() : &form;
  frame->grab().save(argv[2]);
  std::printf("%dx%d\n", form.width(), form.height());
  return 0;
}
