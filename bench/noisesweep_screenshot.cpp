// Picture of the "Noise Sweep" window at its default size after a small sweep on the simulated
// board (virtual time). Run under a virtual X server:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/qx_noisesweep_screenshot PROGRAM_DIR OUT
// PROGRAM_DIR must hold INCLUDE/ with the chip files; OUT is the PNG file to write.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>

#include "SimulatedPanel.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qx_noisesweep_screenshot PROGRAM_DIR OUT_PNG\n");
    return 2;
  }
  QApplication app(argc, argv);
  qx::bench::SimulatedPanel panel(argv[1], true);
  panel.Board().ApplyChipGains(panel->Bench().chip);
  // A small input, so gain 64 does not drive the converter to full scale.
  panel.Board().Target().SetDcLevelVolts(0.001);
  panel->Main().resize(1200, 760);
  panel->Main().show();
  panel->Main().findChild<QAction*>("USBScan")->trigger();
  panel->Main().findChild<QAction*>("Menu_NoiseSweep")->trigger();
  auto& form = panel->NoiseSweep();
  form.findChild<QComboBox*>("SweepPoints")->setCurrentIndex(2);  // 256 points
  for (QCheckBox* box : form.findChildren<QCheckBox*>()) {
    const QString n = box->objectName();
    if (n.startsWith("Rate"))
      box->setChecked(n == "Rate2560" || n == "Rate640" || n == "Rate80" || n == "Rate7680");
    if (n.startsWith("Gain")) box->setChecked(n == "Gain1" || n == "Gain8" || n == "Gain64");
  }
  form.findChild<QPushButton*>("BStart")->click();
  QApplication::processEvents();
  panel->Main().grab().save(argv[2]);
  std::printf("%s; %d by %d\n", form.StatusText().toStdString().c_str(), form.width(),
              form.height());
  return 0;
}
