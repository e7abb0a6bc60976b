// One RecordMode of the temperature test's run journal on the disk: one transaction with a full
// sync of the write-ahead log. QX_BENCH_DIR names the folder of the journal (default: the
// system's temporary folder); it should be on the disk the program runs from.
//   qx_run_journal_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/autotest/RunJournal.h"
#include "platform/SqliteRunJournal.h"

namespace {

void BM_RecordMode(benchmark::State& state) {
  const char* base = std::getenv("QX_BENCH_DIR");
  const auto dir =
      (base != nullptr ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
      ("qx_run_journal_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string error;
  {
    auto journal = qx::platform::SqliteRunJournal::Open(dir / qx::autotest::kRunJournalFile, error);
    if (!journal) {
      state.SkipWithError(error.c_str());
      return;
    }
    qx::autotest::RunSettings settings;
    settings.points = 30;
    settings.modes = 10000;
    settings.tempTable.assign(31, {"1", "25", "50", "1.0", "1.0"});
    settings.regImage.assign(1024, 0x5A);
    const auto run = journal->Begin(settings);
    qx::autotest::ModeRecord record;
    for (size_t i = 0; i < record.stats.size(); ++i)
      record.stats[i] = 1.0 / (3.0 + static_cast<double>(i));
    record.meterValue = {1.000012, 2.5, 24.98, 0.0, 0.0, 0.0};
    record.meterUnit = {"V", "V", "°C", "", "", ""};
    int n = 0;
    for (auto _ : state) {
      record.point = n / settings.modes % settings.points + 1;
      record.mode = n % settings.modes + 1;
      ++n;
      if (!run || !journal->RecordMode(*run, record)) {
        state.SkipWithError(journal->LastError().c_str());
        break;
      }
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RecordMode)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
