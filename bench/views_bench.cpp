// Full refresh of the register view and the RAM view: the core view models alone, and the
// windows with their repaint. `qx_views_bench --screenshot DIR` instead saves pictures of both
// views on the simulated board (run it under xvfb-run).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMdiSubWindow>
#include <QPixmap>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "core/base/FakeClock.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "gui/PanelApplication.h"
#include "sim/SimBoard.h"

namespace {

/// The panel on the simulated board with the banked sample chip, after one Read RAM.
struct Bench {
  qx::base::FakeClock clock;
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "qx_views_bench";
  std::unique_ptr<qx::sim::SimBoard> board;
  std::unique_ptr<qx::gui::PanelApplication> panel;

  Bench() {
    std::filesystem::create_directories(dir);
    panel = std::make_unique<qx::gui::PanelApplication>(dir.string() + "/", clock);
    panel->Host().SetDialogsEnabled(false);
    board = std::make_unique<qx::sim::SimBoard>(clock, panel->Bench().chip);
    panel->Hid().Bind(&board->Hid());
    panel->Bulk().Bind(&board->Bulk());
    panel->Start();
    qx::chip::FileTextSource files;
    qx::chip::ChipLoader loader(panel->Bench().chip, files, panel->Host(),
                                (std::filesystem::path(QX_SOURCE_DIR) / "INCLUDE").string());
    qx::chip::LoadRequest request;
    request.chipIndex = 1;
    loader.GetSELUP(request);
    panel->Bench().target.LinkKind = qx::link::kLinkSpi;
    panel->Shell().UsbScan();
    for (size_t a = 0; a < 1024; ++a) board->Target().SetMemory(a, static_cast<uint8_t>(a * 7 + 3));
    panel->Views().Commands().ReadRam();
  }
  ~Bench() {
    panel.reset();
    board.reset();
    std::filesystem::remove_all(dir);
  }
};

Bench* g_bench = nullptr;

/// Every byte changes, so every cell is recoloured.
void FlipImage() {
  for (auto& b : g_bench->panel->Bench().target.RegImage) b = static_cast<uint8_t>(b ^ 0x5A);
}

void BM_RegisterModelRefresh(benchmark::State& state) {
  auto& model = g_bench->panel->Views().RegisterModel();
  for (auto _ : state) {
    FlipImage();
    model.RefreshRegisters(false);
  }
}

void BM_RamModelRefresh(benchmark::State& state) {
  auto& model = g_bench->panel->Views().RamModel();
  for (auto _ : state) {
    FlipImage();
    model.RefreshRam(false);
  }
}

void BM_RegisterViewRefreshAndPaint(benchmark::State& state) {
  auto& view = *g_bench->panel->Views().Registers();
  g_bench->panel->Main().show();
  g_bench->panel->Main().ShowChild(qx::app::FormId::TQx_Reg2, 2, true);
  QApplication::processEvents();
  if (!view.isVisible()) state.SkipWithError("the register view is not shown");
  for (auto _ : state) {
    FlipImage();
    view.Refresh();
    view.repaint();
  }
}

void BM_RamViewRefreshAndPaint(benchmark::State& state) {
  auto& view = *g_bench->panel->Views().Ram();
  g_bench->panel->Main().show();
  g_bench->panel->Main().ShowChild(qx::app::FormId::TQx_RAM, 1, true);
  QApplication::processEvents();
  if (!view.isVisible()) state.SkipWithError("the RAM view is not shown");
  for (auto _ : state) {
    FlipImage();
    view.Refresh();
    view.repaint();
  }
}

BENCHMARK(BM_RegisterModelRefresh);
BENCHMARK(BM_RamModelRefresh);
BENCHMARK(BM_RegisterViewRefreshAndPaint);
BENCHMARK(BM_RamViewRefreshAndPaint);

int Screenshots(const std::string& folder) {
  auto& main = g_bench->panel->Main();
  main.resize(1024, 700);
  main.show();
  main.ShowChild(qx::app::FormId::TQx_RAM, 1, true);
  main.ShowChild(qx::app::FormId::TQx_Reg2, 2, true);
  auto* ram = g_bench->panel->Views().Ram();
  auto* regs = g_bench->panel->Views().Registers();
  ram->SelectBank(1);
  // A second read shows what changed in blue.
  for (size_t a : {0x03u, 0x29u, 0x30u, 0x14u, 0x185u, 0x1A0u})
    g_bench->board->Target().SetMemory(a, 0x00);
  g_bench->panel->Views().Commands().ReadRam();
  ram->parentWidget()->setGeometry(0, 0, 500, 420);
  regs->parentWidget()->setGeometry(0, 0, 640, 560);
  QApplication::processEvents();
  const bool ok =
      ram->parentWidget()->grab().save(QString::fromStdString(folder + "/views-ram.png")) &&
      regs->parentWidget()->grab().save(QString::fromStdString(folder + "/views-register.png"));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Bench bench;
  g_bench = &bench;
  if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) return Screenshots(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
