#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"
#include "core/autotest/TempDrift.h"

namespace qx::autotest {

/// Everything a run's report shows, as the journal holds it.
struct RunReportData {
  RunSummary summary;
  RunSettings settings;
  std::vector<ModeRecord> rows;
  std::vector<ModeDrift> drift;
};

/// The run's header, rows and drift as the journal holds them; nothing, with the reason in
/// `error`, when it does not hold the run or cannot be read.
std::optional<RunReportData> LoadRunReport(RunJournal& journal, int64_t run, std::string& error);

/// Reads the run and writes its page to `file` whole (a temporary file renamed over it); false,
/// with the reason in `error`, when the run cannot be read or the file not written.
bool WriteRunReport(RunJournal& journal, int64_t run, const std::filesystem::path& file,
                    std::string& error);

/// The run as one self-contained HTML page for a colleague: no script, no external resource,
/// charts as inline SVG, laid out to print on A4. Its header (dates, state, device, note,
/// chip, program, host, instruments, settings and step tables), the drift table, per mode the
/// mean (with its fitted line), RMS noise and ENOB against temperature, and the result table
/// with failed and over-range rows marked. Every drift figure's cell also carries the exact
/// value in a `data-value` attribute under its `runs show --json` name (`data-key`).
std::string RunReportHtml(const RunReportData& run);

}  // namespace qx::autotest
