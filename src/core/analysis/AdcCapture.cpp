#include "core/analysis/AdcCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/analysis/AdcGain.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/SlotDecoder.h"

namespace qx::analysis {

namespace {

constexpr int kLinkPanel = 0;
/// A failed poll has not waited for the bridge; wait as a poll would so a dead link is not
/// polled in a tight loop until the no-data abort.
constexpr double kFailedPollWaitMs = 10;
constexpr double kExtremeStart = 800000000.0;
constexpr int kTemperatureScale = 256;

/// Sum of (x[i] * scale - mean)^2 in four interleaved partial sums, so the additions do not
/// wait for each other.
double SquaredDeviations(const double* x, size_t n, double scale, double mean) {
  double part[4] = {0, 0, 0, 0};
  size_t i = 0;
  for (; i + 4 <= n; i += 4)
    for (size_t j = 0; j < 4; ++j) {
      const double e = x[i + j] * scale - mean;
      part[j] += e * e;
    }
  for (; i < n; ++i) {
    const double e = x[i] * scale - mean;
    part[0] += e * e;
  }
  return (part[0] + part[1]) + (part[2] + part[3]);
}

/// Floor of r / d; the divisors of the scale list are powers of two, which shift.
int64_t FloorDiv(int64_t r, int64_t d, int shift) {
  if (shift >= 0) return r >> shift;
  return r / d - ((r % d != 0 && r < 0) ? 1 : 0);
}

int ShiftOf(int64_t d) {
  if (d <= 0 || (d & (d - 1)) != 0) return -1;
  int s = 0;
  while ((int64_t{1} << s) != d) ++s;
  return s;
}

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

}  // namespace

AdcCapture::AdcCapture(link::TargetAccess& access, link::LinkMonitor& monitor, base::Clock& clock,
                       base::Host& host, const chip::ChipModel& chip, base::Settings& settings,
                       NoiseResult& noise)
    : access_(access),
      monitor_(monitor),
      clock_(clock),
      host_(host),
      chip_(chip),
      settings_(settings),
      noise_(noise),
      v_(kCapacity),
      captured_(kCapacity),
      streamed_(kCapacity),
      cells_(kCapacity) {
  SyncFromSettings();
}

void AdcCapture::TXScaleChange(int index) {
  if (index < 0 || index > 15) return;
  settings_.ScaleIndex = index;
  bits_ = index + 8;
  settings_.CodeDivisor = CodeDivisor(index);
}

std::string AdcCapture::MissingChoice() const {
  const char* list = settings_.NPointIndex < 0 ? "Sample Point"
                     : settings_.ScaleIndex < 0 || settings_.ScaleIndex > 15 || bits_ == 0 ? "Scale"
                     : settings_.CMAVR < 0 ? "Avr. Times"
                                           : nullptr;
  return list ? std::string("Catch ADC: choose a ") + list + " first" : std::string();
}

void AdcCapture::NPointIndexChange(int index) {
  if (index < 0 || index > 10) return;
  settings_.NPointIndex = index;
  settings_.PointCount = 64 << index;
}

void AdcCapture::SyncFromSettings() {
  if (settings_.ScaleIndex >= 0 && settings_.ScaleIndex <= 15) {
    TXScaleChange(settings_.ScaleIndex);
  } else {
    bits_ = 0;
  }
}

std::string AdcCapture::ColumnHeader(int column) {
  return Hex(column - 1, 2);
}

std::string AdcCapture::RowHeader(int row) {
  return Hex(row - 1, 4);
}

int32_t AdcCapture::StreamedCode(uint32_t slot, uint8_t mode) {
  if (mode == kModeTemperature) return static_cast<int32_t>((slot >> 8) & 0xFFFFu);
  const auto bits = static_cast<int32_t>(slot & 0xFFFFFFu);
  return bits >= 0x800000 ? bits - 0x1000000 : bits;
}

float AdcCapture::GetGain() const {
  return static_cast<float>(AdcGainOf(chip_).Total());
}

int AdcCapture::ClearCount() const {
  return std::clamp(settings_.PointCount, 0, kCapacity);
}

void AdcCapture::ClearBuffers(int count) {
  const auto end = static_cast<std::ptrdiff_t>(std::clamp(count, 0, kCapacity));
  std::fill(v_.begin(), v_.begin() + end, 0.0);
  // Differences and window sums read as zero until the statistics compute them again.
  sumsCount_ = 0;
}

void AdcCapture::BeginRun() {
  n_ = 0;
  reduced_ = 0;
  settling_ = 0;
  sum_ = 0;
  sumSquares_ = 0;
  minimum_ = kExtremeStart;
  maximum_ = -kExtremeStart;
  start_ = clock_.NowMs();
}

bool AdcCapture::Accept(uint32_t slot, uint8_t mode) {
  if (n_ >= target_) return false;
  const DecodedSlot d = DecodeSlot(slot, mode, halving, fullWidth, Divisor());
  if (settling_ < settleLimit_) {
    ++settling_;
    return true;
  }
  const auto i = static_cast<size_t>(n_);
  const double code = d.code;
  const double x = settings_.ChTemper ? code * kTemperatureScale : code;
  v_[i] = d.raw;
  const double raw = d.raw;
  minimum_ = raw <= minimum_ ? raw : minimum_;
  maximum_ = raw >= maximum_ ? raw : maximum_;
  sum_ += x;
  sumSquares_ += static_cast<long double>(x) * x;
  cells_.SetInteger(n_, d.code);
  captured_[i] = d.raw;
  streamed_[i] = StreamedCode(slot, mode);
  ++n_;
  return true;
}

bool AdcCapture::ReadADCALL(uint8_t mode) {
  bool ok = false;
  monitor_.continuousRead = false;
  if (onCaptureStart) onCaptureStart();
  const int clear = ClearCount();
  for (int i = 0; i < clear; ++i) cells_.Blank(i);
  ClearBuffers(clear);
  BeginRun();
  if (drivesGauge) host_.SetProgress(0, true);
  target_ = std::min(Target(), kCapacity);
  settleLimit_ = kSettlingSlots;

  completed_ = false;
  if (!StartStream(mode)) {
    host_.SetStatus(kLinkPanel, failure_);
    elapsed_ = 0;
    if (drivesGauge) host_.SetProgress(0, false);
    idle = 1;
    FinishMeanAndRms();
    return false;
  }
  monitor_.streamingChart = !settings_.AverageChart;
  double lastData = clock_.NowMs();
  do {
    int c = 0;
    if (!access_.PollAdcStream(c)) {
      c = 0;
      // A failed transfer closes the link. The samples of a lost reply are gone, so the
      // capture ends here; opening the link again tells a dropped reply from a bridge that
      // left the bus.
      if (!monitor_.Online()) {
        idle = 1;
        failure_ = monitor_.LostLinkReason();
        break;
      }
      clock_.WaitMs(kFailedPollWaitMs);
    }
    int used = 0;
    if (c > 0) {
      lastData = clock_.NowMs();
      while (used < c && Accept(access_.StreamResult(used), mode)) ++used;
    }
    if (clock_.NowMs() - lastData > kNoDataAbortMs) {
      idle = 1;
      failure_ = monitor_.Online() ? kStreamStalled : link::kUsbNotConnect;
    }
    host_.SetStatus(kStatusPanel, "Capture: " + std::to_string(n_) + "/" + std::to_string(target_) +
                                      " samples, " + std::to_string(c - used) + " slots left");
    if (drivesGauge) host_.SetProgress(static_cast<int>(int64_t{n_} * 100 / target_), true);
    host_.PumpEvents();
  } while (n_ < target_ && idle == 0);

  monitor_.streamingChart = false;
  if (monitor_.Online()) access_.StopAdcStream();
  elapsed_ = clock_.NowMs() - start_;
  if (drivesGauge) host_.SetProgress(0, false);
  if (idle == 0) {
    ok = true;
    idle = 1;
  }
  completed_ = ok;
  if (!failure_.empty()) host_.SetStatus(kLinkPanel, failure_);
  FinishMeanAndRms();
  return ok;
}

bool AdcCapture::StartStream(uint8_t mode) {
  failure_.clear();
  if (!monitor_.UsbKind()) {
    failure_ = kCaptureNeedsUsb;
  } else if (!monitor_.EnsureOnline()) {
    failure_ = link::kUsbNotConnect;
  } else if (!access_.StartAdcStream(mode)) {
    // A failed transfer closed the link: a lost reply if the bridge answers again.
    if (!monitor_.Online())
      failure_ = monitor_.LostLinkReason();
    else
      failure_ = kStreamRefused;
    // A bridge that answered may have started part of it.
    if (monitor_.Online()) access_.StopAdcStream();
  }
  return failure_.empty();
}

std::string AdcCapture::FiguresNote() const {
  if (completed_ || target_ <= 0) return {};
  const std::string counted = std::to_string(n_) + " of " + std::to_string(target_) + " samples";
  if (n_ == 0) return "no samples" + (failure_.empty() ? std::string() : ": " + failure_);
  if (failure_.empty()) return "stopped: figures of " + counted;
  return "partial: figures of " + counted + " (" + failure_ + ")";
}

void AdcCapture::FinishMeanAndRms() {
  // A stopped or failed capture still divides by the samples that did arrive.
  if (n_ > 0) {
    mean_ = sum_ / n_;
    rms_ = static_cast<double>(std::sqrt(sumSquares_ / n_));
  } else {
    mean_ = 0;
    rms_ = 0;
  }
  chartCount_ = n_;
}

bool AdcCapture::CatchACDCOM(const std::string& referenceText, uint8_t mode) {
  idle = 0;
  panels_ = {};
  n_ = 0;
  Changed();
  const bool ok = ReadADCALL(mode);
  host_.SetStatus(kStatusPanel, ok ? kReadComplete : kReadError);
  // The figures fall back to 1.2 V for a reference that is no positive number; say so.
  if (const std::string notice = ReferenceNotice(referenceText); !notice.empty())
    host_.SetStatus(kStatusPanel, notice);
  ComputeStatistics(referenceText);
  Changed();
  return ok;
}

bool AdcCapture::AnalyseSlots(std::span<const uint32_t> slots, int settling,
                              const std::string& referenceText, uint8_t mode) {
  const auto available = static_cast<int64_t>(slots.size()) - std::max(settling, 0);
  const int target = static_cast<int>(std::clamp<int64_t>(available, 0, kCapacity));
  for (int i = 0; i < target; ++i) cells_.Blank(i);
  ClearBuffers(target);
  BeginRun();
  target_ = target;
  settleLimit_ = std::max(settling, 0);
  for (uint32_t slot : slots)
    if (!Accept(slot, mode)) break;
  elapsed_ = 0;
  idle = 1;
  failure_.clear();
  completed_ = target > 0 && n_ == target;
  FinishMeanAndRms();
  ComputeStatistics(referenceText);
  Changed();
  return completed_;
}

void AdcCapture::ComputeStatistics(const std::string& referenceText) {
  const size_t n = static_cast<size_t>(n_);
  // Differences and window sums are read from the working values when asked for (see
  // WindowSum), which keeps this pass to the two arrays the figures need.
  window_ = WindowLength(settings_.ENumD);
  sumsCount_ = std::max(n_ - window_, 0);

  const bool temperature = settings_.ChTemper;
  const double scale = temperature ? kTemperatureScale : 1.0;
  // Every cell of a sample holds its integer display code here.
  sigma_ = n_ > 0 ? std::sqrt(SquaredDeviations(cells_.Values(), n, scale, mean_) / n_) : 0;
  Derived(n_, sigma_, temperature, referenceText);
}

void AdcCapture::Derived(int count, double sigma, bool temperature,
                         const std::string& referenceText) {
  NoiseFigures& f = noise_.groups[0];
  if (count <= 0) {
    // Nothing was measured: no figure, rather than the full resolution of a silent input.
    f = {};
    panels_ = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    return;
  }
  const int d = Divisor();
  const double enob = BitsAbove(bits_, sigma, sigma);
  const int b = bits_ == 0 ? 1 : bits_;
  const double referenceNv = ReferenceVolts(referenceText) * 1e9;
  const double gain = FiguresGain();
  const double denominator = FullScale(b, gain, temperature);
  const double rmsNv = referenceNv * sigma / denominator;

  // The extremes of the working values were kept while they were written.
  const double minimum = minimum_;
  const double maximum = maximum_;
  const auto p = static_cast<double>(PeakToPeakCodes(minimum, maximum, d, temperature));
  const double noiseFree = BitsAbove(bits_, p, sigma);
  const double vppNv = referenceNv * p / denominator;

  panels_ = {rms_, enob, mean_, vppNv, rmsNv, noiseFree};
  const double scale = temperature ? kTemperatureScale : 1.0;
  f = {mean_ / scale, vppNv, rmsNv, enob, p / scale, sigma / scale, noiseFree};
}

void AdcCapture::ReCalADC() {
  if (n_ <= 0) return;
  chartCount_ = n_;
  const int m = AveragingFactor(settings_.CMAVR);
  const double d = Divisor();
  const int64_t di = Divisor();
  const int shift = ShiftOf(di);
  const int groups = n_ / m;
  // Entries below the group count are all rewritten; only the rest is cleared.
  std::fill(v_.begin() + groups, v_.begin() + std::max(ClearCount(), groups), 0.0);
  sumsCount_ = 0;
  double sum = 0;
  double sumSquares = 0;
  double minimum = kExtremeStart;
  double maximum = -kExtremeStart;
  // Every cell of a group is blanked and cell g then takes the group's average; cell g lies in
  // a group at or before g, so only the cells from the group count to the last grouped sample
  // stay blank.
  cells_.BlankRange(groups, groups * m);
  // Scale divisors are powers of two, so multiplying by the inverse is exact.
  const double inverse = shift >= 0 ? 1.0 / d : 0.0;
  auto codes = [&](double a) { return shift >= 0 ? a * inverse : a / d; };
  // Two interleaved partial sums keep the additions from waiting for each other.
  double sums[2] = {0, 0};
  double squares[2] = {0, 0};
  double unitSigma = -1;  // the standard deviation when the pass without grouping found it
  if (m == 1) {
    // No grouping: the working values are the captured ones, and each pass below is a plain
    // loop over one array that the compiler can keep in registers.
    const double* in = captured_.data();
    double* working = v_.data();
    // Four lanes per running figure, so no comparison or addition waits for the one before it,
    // and one pass per pair of figures, so every lane stays in a register.
    double lo[4], hi[4];
    std::fill_n(lo, 4, minimum);
    std::fill_n(hi, 4, maximum);
    // Each cell shows the sample's code rounded down; the scale divisors are powers of two, so
    // that is a shift. Samples are 24-bit codes, so 32-bit arithmetic holds them, and the loop
    // runs on packed conversions.
    cells_.SetIntegers(groups, [&](double* out, int count) {
      if (shift >= 0) {
        for (int k = 0; k < count; ++k)
          out[k] = static_cast<double>(static_cast<int32_t>(in[k]) >> shift);
      } else {
        for (int k = 0; k < count; ++k)
          out[k] = static_cast<double>(FloorDiv(static_cast<int64_t>(in[k]), di, shift));
      }
    });
    int g = 0;
    for (; g + 4 <= groups; g += 4) {
      for (int j = 0; j < 4; ++j) {
        lo[j] = std::min(lo[j], in[g + j]);
        hi[j] = std::max(hi[j], in[g + j]);
      }
    }
    for (; g < groups; ++g) lo[0] = std::min(lo[0], in[g]), hi[0] = std::max(hi[0], in[g]);
    minimum = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
    maximum = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));

    // The working values are the samples themselves, copied on the way. Sums of the codes
    // taken from the first one: the squares of the deviations then give the
    // variance in the same pass without losing digits to a large DC level. The scale divisors
    // are powers of two, so the codes are exact.
    const double scale = shift >= 0 ? inverse : 1.0 / d;
    const double origin = groups > 0 ? in[0] : 0.0;
    double ds[4] = {0, 0, 0, 0}, dq[4] = {0, 0, 0, 0};
    g = 0;
    for (; g + 4 <= groups; g += 4) {
      const double a0 = in[g], a1 = in[g + 1], a2 = in[g + 2], a3 = in[g + 3];
      working[g] = a0, working[g + 1] = a1, working[g + 2] = a2, working[g + 3] = a3;
      const double e0 = a0 - origin, e1 = a1 - origin, e2 = a2 - origin, e3 = a3 - origin;
      ds[0] += e0, dq[0] += e0 * e0;
      ds[1] += e1, dq[1] += e1 * e1;
      ds[2] += e2, dq[2] += e2 * e2;
      ds[3] += e3, dq[3] += e3 * e3;
    }
    for (; g < groups; ++g) {
      working[g] = in[g];
      const double e = in[g] - origin;
      ds[0] += e, dq[0] += e * e;
    }
    // The sums were taken in sample units; in codes they scale by 1/d, exactly for the
    // power-of-two divisors.
    const double n = groups;
    const double deviationSum = ((ds[0] + ds[1]) + (ds[2] + ds[3])) * scale;
    const double deviationSquares = ((dq[0] + dq[1]) + (dq[2] + dq[3])) * scale * scale;
    const double originCode = origin * scale;
    const double meanDeviation = deviationSum / n;
    // Sum of the samples and of the squared codes, rebuilt around the origin.
    sums[0] = (deviationSum + n * originCode) * d;
    squares[0] = deviationSquares + 2 * originCode * deviationSum + n * originCode * originCode;
    unitSigma = std::sqrt(std::max(0.0, deviationSquares / n - meanDeviation * meanDeviation));
  }
  for (int g = 0; m > 1 && g < groups; ++g) {
    // Samples are whole numbers, so the partial sums are exact in any order.
    const double* in = captured_.data() + static_cast<size_t>(g) * static_cast<size_t>(m);
    double p[4] = {0, 0, 0, 0};
    for (int t = 0; t + 4 <= m; t += 4)
      for (int j = 0; j < 4; ++j) p[j] += in[t + j];
    for (int t = m & ~3; t < m; ++t) p[0] += in[t];
    const double a = ((p[0] + p[1]) + (p[2] + p[3])) / m;
    v_[static_cast<size_t>(g)] = a;
    minimum = a <= minimum ? a : minimum;
    maximum = a >= maximum ? a : maximum;
    const double c = codes(a);
    sums[g & 1] += a;
    squares[g & 1] += c * c;
    cells_.SetFixed(g, c);
  }
  sum = sums[0] + sums[1];
  sumSquares = squares[0] + squares[1];
  reduced_ = groups;
  chartCount_ = groups;
  minimum_ = minimum;
  maximum_ = maximum;
  if (groups == 0) {
    mean_ = rms_ = sigma_ = 0;
    Derived(0, 0, false, settings_.EREFV);
    Changed();
    return;
  }
  mean_ = sum / d / groups;
  rms_ = std::sqrt(sumSquares / groups);
  sigma_ =
      unitSigma >= 0
          ? unitSigma
          : std::sqrt(SquaredDeviations(v_.data(), static_cast<size_t>(groups), 1.0 / d, mean_) /
                      groups);
  Derived(groups, sigma_, false, settings_.EREFV);
  chartCount_ = LargestPowerOfTwo(groups);
  Changed();
}

void AdcCapture::ClrTMP() {
  settings_.AverageChart = false;
  const int clear = ClearCount();
  for (int i = 0; i < clear; ++i) cells_.Blank(i);
  ClearBuffers(clear);
  Changed();
}

bool AdcCapture::WaitTRIGER(int seconds, const std::function<bool()>& going) {
  const double start = clock_.NowMs();
  const double limit = seconds * 1000.0;
  for (;;) {
    const double passed = clock_.NowMs() - start;
    char text[8];
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(passed / 1000.0) % 60);
    host_.SetStatus(kStatusPanel, text);
    if (passed > limit) return true;
    host_.PumpEvents();
    // A Stop pressed while the messages ran ends the wait within this poll.
    if (going && !going()) return false;
    clock_.WaitMs(kFailedPollWaitMs);
  }
}

int64_t AdcCapture::ChartValue(int k) const {
  const double value = settings_.AverageChart ? WindowSum(k) : Working(k);
  return ChartCode(std::floor(value), Divisor());
}

std::string AdcCapture::SaveBytes() const {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(n_) * 2);
  for (int i = 0; i < n_; ++i) {
    const SampleCells::Cell c = cells_.At(i);
    // Fractional cells (re-averaged) are saved as the code below them; blank cells as 0.
    const int64_t v =
        c.kind == SampleCells::Kind::Blank ? 0 : static_cast<int64_t>(std::floor(c.value));
    bytes.push_back(static_cast<char>(static_cast<uint8_t>((v / 256) & 0xFF)));
    bytes.push_back(static_cast<char>(static_cast<uint8_t>((v % 256) & 0xFF)));
  }
  return bytes;
}

void AdcCapture::Changed() {
  if (onFiguresChanged) onFiguresChanged();
}

}  // namespace qx::analysis
