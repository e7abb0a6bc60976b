#include "core/autotest/RunExport.h"

namespace qx::autotest {

namespace {

const std::string& HeaderCell(const TextRows& rows, size_t column) {
  static const std::string empty;
  return !rows.empty() && column < rows[0].size() ? rows[0][column] : empty;
}

}  // namespace

bool LoadRunResults(RunJournal& journal, int64_t run, RunSettings& settings, TempResults& results,
                    std::string& error) {
  auto s = journal.Settings(run);
  if (!s) {
    error = journal.LastError().empty() ? NoRunText(run) : journal.LastError();
    return false;
  }
  settings = std::move(*s);
  results.Resize(settings.points, settings.modes);
  for (const ModeRecord& r : journal.Modes(run)) {
    results.SetTarget(r.point, r.targetTemp, r.targetHum);
    if (!r.failure.empty()) {
      results.SetMark(r.point, r.mode, TempResults::Mark::Failed);
      continue;
    }
    for (int k = 0; k < TempResults::kKinds; ++k)
      results.SetStat(k, r.point, r.mode, r.stats[static_cast<size_t>(k)]);
    for (int i = 0; i < TempResults::kMeters; ++i)
      results.SetMeter(i, r.point, r.mode, r.meterValue[static_cast<size_t>(i)],
                       r.meterUnit[static_cast<size_t>(i)]);
    if (r.overRange > 0) results.SetMark(r.point, r.mode, TempResults::Mark::OverRange);
  }
  return true;
}

std::vector<std::string> ExportRun(RunJournal& journal, int64_t run, const TempResultWriter& writer,
                                   std::string& error) {
  RunSettings s;
  TempResults results;
  if (!LoadRunResults(journal, run, s, results, error)) return {};
  std::vector<std::string> written;
  auto write = [&](const char* name, const char* fallback, const std::string& text) {
    const std::string done = writer.Write(name, fallback, text, error);
    if (done.empty()) return false;
    written.push_back(done);
    return true;
  };
  const int points = s.points, modes = s.modes;
  if (!write(kTempResultFile, kTempResultFallback,
             temp_text::Results(results, points, modes, s.adcAndTemp, static_cast<int>(run))))
    return {};
  if (s.measure != "ADC" &&
      !write(kTempMeterFile, kTempMeterFallback, temp_text::Meters(results, points, modes)))
    return {};
  if (!write(kTempSummaryFile, "",
             temp_text::Summary(results, points, modes, HeaderCell(s.tempTable, 1),
                                HeaderCell(s.tempTable, 2))))
    return {};
  return written;
}

}  // namespace qx::autotest
