// Cost of one save of the configuration file "QxADC.cfg" with and without the sync to disk
// (temporary file fsync'ed, renamed, folder fsync'ed). The folder is $QX_BENCH_DIR, else /tmp:
// the figure depends on the file system and the disk under it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/app/ConfigFile.h"
#include "core/base/AtomicFile.h"
#include "core/base/Settings.h"
#include "core/link/TargetRecord.h"
#include "platform/DurableFiles.h"

namespace {

std::filesystem::path BenchFolder() {
  const char* dir = std::getenv("QX_BENCH_DIR");
  auto folder = std::filesystem::path(dir && *dir ? dir : "/tmp") /
                ("qx_config_save_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder;
}

void SaveConfig(benchmark::State& state, const qx::base::AtomicFile::Steps& steps) {
  qx::base::AtomicFile::Install(steps);
  const auto folder = BenchFolder();
  qx::link::TargetRecord target;
  qx::base::Settings settings;
  qx::app::ConfigFile config(target, settings);
  const std::string path = (folder / qx::app::ConfigFile::kFileName).string();
  std::string error;
  for (auto _ : state) {
    if (!config.Save(path, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove_all(folder);
}

void BM_ConfigSaveDurable(benchmark::State& state) {
  SaveConfig(state, {&qx::platform::DurableFiles::WriteTemp, &qx::platform::DurableFiles::Replace});
}
void BM_ConfigSaveWithoutSync(benchmark::State& state) {
  SaveConfig(state, qx::base::AtomicFile::Portable());
}

// Nine runs each; the median is the figure to quote.
BENCHMARK(BM_ConfigSaveDurable)->Unit(benchmark::kMicrosecond)->Repetitions(9)->UseRealTime();
BENCHMARK(BM_ConfigSaveWithoutSync)->Unit(benchmark::kMicrosecond)->Repetitions(9)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
