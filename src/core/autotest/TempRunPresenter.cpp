#include "core/autotest/TempRunPresenter.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/autotest/TempResultFiles.h"

namespace qx::autotest {

TempRunPresenter::TempRunPresenter(TempTest& test, base::Host& host,
                                   std::filesystem::path programDir)
    : test_(test), host_(host), programDir_(std::move(programDir)) {}

bool TempRunPresenter::RefusedDuringRun(const std::string& what) {
  if (!Busy()) return false;
  host_.SetStatus(2,
                  what + ": not while the temperature test runs (Stop ends it at its next check)");
  return true;
}

std::optional<std::string> TempRunPresenter::Run(bool withChamber) {
  const std::string command = withChamber ? "T-Begin" : "T-Test";
  if (RefusedDuringRun(command)) return std::nullopt;
  // Without its port the chamber cannot take a set point: the port the setup dialog remembers
  // is opened first, as a Select there would.
  if (withChamber && !(hooks.chamberOpen && hooks.chamberOpen()) &&
      !(hooks.openChamber && hooks.openChamber())) {
    host_.SetStatus(2, "T-Begin: the chamber port is not open; select the chamber in Setup first");
    return std::nullopt;
  }
  // One run at a time in the program folder, whichever program starts it; held for the run.
  std::unique_ptr<RunLock> lock = hooks.makeLock ? hooks.makeLock() : nullptr;
  std::string refusal = "T-Begin: no run lock";
  if (!lock || !lock->TryLock("qxpanel", refusal)) {
    host_.SetStatus(2, refusal);
    return std::nullopt;
  }
  for (const auto& stale : RemoveStaleTemporaries(programDir_))
    host_.SetStatus(2, "Removed " + stale.string() + ", left by an interrupted write");
  if (test_.resume == TempTest::Resume::Ask && hooks.askUnfinished && !hooks.askUnfinished(command))
    return std::nullopt;
  ++depth_;
  chartPoint_ = 0;
  chartMode_ = 0;
  if (hooks.runStarting) hooks.runStarting();
  const TempTest::RunEnd end = withChamber ? test_.TBgClick() : test_.TTestClick();
  --depth_;
  test_.resume = TempTest::Resume::Ask;
  return EndText(end);
}

void TempRunPresenter::StopClick() {
  const bool running = test_.Running;
  const bool chamber = hooks.chamberOpen && hooks.chamberOpen();
  test_.Button2Click();
  host_.SetStatus(2, running    ? "Stop: the temperature test ends at its next check"
                     : !chamber ? "Stop: no test is running and the chamber port is not open"
                                : "Stop: chamber stop sent");
}

void TempRunPresenter::EnterClick(bool calibratorOpen) {
  if (!calibratorOpen) {
    host_.SetStatus(2, "ENTER: the calibrator port is not open, no range lock sent");
    return;
  }
  test_.LKENTERClick();
  host_.SetStatus(2, "Calibrator range lock sent");
}

std::string TempRunPresenter::EndText(TempTest::RunEnd end) const {
  const std::string run =
      test_.RunId() > 0 ? "Run " + std::to_string(test_.RunId()) : std::string("Run");
  switch (end) {
    case TempTest::RunEnd::Completed:
      if (!test_.FailedModes().empty()) return run + " " + test_.EndReason();
      return run + " completed: " + std::to_string(test_.TempCount) + " points x " +
             std::to_string(test_.ModeCount) + " modes";
    case TempTest::RunEnd::Stopped:
      if (!test_.EndReason().empty()) return run + " " + test_.EndReason();
      return run + " stopped at point " + std::to_string(test_.Progress().point) + ", mode " +
             std::to_string(test_.Progress().mode);
    case TempTest::RunEnd::Failed:
      break;
  }
  return run + " failed: " + test_.LastFailure();
}

std::string TempRunPresenter::GaugeFormat(const TempProgress& progress) {
  return progress.Text() + "  %p%";
}

TempRunPresenter::Chart TempRunPresenter::ChartOf(int figure) const {
  const int kind = kChartKinds[std::clamp(figure, 0, static_cast<int>(std::size(kChartKinds)) - 1)];
  const TempResults& r = test_.results;
  const auto drawn = [this](int t, int m) {
    return t < chartPoint_ || (t == chartPoint_ && m <= chartMode_);
  };
  Chart chart;
  // The chart draws ADC figures, which a run of the multimeters alone does not take.
  if (!test_.form.MeasuresAdc()) return chart;
  for (int m = 1; m <= r.Modes(); ++m) {
    Line line;
    line.mode = m;
    for (int t = 1; t <= r.Points(); ++t) {
      if (!drawn(t, m) || !r.Measured(t, m)) continue;  // a failed capture is no point
      line.x.push_back(r.TargetTemp(t));
      line.y.push_back(r.Stat(kind, t, m));
    }
    if (!line.x.empty()) chart.lines.push_back(std::move(line));
  }
  for (int m = 1; m <= r.Modes(); ++m)
    for (int t = 1; t <= r.Points(); ++t) {
      if (!drawn(t, m) || r.State(t, m) != TempResults::Mark::OverRange) continue;
      chart.overX.push_back(r.TargetTemp(t));
      chart.overY.push_back(r.Stat(kind, t, m));
    }
  if (kind != 0) return chart;
  for (const ModeDrift& d : drift_) {
    if (!d.slopeCodesPerC || !d.interceptCodes) continue;
    Line fit;
    fit.mode = d.mode;
    for (const double x : {d.coldestC, d.hottestC}) {
      fit.x.push_back(x);
      fit.y.push_back(*d.interceptCodes + *d.slopeCodesPerC * x);
    }
    chart.fits.push_back(std::move(fit));
  }
  return chart;
}

namespace {

/// `value` in printf's `format` with `unit` after it; a dash when there is no figure.
std::string WithUnit(const std::optional<double>& value, const char* format, const char* unit) {
  if (!value) return "\u2013";
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, format, *value);
  return std::string(buffer) + " " + unit;
}

}  // namespace

TempRunPresenter::DriftTable TempRunPresenter::DriftTableOf(const std::vector<ModeDrift>& drift) {
  DriftTable table;
  for (const ModeDrift& d : drift) {
    std::string left;
    for (const std::string& why : d.leftOut) {
      if (!left.empty()) left += "; ";
      left += why;
    }
    const bool any = !d.pointsUsed.empty();
    table.rows.push_back(
        {std::to_string(d.mode), std::to_string(d.pointsUsed.size()), left,
         any ? WithUnit(d.coldestC, "%.1f", "to") + WithUnit(d.hottestC, " %.1f", "\u00B0C")
             : "\u2013",
         WithUnit(d.slopeUvPerC, "%.3f", "\u00B5V/\u00B0C"),
         WithUnit(d.slopePpmFsPerC, "%.4f", "ppm FS/\u00B0C"),
         WithUnit(d.residualRmsCodes, "%.2f", "codes"),
         WithUnit(d.meanBoxPpmPerC, "%.2f", "ppm/\u00B0C"),
         WithUnit(d.rmsNoiseNv.coldest, "%.1f", "nV"), WithUnit(d.rmsNoiseNv.at25, "%.1f", "nV"),
         WithUnit(d.rmsNoiseNv.hottest, "%.1f", "nV"), WithUnit(d.enob.worst, "%.2f", "bits")});
  }
  const PathDrift path = ComputePathDrift(drift);
  if (!path.gainPpmPerC) {
    table.path =
        "Input path: no offset and gain drift; they need two modes at different input "
        "levels, each with a fit and noise figures";
    return table;
  }
  std::string modes;
  for (int m : path.modesUsed) {
    if (!modes.empty()) modes += ", ";
    modes += std::to_string(m);
  }
  table.path = "Input path (modes " + modes + "): offset drift " +
               WithUnit(path.offsetUvPerC, "%.3f", "\u00B5V/\u00B0C") + ", gain drift " +
               WithUnit(path.gainPpmPerC, "%.3f", "ppm/\u00B0C") + ", residual " +
               WithUnit(path.residualRmsUvPerC, "%.3f", "\u00B5V/\u00B0C");
  return table;
}

}  // namespace qx::autotest
