// Redraw of the analysis chart with 65536 points, offscreen: prints the median of 31 redraws.
#include <qcustomplot.h>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "core/analysis/SlotDecoder.h"
#include "core/base/FakeClock.h"
#include "gui/PanelApplication.h"
#include "sim/SimBoard.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qx::base::FakeClock clock;
  qx::gui::PanelApplication panel("/tmp/qx_chart_bench_", clock);
  panel.Host().SetDialogsEnabled(false);
  auto& form = panel.AnxAdc();
  auto& capture = panel.Bench().capture;
  capture.TXScaleChange(15);
  panel.Bench().settings.PointCount = 65536;
  std::mt19937_64 rng(3);
  std::normal_distribution<double> noise(0, 40);
  std::vector<uint32_t> recorded;
  for (int i = 0; i < 65536 + 13; ++i)
    recorded.push_back(static_cast<uint32_t>(static_cast<int32_t>(2e6 + noise(rng))) & 0xFFFFFF);
  capture.AnalyseSlots(recorded, 13, "2.4", qx::analysis::kModeInterrupt);
  form.resize(1000, 600);
  form.show();
  form.ShowChartClick();
  std::vector<double> ms;
  for (int i = 0; i < 31; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    form.ChartFun(65536);
    form.Chart()->replot(QCustomPlot::rpImmediateRefresh);
    ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("chart redraw, %d points: median %.2f ms, min %.2f ms, max %.2f ms\n",
              form.Chart()->graph(0)->dataCount(), ms[ms.size() / 2], ms.front(), ms.back());
  return 0;
}
