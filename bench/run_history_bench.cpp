// What the run history reads and the report writes, on sizes a bench reaches in a year:
// - the list of 1,000 runs of a journal of 1,000 runs x 150 modes, and one run opened (its
//   settings, rows and drift), from the SQLite journal on the disk;
// - the HTML report of a 30-point x 48-mode run (time, and the page's size in the counters).
// QX_BENCH_DIR names the folder of the journal (default: the system's temporary folder).
//   qx_run_history_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/autotest/RunJournal.h"
#include "core/autotest/RunReport.h"
#include "core/autotest/TempDrift.h"
#include "platform/SqliteRunJournal.h"

namespace {

namespace fs = std::filesystem;
using qx::autotest::ModeRecord;

/// A mode's record at a point: a mean that drifts 3.5 codes/°C, noise that grows with heat.
ModeRecord Record(int point, int mode, int points) {
  ModeRecord r;
  r.point = point;
  r.mode = mode;
  r.targetTemp = -40 + 125.0 * (point - 1) / std::max(points - 1, 1);
  r.chamberTemp = r.targetTemp + 0.05;
  r.stats = {1048576.0 + mode * 1000 + 3.5 * r.targetTemp,
             2300 + r.targetTemp,
             305 + 0.2 * r.targetTemp,
             22.9 - 0.001 * r.targetTemp,
             8,
             1.07,
             20};
  r.meterValue = {1.000012 + 5e-6 * r.targetTemp, 0, 0, 0, 0, 0};
  r.meterUnit = {"V", "", "", "", "", ""};
  r.recorded = "2026-12-09 06:00:00";
  return r;
}

/// A journal of `runs` runs of 5 points x 30 modes: the first recorded through the journal, the
/// others copied from it in one transaction (the journal's own writes sync each mode).
fs::path HistoryJournal(int runs, std::string& error) {
  const char* base = std::getenv("QX_BENCH_DIR");
  const fs::path dir = (base != nullptr ? fs::path(base) : fs::temp_directory_path()) /
                       ("qx_run_history_bench_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / qx::autotest::kRunJournalFile;
  {
    auto journal = qx::platform::SqliteRunJournal::Open(file, error);
    if (!journal) return {};
    qx::autotest::RunSettings settings;
    settings.points = 5;
    settings.modes = 30;
    settings.captureBits = 23;
    settings.device = "EVB 1";
    settings.tempTable.assign(6, {"1", "25", "50", "1.0", "1.0"});
    settings.regImage.assign(1024, 0x5A);
    const auto run = journal->Begin(settings);
    if (!run) {
      error = journal->LastError();
      return {};
    }
    for (int p = 1; p <= 5; ++p)
      for (int m = 1; m <= 30; ++m) journal->RecordMode(*run, Record(p, m, 5));
    journal->End(*run, qx::autotest::RunState::Completed);
  }
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    error = "cannot open the journal to copy runs";
    sqlite3_close(db);
    return {};
  }
  std::string sql =
      "PRAGMA synchronous = OFF; BEGIN;"
      "CREATE TEMP TABLE r AS SELECT * FROM runs WHERE id = 1;"
      "CREATE TEMP TABLE m AS SELECT * FROM modes WHERE run = 1;";
  for (int k = 2; k <= runs; ++k) {
    const std::string id = std::to_string(k);
    sql += "UPDATE temp.r SET id = " + id + ", uuid = 'bench-" + id + "', device = 'EVB " + id +
           "'; INSERT INTO runs SELECT * FROM temp.r; UPDATE temp.m SET run = " + id +
           "; INSERT INTO modes SELECT * FROM temp.m;";
  }
  sql += "COMMIT;";
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    error = message != nullptr ? message : "copy failed";
    sqlite3_free(message);
    sqlite3_close(db);
    return {};
  }
  sqlite3_close(db);
  return file;
}

struct History {
  std::unique_ptr<qx::autotest::RunJournal> journal;
  std::string error;
  History() {
    const fs::path file = HistoryJournal(1000, error);
    if (!file.empty()) journal = qx::platform::SqliteRunJournal::Open(file, error);
  }
};

History& Shared() {
  static History history;
  return history;
}

void BM_ListThousandRuns(benchmark::State& state) {
  History& h = Shared();
  if (!h.journal) return state.SkipWithError(h.error.c_str());
  size_t listed = 0;
  for (auto _ : state) listed = h.journal->List().size();
  if (listed != 1000) state.SkipWithError("the journal does not list 1,000 runs");
}
BENCHMARK(BM_ListThousandRuns)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_OpenOneRun(benchmark::State& state) {
  History& h = Shared();
  if (!h.journal) return state.SkipWithError(h.error.c_str());
  size_t rows = 0;
  for (auto _ : state) {
    const auto settings = h.journal->Settings(500);
    const auto modes = h.journal->Modes(500);
    const auto drift = qx::autotest::ComputeDrift(modes, settings ? settings->captureBits : 0);
    benchmark::DoNotOptimize(drift.data());
    rows = modes.size();
  }
  if (rows != 150) state.SkipWithError("run 500 does not hold 150 rows");
}
BENCHMARK(BM_OpenOneRun)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Report30x48(benchmark::State& state) {
  qx::autotest::RunReportData run;
  run.summary.id = 7;
  run.summary.state = qx::autotest::RunState::Completed;
  run.settings.points = 30;
  run.settings.modes = 48;
  run.settings.captureBits = 23;
  run.settings.tempTable.assign(31, {"1", "25", "50", "1.0", "1.0"});
  run.settings.regTable.assign(49, std::vector<std::string>(13, "20"));
  for (int p = 1; p <= 30; ++p)
    for (int m = 1; m <= 48; ++m) run.rows.push_back(Record(p, m, 30));
  run.drift = qx::autotest::ComputeDrift(run.rows, 23);
  size_t bytes = 0;
  for (auto _ : state) bytes = qx::autotest::RunReportHtml(run).size();
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_Report30x48)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
