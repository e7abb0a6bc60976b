#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/analysis/NoiseResult.h"

namespace qx::autotest {

/// The result arrays of the temperature test: fourteen statistics, six meters' values and unit
/// texts for every point and mode, and the target temperature and humidity of every point.
/// They are sized to the points and modes of the run rather than the test's limits (30 x
/// 10000), and keep their values when resized until overwritten. Points and modes count from 1;
/// reads outside read 0 or empty and writes outside are ignored.
class TempResults {
 public:
  static constexpr int kKinds = 14;
  static constexpr int kMeters = 6;

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

  double TargetTemp(int point) const;
  double TargetHum(int point) const;
  void SetTarget(int point, double temp, double hum);

  /// Bytes held by the arrays (the benchmark's figure).
  size_t Bytes() const;

 private:
  struct Cell {
    std::array<double, kKinds> stats{};
    std::array<double, kMeters> meterValue{};
    std::array<std::string, kMeters> meterUnit{};
  };
  const Cell* At(int point, int mode) const;
  Cell* At(int point, int mode);

  int points_ = 0;
  int modes_ = 0;
  std::vector<Cell> cells_;  ///< point-major, (point - 1) * modes_ + (mode - 1)
  std::vector<std::array<double, 2>> targets_;
};

}  // namespace qx::autotest
