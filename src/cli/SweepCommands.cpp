#include "cli/SweepCommands.h"

#include <cstdio>
#include <string>

#include "cli/JsonWriter.h"
#include "cli/LinkCommands.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/NoiseSweep.h"
#include "core/base/AtomicFile.h"

namespace qx::cli {

namespace {

using analysis::NoiseSweep;
using analysis::SweepCell;

constexpr const char* kOptions[] = {"--points", "--gains", "--rates", "--ref", "--json", "--csv"};
/// A reference above 100 V is a typing error, not a bench.
constexpr double kMaxReferenceVolts = 100;

std::string Seconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", ms / 1000);
  return text;
}

const char* StateName(SweepCell::State s) {
  switch (s) {
    case SweepCell::State::Done:
      return "ok";
    case SweepCell::State::Failed:
      return "failed";
    case SweepCell::State::Stopped:
      return "stopped";
    case SweepCell::State::Pending:
      break;
  }
  return "not run";
}

std::string Json(const NoiseSweep& sweep, const analysis::SweepPlan& plan, double elapsedMs,
                 bool complete) {
  JsonWriter j;
  j.BeginObject().Key("points").Int(plan.Points()).Key("reference").String(plan.reference);
  j.Key("bits").Int(plan.bits).Key("complete").Bool(complete);
  j.Key("elapsedMs").Double(elapsedMs).Key("bridgeLimitMs").Double(sweep.BridgeLimitSumMs());
  j.Key("cells").BeginArray();
  for (const SweepCell& c : sweep.Cells()) {
    j.BeginObject().Key("gain").Int(c.gain.gain).Key("pga").Int(c.gain.pga);
    j.Key("rateSps").Int(c.rate.sps).Key("osr").Int(c.rate.osr).Key("hs").Int(c.rate.hs);
    j.Key("status").String(StateName(c.state)).Key("samples").Int(c.samples);
    j.Key("bridgeLimitMs").Double(c.bridgeLimitMs);
    if (c.state == SweepCell::State::Done) {
      const analysis::NoiseFigures& f = c.figures;
      j.Key("rmsNv").Double(f.rmsNv).Key("rmsUv").Double(f.rmsNv / 1000);
      j.Key("vppNv").Double(f.vppNv).Key("enob").Double(f.enob);
      j.Key("noiseFreeBits").Double(f.noiseFreeBits).Key("rmsCodes").Double(f.rmsCodes);
    }
    if (c.state == SweepCell::State::Failed) j.Key("failure").String(c.failure);
    if (c.state == SweepCell::State::Done) j.Key("overRange").Int(c.overRange);
    j.EndObject();
  }
  j.EndArray().EndObject();
  return j.Text() + "\n";
}

class SweepRun {
 public:
  SweepRun(CliSession& session, const CliOptions& options, std::ostream& out, std::ostream& err)
      : session_(session), options_(options), out_(out), err_(err) {}

  int Run() {
    if (!Options()) return kExitUsage;
    app::Workbench& bench = session_.Bench();
    if (const std::string why = NoiseSweep::Unsweepable(bench.chip); !why.empty()) {
      err_ << "qxctl: sweep: " << why << "\n";
      return kExitLinkFailed;
    }
    std::string error;
    plan_.gains = NoiseSweep::ChipGains(bench.chip);
    plan_.rates = NoiseSweep::DefaultRates(bench.chip);
    if ((Has("--gains") &&
         !NoiseSweep::ParseGains(bench.chip, options_.extra.at("--gains"), plan_.gains, error)) ||
        (Has("--rates") &&
         !NoiseSweep::ParseRates(bench.chip, options_.extra.at("--rates"), plan_.rates, error)))
      return Usage(error);
    if (RefusedWithoutUsbBridge(session_, "sweep", err_)) return kExitUsage;
    if (!session_.Connect(error)) {
      err_ << "qxctl: " << error << "\n";
      return kExitLinkFailed;
    }

    NoiseSweep sweep({bench.capture, bench.access, bench.target, bench.frame, bench.chip,
                      bench.clock, bench.settings, bench.noise});
    int shown = 0;
    sweep.onProgress = [&](const analysis::SweepProgress& p) {
      if (p.cell == shown) return;
      shown = p.cell;
      err_ << p.Text() << "\n";
    };
    const double start = bench.clock.NowMs();
    const bool complete = sweep.Run(plan_);
    const double elapsed = bench.clock.NowMs() - start;
    if (!sweep.Refusal().empty()) {
      err_ << "qxctl: sweep: " << sweep.Refusal() << "\n";
      return kExitLinkFailed;
    }
    if (Has("--json"))
      out_ << Json(sweep, plan_, elapsed, complete);
    else
      out_ << analysis::SweepTableText(sweep.Cells());
    int captured = 0;
    for (const SweepCell& c : sweep.Cells()) captured += c.state == SweepCell::State::Done;
    err_ << "qxctl: sweep: " << captured << " of " << sweep.Cells().size() << " cells captured in "
         << Seconds(elapsed) << "; bridge limit " << Seconds(sweep.BridgeLimitSumMs()) << "\n";
    if (const int over = analysis::OverRangeCells(sweep.Cells()); over > 0)
      err_ << "qxctl: sweep: " << over
           << " cells over range: the input is beyond full scale at their gain\n";
    if (Has("--csv")) {
      const std::string& path = options_.extra.at("--csv");
      if (!base::AtomicFile::Write(path, analysis::SweepCsv(sweep.Cells()), error)) {
        err_ << "qxctl: " << path << ": " << error << "\n";
        return kExitLinkFailed;
      }
    }
    return complete ? kExitOk : kExitLinkFailed;
  }

 private:
  bool Has(const char* name) const { return options_.extra.count(name) > 0; }

  int Usage(const std::string& why) {
    err_ << "qxctl: sweep: " << why << " " << HelpHint("sweep") << "\n";
    return kExitUsage;
  }

  bool Options() {
    for (const auto& [name, value] : options_.extra) {
      bool known = false;
      for (const char* o : kOptions) known = known || name == o;
      if (!known) return Usage("unknown option " + name), false;
    }
    if (!options_.args.empty()) return Usage("sweep takes no arguments"), false;
    if (Has("--json") && Has("--csv")) return Usage("--json and --csv exclude each other"), false;
    if (Has("--csv") && options_.extra.at("--csv").empty())
      return Usage("--csv needs a file name"), false;
    if (!Has("--points")) return Usage("--points is required"), false;
    const auto points = ParseNumberArgument(options_.extra.at("--points"));
    plan_.pointIndex = -1;
    for (int k = 0; points && k <= 10; ++k)
      if (*points == (64L << k)) plan_.pointIndex = k;
    if (plan_.pointIndex < 0)
      return Usage("--points must be a power of two from 64 to 65536: " +
                   options_.extra.at("--points")),
             false;
    if (Has("--ref")) {
      const std::string& text = options_.extra.at("--ref");
      const auto volts = analysis::PositiveReferenceVolts(text);
      if (!volts || *volts > kMaxReferenceVolts)
        return Usage("--ref must be a positive voltage up to 100 V: " + text), false;
      plan_.reference = text;
    }
    return true;
  }

  CliSession& session_;
  const CliOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  analysis::SweepPlan plan_;
};

}  // namespace

int RunSweepCommand(CliSession& session, const CliOptions& options, std::ostream& out,
                    std::ostream& err) {
  return SweepRun(session, options, out, err).Run();
}

}  // namespace qx::cli
