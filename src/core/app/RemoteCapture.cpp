#include "core/app/RemoteCapture.h"

#include <cmath>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/analysis/CodeRange.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/SlotDecoder.h"
#include "core/app/RemoteTempRun.h"
#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiFormat.h"

namespace qx::app {

namespace {

constexpr int kLargestAveraging = 5;    // 2^5 = 32 samples to a point
constexpr int kLargestPointIndex = 10;  // 64 << 10 = 65536 points

/// `n` as 2^k, k in 0..largest; -1 when it is no such power.
int PowerOfTwo(long long n, int largest) {
  for (int k = 0; k <= largest; ++k)
    if (n == (1LL << k)) return k;
  return -1;
}

/// The point count of parameter 0, as the analysis window's Sample Point list offers them.
bool ChoosePoints(remote::ScpiCall& c, analysis::AdcCapture& capture) {
  const auto n = c.Integer(0, 64, 64LL << kLargestPointIndex);
  if (!n) return false;
  const int k = PowerOfTwo(*n / 64, kLargestPointIndex);
  if (k < 0 || *n % 64 != 0) {
    c.Fail(remote::error::kIllegalParameterValue, "points are 64 times a power of 2");
    return false;
  }
  capture.NPointIndexChange(k);
  return true;
}

}  // namespace

void RemoteCapture::AddCommands(remote::ScpiCommandTree& plain,
                                const std::function<bool(remote::ScpiCall&)>& idle) {
  using remote::ScpiCall;
  base::Settings& s = bench_.settings;
  analysis::AdcCapture& capture = bench_.capture;
  // Settings and captures change what a running capture or temperature run measures: they wait
  // for its end. ABORt does not.
  struct {
    remote::ScpiCommandTree& plain;
    const std::function<bool(ScpiCall&)>& idle;
    void Add(std::string_view pattern, remote::ScpiHandler handler) { plain.Add(pattern, handler); }
    void AddChange(std::string_view pattern, remote::ScpiHandler handler) {
      plain.AddChange(pattern, [idle = idle, handler](ScpiCall& c) {
        if (idle(c)) handler(c);
      });
    }
  } tree{plain, idle};

  tree.AddChange("SENSe:ADC:POINts", [&capture](ScpiCall& c) {
    if (c.Count(1, 1)) ChoosePoints(c, capture);
  });
  tree.Add("SENSe:ADC:POINts?", [&s](ScpiCall& c) {
    if (c.Count(0, 0)) c.Reply(std::to_string(s.NPointIndex < 0 ? 0 : s.PointCount));
  });
  tree.AddChange("SENSe:ADC:AVERage", [&s](ScpiCall& c) {
    if (!c.Count(1, 1)) return;
    const auto m = c.Integer(0, 1, 1LL << kLargestAveraging);
    if (!m) return;
    const int k = PowerOfTwo(*m, kLargestAveraging);
    if (k < 0) return c.Fail(remote::error::kIllegalParameterValue, "averaging is 1, 2, 4 ... 32");
    s.CMAVR = k;
  });
  tree.Add("SENSe:ADC:AVERage?", [&s](ScpiCall& c) {
    if (c.Count(0, 0))
      c.Reply(std::to_string(s.CMAVR < 0 ? 0 : analysis::AveragingFactor(s.CMAVR)));
  });
  tree.AddChange("SENSe:ADC:RESolution", [&capture](ScpiCall& c) {
    if (!c.Count(1, 1)) return;
    if (const auto bits = c.Integer(0, 8, 23)) capture.TXScaleChange(static_cast<int>(*bits) - 8);
  });
  tree.Add("SENSe:ADC:RESolution?", [&s, &capture](ScpiCall& c) {
    if (c.Count(0, 0)) c.Reply(std::to_string(s.ScaleIndex < 0 ? 0 : capture.Bits()));
  });
  tree.AddChange("SENSe:ADC:REFerence", [&s](ScpiCall& c) {
    if (!c.Count(1, 1)) return;
    // The analysis window's reference field holds text; a number written back as text.
    if (const auto volts = c.Real(0, 0.001, 10.0, "V")) s.EREFV = remote::format::Number(*volts);
  });
  tree.Add("SENSe:ADC:REFerence?", [&s](ScpiCall& c) {
    if (c.Count(0, 0)) c.Reply(remote::format::Number(analysis::ReferenceVolts(s.EREFV)));
  });

  tree.AddChange("INITiate[:IMMediate]", [this](ScpiCall& c) {
    if (c.Count(0, 0)) Start(c, false);
  });
  plain.AddChange("ABORt", [this, &capture](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    // A capture of a temperature run is the run's: stopping it would fail a mode, not the run.
    if (bench_.tempTest.Running)
      return c.Fail(RemoteTempRun::kRunning, RemoteTempRun::kRunningText);
    // A running capture ends at its next poll, with the samples that came; none is no error.
    if (capture.idle == 0) capture.idle = 1;
  });
  tree.AddChange("MEASure:ADC:NOISe?", [this, &capture](ScpiCall& c) {
    if (!c.Count(0, 1) || (c.Params().size() == 1 && !ChoosePoints(c, capture))) return;
    Start(c, true);
  });
  tree.Add("FETCh:ADC:CODes?", [this, &capture](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    if (!complete_) return c.Fail(remote::error::kDataStale, "no capture has completed");
    const auto codes = capture.StreamedCodes();
    const std::vector<double> values(codes.begin(), codes.end());
    c.Reply(remote::format::Values(values, c.Format()));
  });
  tree.Add("FETCh:ADC:NOISe?", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    if (!complete_) return c.Fail(remote::error::kDataStale, "no capture has completed");
    c.Reply(Figures());
  });
}

void RemoteCapture::Start(remote::ScpiCall& c, bool figures) {
  if (!server_) return c.Fail(remote::error::kExecution, "no server runs the capture");
  if (const std::string missing = bench_.capture.MissingChoice(); !missing.empty())
    return c.Fail(kNotChosen, missing);
  queued_ = true;
  complete_ = false;
  const remote::ScpiOperation op = server_->Defer(c);
  pending_.push_back([this, op, figures] {
    analysis::AdcCapture& capture = bench_.capture;
    capture.halving = true;
    const bool ok = capture.CatchACDCOM(bench_.settings.EREFV, analysis::kModeInterrupt);
    capture.halving = false;
    if (ok && bench_.settings.CMAVR > 0) capture.ReCalADC();
    complete_ = ok;
    queued_ = false;
    if (!ok) {
      const std::string why = capture.FailureReason();
      return server_->Fail(
          op, kCaptureFailed,
          why.empty() ? "the capture was stopped" : analysis::kReadError + (": " + why));
    }
    // Figures of a clipped capture measure the clipping: the best of all, and wrong. FETCh
    // still gives them, but the operation says what they are.
    const auto codes = capture.StreamedCodes();
    if (const int over = analysis::OverRangeCount(codes); over > 0) {
      std::string text = "over range: ";
      text.append(std::to_string(over)).append(" of ").append(std::to_string(codes.size()));
      text.append(" codes at an end of the code range");
      return server_->Fail(op, kOverRange, text);
    }
    server_->Complete(op, figures ? Figures() : std::string());
  });
}

void RemoteCapture::RunPending() {
  while (!pending_.empty()) {
    auto job = std::move(pending_.front());
    pending_.pop_front();
    job();
  }
}

std::string RemoteCapture::Figures() const {
  const analysis::NoiseFigures& f = bench_.noise.groups[0];
  std::string text;
  for (const double v : {f.mean, f.rmsNv, f.vppNv, f.enob, f.noiseFreeBits}) {
    if (!text.empty()) text += ',';
    text += remote::format::Number(v);
  }
  return text;
}

}  // namespace qx::app
