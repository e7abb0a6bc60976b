#pragma once

#include <cstdint>
#include <random>

#include "core/base/Clock.h"

namespace qx::sim {

/// Temperature and humidity of the simulated chamber. While running, each present value moves
/// toward its set point at its ramp rate on the clock's time; stopped, it stays where it is. The
/// reading carries a small seeded measurement noise.
class SimChamberThermal {
 public:
  static constexpr double kStartCelsius = 25.0;
  static constexpr double kStartHumidity = 50.0;    ///< percent relative humidity
  static constexpr double kFastestRatePerMin = 10;  ///< used when a ramp rate of 0 is set

  SimChamberThermal(base::Clock& clock, uint64_t seed = 7);

  void Run();
  void Stop();
  bool Running() const { return running_; }

  void SetTarget(double celsius, double humidity);
  double TargetCelsius() const { return targetCelsius_; }
  double TargetHumidity() const { return targetHumidity_; }
  /// Ramp rates in degrees (or percent) per minute; 0 or less means as fast as possible.
  void SetRates(double celsiusPerMin, double humidityPerMin);

  /// The true temperature now, without measurement noise.
  double Celsius();
  double Humidity();
  /// Sets the true temperature at once (a chamber door opened, or a test's starting point).
  void SetCelsius(double celsius);

  /// At clock time `atMs` the true temperature jumps to `celsius` once (a door opened during a
  /// hold), then ramps back to the set point.
  void OpenDoorAt(double atMs, double celsius) {
    doorAtMs_ = atMs;
    doorCelsius_ = celsius;
    doorPending_ = true;
  }

  /// The present value as the controller reports it: tenths of a degree with up to
  /// ±NoiseTenths of noise.
  int16_t MeasuredCelsiusTenths();
  int16_t MeasuredHumidityTenths();
  void SetNoiseTenths(int tenths) { noiseTenths_ = tenths < 0 ? 0 : tenths; }

 private:
  void Advance();
  void AdvanceTo(double ms);
  static double Step(double present, double target, double ratePerMin, double minutes);
  int Noise();

  base::Clock& clock_;
  std::mt19937 random_;
  double lastMs_;
  bool running_ = false;
  double celsius_ = kStartCelsius;
  double humidity_ = kStartHumidity;
  double targetCelsius_ = kStartCelsius;
  double targetHumidity_ = kStartHumidity;
  double celsiusRate_ = 0;
  double humidityRate_ = 0;
  int noiseTenths_ = 1;
  bool doorPending_ = false;
  double doorAtMs_ = 0;
  double doorCelsius_ = 0;
};

}  // namespace qx::sim
