#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/analysis/NoiseResult.h"

namespace qx::autotest {

/// The result arrays of the temperature test: fourteen statistics, six meters' values and unit
/// texts for every point and mode, and the target temperature and humidity of every point.
/// They are sized to the points and modes of the run rather than the test's limits (30 x
/// 10000), and keep their values when resized until overwritten. Points and modes count from 1;
/// reads outside read 0 or empty and writes outside are ignored.
///
/// Each mode also carries whether it holds figures: a mode becomes Measured when its
/// statistics or a meter are set, Failed when its capture failed, OverRange when its capture
/// sat at an end of the code range (figures of the clipping, written but flagged). Only
/// Measured and OverRange modes are figures; the result files leave the others' fields empty.
class TempResults {
 public:
  static constexpr int kKinds = 14;
  static constexpr int kMeters = 6;
  enum class Mark : uint8_t { None, Measured, Failed, OverRange };

  /// Room for points 1..`points` and modes 1..`modes`; values that fit are kept.
  void Resize(int points, int modes);
  int Points() const { return points_; }
  int Modes() const { return modes_; }

  double Stat(int kind, int point, int mode) const;
  /// Both groups of the noise record into kinds 0..6 and 7..13.
  void SetStats(int point, int mode, const analysis::NoiseResult& noise);
  void SetStat(int kind, int point, int mode, double value);

  double MeterValue(int meter, int point, int mode) const;
  const std::string& MeterUnit(int meter, int point, int mode) const;
  void SetMeter(int meter, int point, int mode, double value, const std::string& unit);

  Mark State(int point, int mode) const;
  bool Measured(int point, int mode) const {
    const Mark m = State(point, mode);
    return m == Mark::Measured || m == Mark::OverRange;
  }
  /// Failed: the mode's capture failed, whatever figures it holds are not a measurement;
  /// None: an attempt that failed, whose figures must not show until the mode is settled.
  void SetMark(int point, int mode, Mark mark);
  /// Every mode back to None; the values stay.
  void ClearMarks();
  /// Some mode of the point is Measured or Failed: the run reached it and recorded it.
  bool Reached(int point) const;
  double TargetTemp(int point) const;
  double TargetHum(int point) const;
  void SetTarget(int point, double temp, double hum);

  /// Bytes held by the arrays (the benchmark's figure).
  size_t Bytes() const;

 private:
  using Stats = std::array<double, kKinds>;
  /// A mode's meter readings; unit texts are kept once in `units_` and referred to by index.
  struct Meters {
    std::array<double, kMeters> value{};
    std::array<uint8_t, kMeters> unit{};
  };
  /// Index of (point, mode) in the point-major arrays; -1 outside.
  long Index(int point, int mode) const;
  template <class T>
  void Regrid(std::vector<T>& cells, int points, int modes) const;

  int points_ = 0;
  int modes_ = 0;
  std::vector<Stats> stats_;
  /// Empty until a meter is read, so an ADC-only run holds the statistics alone.
  std::vector<Meters> meters_;
  std::vector<std::string> units_{""};
  std::vector<std::array<double, 2>> targets_;
  std::vector<Mark> marks_;
};

}  // namespace qx::autotest
