#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseResult.h"
#include "core/base/Clock.h"
#include "core/base/Settings.h"
#include "core/chip/ChipModel.h"
#include "core/link/IoFrame.h"
#include "core/link/TargetAccess.h"
#include "core/link/TargetRecord.h"
#include "core/panels/FieldAccess.h"

namespace qx::analysis {

/// A PGA gain of the chip and the PGA field value that selects it.
struct SweepGain {
  int gain = 1;
  int pga = 0;
  bool operator==(const SweepGain&) const = default;
};

/// An output data rate and the OSR / HS values that select it.
struct SweepRate {
  int sps = 0;
  int osr = 0;
  int hs = 0;
  bool operator==(const SweepRate&) const = default;
};

/// One row of the noise table.
struct SweepCell {
  enum class State { Pending, Done, Failed, Stopped };
  SweepGain gain;
  SweepRate rate;
  State state = State::Pending;
  NoiseFigures figures;      ///< valid when Done
  int samples = 0;           ///< samples the capture took
  double elapsedMs = 0;      ///< from the first register write to the end of the capture
  double bridgeLimitMs = 0;  ///< see NoiseSweep::BridgeLimitMs
  std::string failure;       ///< why a Failed cell has no figures
  /// Samples at either end of the code range: the input was beyond full scale at this gain and
  /// the figures measure the clipping, not the noise.
  int overRange = 0;
};

/// Cells whose capture was driven beyond full scale.
int OverRangeCells(const std::vector<SweepCell>& cells);

/// Where a sweep stands: the cell under way (1-based), the total and the time left.
struct SweepProgress {
  int cell = 0;
  int cells = 0;
  SweepGain gain;
  SweepRate rate;
  double remainingMs = 0;
  int Percent() const;
  /// "Cell 3/32: gain 8, 640 sps, about 1 min 20 s left".
  std::string Text() const;
};

/// The choice of a sweep: the gains and rates to cross, the points of each capture, the
/// reference voltage text and the resolution of the figures.
struct SweepPlan {
  std::vector<SweepGain> gains;
  std::vector<SweepRate> rates;
  int pointIndex = 4;  ///< item of the point-count list: N = 64 * 2^item (4: 1024)
  std::string reference = "2.4";
  int bits = 23;
  int Points() const { return 64 << pointIndex; }
};

/// The datasheet noise table: for every chosen PGA gain and output data rate it sets the
/// registers as the ADC panel does, captures N points with the analysis window's capture
/// ("Catch ADC": halving, mode 3) and records the figures of the cell. Register writes go
/// through the access operations, so they show on the link trace; afterwards the registers of
/// PGA, OSR and HS are written back, whole, to what the target held before.
///
/// Settling: a register write restarts the converter's sinc filter, whose output is valid from
/// the fourth or fifth result on at every OSR (the filter spans a few output periods whatever
/// the rate). The capture already drops 13 results after the stream starts, which covers that
/// at every rate, so the sweep adds no wait of its own.
class NoiseSweep {
 public:
  /// Results the capture drops before its first sample.
  static constexpr int kSettlingResults = AdcCapture::kSettlingSlots;
  /// What a poll of the bridge can carry and how long it takes at least.
  static constexpr int kResultsPerPoll = 21;
  static constexpr double kPollMs = 10;
  static constexpr uint8_t kMode = 3;
  static constexpr char kBusy[] = "another ADC capture is running; the sweep waits until it ends";

  /// What the sweep drives.
  struct Bench {
    AdcCapture& capture;
    link::TargetAccess& access;
    link::TargetRecord& target;
    link::IoFrame& frame;
    chip::ChipModel& chip;
    base::Clock& clock;
    base::Settings& settings;
    NoiseResult& noise;
  };

  explicit NoiseSweep(const Bench& bench);
  NoiseSweep(const NoiseSweep&) = delete;
  NoiseSweep& operator=(const NoiseSweep&) = delete;

  /// The shortest time the bridge can deliver one capture of `points` at `sps`: the converter
  /// needs (points + 13) / sps, and the polls at most 21 results per 10 ms.
  static double BridgeLimitMs(int points, int sps);

  /// Every distinct gain of the chip's PGA table that the PGA field can select, in PGA order
  /// (the first PGA value of a repeated gain).
  static std::vector<SweepGain> ChipGains(const chip::ChipModel& chip);
  /// Every distinct output rate the OSR and HS fields can select, fastest first; HS = 0 wins
  /// where both columns give a rate.
  static std::vector<SweepRate> ChipRates(const chip::ChipModel& chip);
  /// The rates of a sweep without a choice: every OSR setting at HS = 0, so each filter length
  /// shows once with the modulator at its normal clock.
  static std::vector<SweepRate> DefaultRates(const chip::ChipModel& chip);

  /// "1,8,64" into gains of the chip; false with a message naming the gains it has.
  static bool ParseGains(const chip::ChipModel& chip, const std::string& text,
                         std::vector<SweepGain>& out, std::string& error);
  /// "2560,640" into rates of the chip; false with a message listing the rates it has.
  static bool ParseRates(const chip::ChipModel& chip, const std::string& text,
                         std::vector<SweepRate>& out, std::string& error);
  /// Why the chip cannot be swept (no PGA or OSR field); empty when it can.
  static std::string Unsweepable(const chip::ChipModel& chip);

  /// Runs the plan, cell by cell, gain by gain. True when every cell captured. False at once,
  /// with the reason in Refusal(), when a capture is running or the chip cannot be swept.
  bool Run(const SweepPlan& plan);
  /// Ends the sweep: a running capture stops, the cells finished so far stay.
  void Stop();
  bool Running() const { return running_; }
  bool Stopped() const { return stopped_; }
  const std::string& Refusal() const { return refusal_; }

  const std::vector<SweepCell>& Cells() const { return cells_; }
  /// Sum of the bridge limits of every cell of the last plan.
  double BridgeLimitSumMs() const;
  SweepProgress Progress();

  /// Runs when a cell starts and when it ends.
  std::function<void(const SweepProgress&)> onProgress;

 private:
  /// Reads the registers of the gain and rate fields, so the image (and the restore) starts
  /// from what the target holds.
  bool ReadRegisters();
  /// Writes PGA, OSR and HS for the cell; false with the reason when a write did not take.
  bool Select(const SweepCell& cell, std::string& why);
  bool WriteField(const char* key, int value, std::string& why);
  void Restore();
  void Capture(SweepCell& cell, int points, const std::string& reference);
  void Report();

  Bench bench_;
  panels::FieldAccess fields_;

  std::vector<SweepCell> cells_;
  int current_ = -1;
  double cellStartMs_ = 0;
  bool running_ = false;
  bool stopped_ = false;
  std::string refusal_;
  std::vector<std::pair<uint16_t, uint8_t>> saved_;  ///< registers of PGA, OSR, HS before
  int savedScale_ = -1, savedPointIndex_ = -1, savedPoints_ = 0, savedDivisor_ = 1;
};

/// The table as CSV: a header, one row per cell that ran, CR LF line ends.
std::string SweepCsv(const std::vector<SweepCell>& cells);
/// The table as tab-separated text for the clipboard, with the same columns.
std::string SweepTabText(const std::vector<SweepCell>& cells);
/// The table as aligned columns for a terminal, units in the header.
std::string SweepTableText(const std::vector<SweepCell>& cells);
/// The column headers, units included; `ascii` writes µV as "uV" (the CSV file).
std::vector<std::string> SweepHeaders(bool ascii);
/// The texts of one cell in the column order of SweepHeaders.
std::vector<std::string> SweepRowTexts(const SweepCell& cell);

}  // namespace qx::analysis
