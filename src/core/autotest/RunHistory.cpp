#include "core/autotest/RunHistory.h"

#include <algorithm>
#include <utility>

#include "core/autotest/TempDrift.h"

namespace qx::autotest {

std::vector<std::string> RunHistory::RowOf(const RunSummary& run, int64_t active) {
  std::string state = RunStateName(run.state);
  if (run.state == RunState::Running && run.id != active) state = "unfinished";
  return {std::to_string(run.id),
          run.started,
          run.ended,
          state,
          run.device,
          run.chip,
          std::to_string(run.points) + " x " + std::to_string(run.modes),
          std::to_string(run.recorded)};
}

RunHistory::Line RunHistory::MeanOfMode(const RunReportData& run, int mode) {
  Line line;
  line.run = run.summary.id;
  line.label = "Run " + std::to_string(run.summary.id);
  if (!run.settings.device.empty()) line.label += ", " + run.settings.device;
  std::vector<std::pair<double, double>> points;
  for (const ModeRecord& r : run.rows)
    if (r.mode == mode && r.failure.empty() && r.overRange == 0)
      points.emplace_back(RowTemperature(r), r.stats[0]);
  std::sort(points.begin(), points.end());
  for (const auto& [t, mean] : points) {
    line.x.push_back(t);
    line.y.push_back(mean);
  }
  return line;
}

std::string RunHistory::DeleteQuestion(const RunSummary& run) {
  std::string q = "Delete run " + std::to_string(run.id);
  if (!run.device.empty()) q += " (" + run.device + ")";
  q += ", started " + run.started + ", and its " + std::to_string(run.recorded) +
       " recorded modes from the journal? Its result files stay; the run cannot be resumed or "
       "exported again.";
  return q;
}

}  // namespace qx::autotest
