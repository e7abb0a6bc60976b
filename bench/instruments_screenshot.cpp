// Pictures of the calibrator and power-supply step tables and of the setup dialog after its
// Select buttons found the simulated bench instruments. Run under a virtual X server:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/qx_instruments_screenshot PROGRAM_DIR OUT_DIR
// PROGRAM_DIR must hold INCLUDE/ with the chip files.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <cstdio>
#include <memory>

#include "SimulatedPanel.h"

namespace {

void Choose(QWidget& form, const char* list, const char* text) {
  auto* combo = form.findChild<QComboBox*>(list);
  const int item = combo->findText(text);
  combo->setCurrentIndex(item);
  emit combo->activated(item);
}

void Click(QWidget& form, const char* button) {
  form.findChild<QPushButton*>(button)->click();
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qx_instruments_screenshot PROGRAM_DIR OUT_DIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  qx::bench::SimulatedPanel panel(argv[1]);
  panel->Main().show();

  // A few steps as a bench user types them.
  auto& fluke = panel->Bench().flukeSteps;
  auto& power = panel->Bench().powerSteps;
  const char* flukeSteps[] = {"OUT 600 mV ,0 Hz", "OUT -600 mV ,0 Hz", "OUT 1.2 V ,0 Hz", "STBY"};
  const char* powerSteps[] = {"VOLT 5.0", "VOLT 3.3", "APPL P25V, 3.6, 0.1", "OUTP OFF"};
  for (int r = 1; r <= 4; ++r) {
    fluke.SetCell(1, r, "1");
    fluke.SetCell(2, r, flukeSteps[r - 1]);
    power.SetCell(1, r, r == 3 ? "0" : "1");
    power.SetCell(2, r, powerSteps[r - 1]);
  }
  panel->Main().findChild<QAction*>("Fluke1")->trigger();
  panel->Main().findChild<QAction*>("Power1")->trigger();
  QApplication::processEvents();
  const QString out = argv[2];
  panel->Main().grab().save(out + "/step-tables.png");

  qx::gui::OptionDialog& dialog = panel->Option();
  Choose(dialog, "FlukeCOM", "COM5");
  Click(dialog, "FlukeSelect");
  Choose(dialog, "PowerCOM", "COM6");
  Click(dialog, "PowerSelect");
  Choose(dialog, "ChamberCOM", "COM7");
  Click(dialog, "ChamberSelect");
  Choose(dialog, "MeterCOM1", "COM8");
  Choose(dialog, "MeterCOM2", "COM9");
  Choose(dialog, "MeterCOM4", "COM15");
  Click(dialog, "MeterSelect");
  // Shown without its modal loop, so the picture can be taken.
  dialog.show();
  QApplication::processEvents();
  dialog.grab().save(out + "/setup-dialog.png");
  panel->Main().grab().save(out + "/setup-status.png");
  std::printf("%dx%d dialog; status: %s\n", dialog.width(), dialog.height(),
              panel->Main().StatusText(1).toStdString().c_str());
  dialog.hide();
  return 0;
}
