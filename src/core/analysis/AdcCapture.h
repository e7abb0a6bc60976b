#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/analysis/AnalysisPanels.h"
#include "core/analysis/NoiseResult.h"
#include "core/analysis/SampleCells.h"
#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/link/LinkMonitor.h"
#include "core/link/TargetAccess.h"

namespace qx::analysis {

/// Status texts of a capture in panel 2.
inline constexpr char kReadComplete[] = "Read Compelete";
inline constexpr char kReadError[] = "Read Error !!!!!";
/// Why a capture could not start (shown in panel 0, the link panel).
inline constexpr char kCaptureNeedsUsb[] =
    "the capture needs the USB bridge (link kind 1, 2, 4 or 5)";
inline constexpr char kStreamRefused[] = "the bridge refused to start the ADC stream";
/// Why a started capture ended short, when the bridge stays on line.
inline constexpr char kStreamStalled[] = "no conversion result arrived for 10 s";

/// Capture and noise statistics of the ADC analysis window: the streaming capture, the figures
/// and the noise result record, re-averaging and the chart values. The buffers are allocated
/// once, so a capture allocates nothing per sample.
///
/// A capture that fails or is stopped keeps the samples that arrived, and every figure is
/// computed from exactly those (mean = sum / n). Without any sample all figures are 0.
class AdcCapture {
 public:
  static constexpr int kCapacity = 65536;
  static constexpr int kSettlingSlots = 13;
  static constexpr int kDefaultTarget = 256;
  static constexpr double kNoDataAbortMs = 10'000;
  static constexpr int kStatusPanel = 2;
  static constexpr int kColumns = 16;

  AdcCapture(link::TargetAccess& access, link::LinkMonitor& monitor, base::Clock& clock,
             base::Host& host, const chip::ChipModel& chip, base::Settings& settings,
             NoiseResult& noise);
  AdcCapture(const AdcCapture&) = delete;
  AdcCapture& operator=(const AdcCapture&) = delete;

  /// `TXScaleChange`: item k gives B = k + 8 and D = 2^(15 - k); other items change nothing.
  void TXScaleChange(int index);
  /// `NPointIndexChange`: item k gives N = 64 * 2^k.
  void NPointIndexChange(int index);
  /// B and D from the settings the configuration file restored.
  void SyncFromSettings();

  /// What the analysis window's lists still need before a capture means anything ("Catch ADC:
  /// choose a Sample Point first"), empty when each has an item: without them the figures come
  /// out of no point count, no resolution or no averaging.
  std::string MissingChoice() const;

  /// Grid rows for the point count: N / 16 + 1, the header row included.
  int GridRows() const { return settings_.PointCount / kColumns + 1; }
  /// Header of grid column c (1..16): "00".."0F".
  static std::string ColumnHeader(int column);
  /// Header of grid row r (1..): four hexadecimal digits of r - 1.
  static std::string RowHeader(int row);

  /// The streaming capture in `mode`; true when the target count was reached. A capture whose
  /// stream cannot start ends at once, with the reason in FailureReason() and panel 0; one whose
  /// stream stops delivering ends after kNoDataAbortMs without data.
  bool ReadADCALL(uint8_t mode);
  /// Why the last capture failed (it could not start, or its data stopped: the link was lost,
  /// or no result came for kNoDataAbortMs); empty when it completed or was stopped.
  const std::string& FailureReason() const { return failure_; }
  /// What the figures of the last capture stand for when it did not complete ("partial:
  /// figures of 812 of 4096 samples (USB not Connect !!!)"); empty for a whole capture.
  std::string FiguresNote() const;
  /// Capture, then every figure, the panels and the noise result record.
  bool CatchACDCOM(const std::string& referenceText, uint8_t mode);
  /// Re-averages the captured samples by the `CMAVR` factor and recomputes every figure.
  void ReCalADC();
  /// Clears the average chart flag, the first N cells and buffer entries.
  void ClrTMP();
  /// Waits until more than `seconds` have passed, letting window messages run. A run that
  /// passes `going` ends the wait early once it returns false (its Stop); returns whether the
  /// whole wait passed.
  bool WaitTRIGER(int seconds, const std::function<bool()>& going = {});
  /// PGA gain x ADGN gain x (2 with FSRB) from the chip's gain tables and field values.
  float GetGain() const;
  /// The gain the nanovolt figures use: the override when one is set, else GetGain().
  double FiguresGain() const { return gainOverride ? *gainOverride : double{GetGain()}; }

  /// Decodes a run of recorded stream slots as a capture would (the first `settling` dropped)
  /// and computes the figures; for re-analysing saved streams. The run is cut at the capacity.
  bool AnalyseSlots(std::span<const uint32_t> slots, int settling, const std::string& referenceText,
                    uint8_t mode);

  /// Value of chart point k: the window sum in average-chart mode, else the working value.
  int64_t ChartValue(int k) const;
  /// x of chart point k of n: k x elapsed / n.
  double ChartX(int k, int n) const { return n > 0 ? k * elapsed_ / n : 0; }

  /// The bytes of the save file: two per sample of the last capture.
  std::string SaveBytes() const;

  // Width flags of the decoding and the idle flag (1 while no capture runs; setting it to 1
  // during a capture stops the capture).
  bool halving = false;
  bool fullWidth = false;
  /// The capture shows its progress in the gauge; a long test that owns the gauge clears it.
  bool drivesGauge = true;
  uint8_t idle = 1;
  /// Gain used instead of the chip's when set (offline statistics of a known gain).
  std::optional<double> gainOverride;
  /// Runs when a capture starts: the ADC panel stops its continuous reading.
  std::function<void()> onCaptureStart;
  /// Runs when the panels or the cells changed.
  std::function<void()> onFiguresChanged;

  int Bits() const { return bits_; }
  int Count() const { return n_; }
  int ReducedCount() const { return reduced_; }
  int ChartCount() const { return chartCount_; }
  double ElapsedMs() const { return elapsed_; }
  double Mean() const { return mean_; }
  double Rms() const { return rms_; }
  double Sigma() const { return sigma_; }
  const AnalysisPanels& Panels() const { return panels_; }
  const SampleCells& Cells() const { return cells_; }
  double Working(int i) const { return At(v_, i); }
  double Captured(int i) const { return At(captured_, i); }
  /// The accepted samples of the last capture as the bridge streamed them: the 24-bit result
  /// sign-extended, before the halving and width handling (mode 2: the 16-bit word as it is).
  /// Re-averaging leaves them as they are.
  std::span<const int32_t> StreamedCodes() const {
    return {streamed_.data(), static_cast<size_t>(n_)};
  }
  /// The streamed code of one slot in `mode`.
  static int32_t StreamedCode(uint32_t slot, uint8_t mode);
  /// Difference V[i+1] - V[i] of the last statistics (0 outside them).
  double Difference(int i) const { return i >= 0 && i + 1 < n_ ? Working(i + 1) - Working(i) : 0; }
  /// Window sum S[k] = difference k + ... + difference k+W-1, 0 outside the last statistics.
  /// The sum telescopes to V[k+W] - V[k]; the working values of a capture are whole numbers
  /// far below 2^53, so this is exactly the sum added term by term.
  double WindowSum(int k) const {
    return k >= 0 && k < sumsCount_ ? Working(k + window_) - Working(k) : 0;
  }

  /// Steps after the capture: differences, window sums, the RMS noise from the display codes
  /// and every figure derived from it, for the samples in the buffers.
  void ComputeStatistics(const std::string& referenceText);

 private:
  static double At(const std::vector<double>& b, int i) {
    return i >= 0 && i < kCapacity ? b[static_cast<size_t>(i)] : 0;
  }
  int Divisor() const { return settings_.CodeDivisor > 0 ? settings_.CodeDivisor : 1; }
  int Target() const { return settings_.PointCount <= 0 ? kDefaultTarget : settings_.PointCount; }
  int ClearCount() const;
  void ClearBuffers(int count);
  void BeginRun();
  /// Opens the stream, or says in `failure_` why it cannot be opened.
  bool StartStream(uint8_t mode);
  /// Takes one slot; false once the target is reached.
  bool Accept(uint32_t slot, uint8_t mode);
  void FinishMeanAndRms();
  void Derived(int count, double sigma, bool temperature, const std::string& referenceText);
  void Changed();

  link::TargetAccess& access_;
  link::LinkMonitor& monitor_;
  base::Clock& clock_;
  base::Host& host_;
  const chip::ChipModel& chip_;
  base::Settings& settings_;
  NoiseResult& noise_;

  std::vector<double> v_;
  std::vector<double> captured_;
  std::vector<int32_t> streamed_;
  SampleCells cells_;
  AnalysisPanels panels_;

  int bits_ = 0;
  int n_ = 0;
  int target_ = 0;
  int reduced_ = 0;
  int settling_ = 0;
  int settleLimit_ = kSettlingSlots;
  int chartCount_ = 0;
  int sumsCount_ = 0;  ///< window sums valid since the buffers were last cleared
  int window_ = 1;
  double sum_ = 0;
  double minimum_ = 0;  ///< extremes of the working values, kept as they are written
  double maximum_ = 0;
  long double sumSquares_ = 0;
  double mean_ = 0;
  double rms_ = 0;
  double sigma_ = 0;
  double start_ = 0;
  double elapsed_ = 0;
  std::string failure_;
  bool completed_ = false;
};

}  // namespace qx::analysis
