#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunLock.h"
#include "core/autotest/TempDrift.h"
#include "core/autotest/TempTest.h"
#include "core/base/Host.h"

namespace qx::autotest {

/// What the temperature window does around a run that is no widget's business: whether a
/// command may run now, what T-Begin and T-Test need before the run starts, the text a run
/// ends with, the gauge's text and the points of the chart. The window draws what it says.
class TempRunPresenter {
 public:
  /// The chart's figures: statistics kinds of the result arrays.
  static constexpr int kChartKinds[] = {0, 2, 3, 6};

  /// What the presenter needs from the front end and the platform.
  struct Hooks {
    /// The run lock of the program folder; none runs without one.
    std::function<std::unique_ptr<RunLock>()> makeLock;
    /// The chamber port is open.
    std::function<bool()> chamberOpen;
    /// Opens the chamber on the port the setup dialog remembers; true when it is open then.
    std::function<bool()> openChamber;
    /// With an unfinished run in the journal: Resume / Start new / Cancel; false on Cancel.
    std::function<bool(const std::string& command)> askUnfinished;
    /// The run is about to start: the chart and the progress of the last run go.
    std::function<void()> runStarting;
  };

  TempRunPresenter(TempTest& test, base::Host& host, std::filesystem::path programDir);

  Hooks hooks;

  /// A run started here is on the stack (its loop lets events run).
  bool RunActive() const { return depth_ > 0; }
  /// True, with the reason in status panel 2, when `what` would change the tables under a
  /// running test.
  bool RefusedDuringRun(const std::string& what);
  /// T-Begin (`withChamber`) or T-Test: the checks, the lock, the question about an unfinished
  /// run, then the run. The text the run ended with; nothing when it did not start.
  std::optional<std::string> Run(bool withChamber);
  /// "Stop": the chamber stops and a run ends at its next check; status panel 2 says which.
  void StopClick();
  /// "ENTER": the calibrator's range lock, when its port is open; status panel 2 says so.
  void EnterClick(bool calibratorOpen);
  /// Both start buttons wait while any run is on.
  bool BeginEnabled() const { return test_.beginEnabled && !Busy(); }
  bool TestEnabled() const { return test_.testEnabled && !Busy(); }

  /// The gauge's format: where the run is, then the percentage.
  static std::string GaugeFormat(const TempProgress& progress);

  /// The line of one mode in the chart: its finished points, in temperature order of the table.
  struct Line {
    int mode = 0;
    std::vector<double> x, y;
  };
  struct Chart {
    std::vector<Line> lines;
    /// The least-squares line of each mode's mean over its temperature span (the "Mean"
    /// figure only): two points a line.
    std::vector<Line> fits;
    /// Captures that sat at an end of the code range, ringed in the chart.
    std::vector<double> overX, overY;
  };
  /// Figure `figure` (an index of `kChartKinds`) of the modes finished so far in the run.
  Chart ChartOf(int figure) const;
  /// The "Drift" tab: a row of texts a mode, each number with its unit, and a line on the input
  /// path's offset and gain drift.
  struct DriftTable {
    /// Two lines each, so the table fits the window's width.
    static constexpr const char* kHeaders[] = {"Mode",
                                               "Points\nused",
                                               "Left out",
                                               "Temperature\nspan",
                                               "Offset drift\n(input)",
                                               "Offset drift\n(full scale)",
                                               "Fit\nresidual",
                                               "Box\ndrift",
                                               "RMS noise\ncoldest",
                                               "RMS noise\nat 25 \u00B0C",
                                               "RMS noise\nhottest",
                                               "ENOB\nworst"};
    std::vector<std::vector<std::string>> rows;
    std::string path;
  };
  static DriftTable DriftTableOf(const std::vector<ModeDrift>& drift);
  /// The journal's rows of the run shown changed (a mode finished, a run resumed): its drift is
  /// worked out again. `captureBits` as the run's settings say.
  void SetRunRows(const std::vector<ModeRecord>& rows, int captureBits) {
    drift_ = ComputeDrift(rows, captureBits);
  }
  const std::vector<ModeDrift>& Drift() const { return drift_; }

  /// The run moved past `point`, `mode`: the chart draws up to there.
  void ModeFinished(int point, int mode) {
    chartPoint_ = point;
    chartMode_ = mode;
  }

 private:
  bool Busy() const { return test_.Running || RunActive(); }
  std::string EndText(TempTest::RunEnd end) const;

  TempTest& test_;
  base::Host& host_;
  std::filesystem::path programDir_;
  int depth_ = 0;
  /// The last mode finished in the run the chart shows: every (point, mode) up to it is drawn.
  int chartPoint_ = 0;
  int chartMode_ = 0;
  std::vector<ModeDrift> drift_;
};

}  // namespace qx::autotest
