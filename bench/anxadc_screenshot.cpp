// Pictures of the "Analyse ADC" window after a 4096-point capture on the simulated board, in
// grid and in chart view, and its histogram and spectrum pages, at the window's default size. Run under a virtual X server:
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/qx_anxadc_screenshot PROGRAM_DIR OUT_DIR
// PROGRAM_DIR must hold INCLUDE/ with the chip files.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <memory>

#include "SimulatedPanel.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qx_anxadc_screenshot PROGRAM_DIR OUT_DIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  qx::bench::SimulatedPanel panel(argv[1]);
  panel->Main().resize(1280, 800);
  panel->Main().show();
  panel->Main().findChild<QAction*>("USBScan")->trigger();
  panel->Main().findChild<QAction*>("Menu_ReadAdc")->trigger();
  auto& form = panel->AnxAdc();
  form.findChild<QComboBox*>("NPointIndex")->setCurrentIndex(6);
  form.findChild<QComboBox*>("TXScale")->setCurrentIndex(15);
  form.findChild<QPushButton*>("CatchADC")->click();
  QApplication::processEvents();
  const QString out = argv[2];
  panel->Main().grab().save(out + "/anxadc-grid.png");
  form.findChild<QPushButton*>("ShowChart")->click();
  QApplication::processEvents();
  panel->Main().grab().save(out + "/anxadc-chart.png");
  auto* pages = form.findChild<QTabWidget*>("AnalysisPages");
  pages->setCurrentIndex(1);
  QApplication::processEvents();
  panel->Main().grab().save(out + "/anxadc-histogram.png");
  pages->setCurrentIndex(2);
  QApplication::processEvents();
  panel->Main().grab().save(out + "/anxadc-spectrum.png");
  std::printf("%s, %d points in %.0f ms\n", panel->Main().StatusText(2).toStdString().c_str(),
              panel->Bench().capture.Count(), panel->Bench().capture.ElapsedMs());
  return 0;
}
