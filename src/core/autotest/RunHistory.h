#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"
#include "core/autotest/RunReport.h"

namespace qx::autotest {

/// What the "Run History" window shows of the journal: a row a run, and the runs chosen for
/// the chart as one line each.
struct RunHistory {
  static constexpr const char* kHeaders[] = {"Run",    "Started", "Ended",          "State",
                                             "Device", "Chip",    "Points x modes", "Recorded"};
  /// Runs drawn on one chart at most: more are no longer told apart.
  static constexpr size_t kMaxOverlay = 4;

  /// A run's row. `active` is the run this program is running now (0: none); a run the journal
  /// holds as running that is not that one was left unfinished (the program ended during it).
  static std::vector<std::string> RowOf(const RunSummary& run, int64_t active);

  /// One run's line on the chart: a mode's mean against the rows' temperature (the chamber's
  /// reading, else the target), measured rows within range only, coldest first.
  struct Line {
    int64_t run = 0;
    std::string label;  ///< "Run 3, EVB 1": the run and its device
    std::vector<double> x, y;
  };
  static Line MeanOfMode(const RunReportData& run, int mode);

  /// The question before Delete.
  static std::string DeleteQuestion(const RunSummary& run);
};

}  // namespace qx::autotest
