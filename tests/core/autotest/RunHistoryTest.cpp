#include "core/autotest/RunHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx::autotest {
namespace {

TEST(RunHistory, RowsSayTheStateOfEachRun) {
  RunSummary run;
  run.id = 7;
  run.started = "2026-12-09 06:00:00";
  run.ended = "2026-12-09 07:00:00";
  run.device = "EVB 3";
  run.chip = "QX7401";
  run.points = 5;
  run.modes = 48;
  run.recorded = 240;
  const struct {
    RunState state;
    int64_t active;
    const char* shown;
  } kStates[] = {
      {RunState::Completed, 0, "completed"},
      {RunState::Running, 7, "running"},     // this program runs it now
      {RunState::Running, 0, "unfinished"},  // the program ended during it
      {RunState::Running, 8, "unfinished"},
      {RunState::Stopped, 7, "stopped"},
      {RunState::Abandoned, 0, "abandoned"},
  };
  for (const auto& s : kStates) {
    run.state = s.state;
    EXPECT_EQ(RunHistory::RowOf(run, s.active),
              (std::vector<std::string>{"7", "2026-12-09 06:00:00", "2026-12-09 07:00:00", s.shown,
                                        "EVB 3", "QX7401", "5 x 48", "240"}))
        << s.shown;
  }
}

TEST(RunHistory, AChartLineIsTheModesMeasuredMeansColdestFirst) {
  RunReportData run;
  run.summary.id = 3;
  const auto row = [](int point, int mode, double target, std::optional<double> chamber,
                      double mean) {
    ModeRecord r;
    r.point = point;
    r.mode = mode;
    r.targetTemp = target;
    r.chamberTemp = chamber;
    r.stats[0] = mean;
    return r;
  };
  run.rows = {row(1, 1, 70, 69.5, 300),   row(1, 2, 70, 69.5, 999),
              row(2, 1, -20, -19.8, 100), row(3, 1, 25, std::nullopt, 200),
              row(4, 1, 40, 40.1, 250),   row(5, 1, 50, 50.2, 260)};
  run.rows[4].failure = "Read Error !!!!!";  // point 4: no measurement
  run.rows[5].overRange = 12;                // point 5: clipped
  RunHistory::Line line = RunHistory::MeanOfMode(run, 1);
  EXPECT_EQ(line.run, 3);
  EXPECT_EQ(line.label, "Run 3");
  EXPECT_EQ(line.x, (std::vector<double>{-19.8, 25, 69.5}));
  EXPECT_EQ(line.y, (std::vector<double>{100, 200, 300}));
  run.settings.device = "EVB 3";
  EXPECT_EQ(RunHistory::MeanOfMode(run, 1).label, "Run 3, EVB 3");
  EXPECT_TRUE(RunHistory::MeanOfMode(run, 9).x.empty());
}

}  // namespace
}  // namespace qx::autotest
