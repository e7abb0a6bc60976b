#include "sim/SimChamberThermal.h"

#include <algorithm>
#include <cmath>

namespace qx::sim {

SimChamberThermal::SimChamberThermal(base::Clock& clock, uint64_t seed)
    : clock_(clock),
      random_(static_cast<std::mt19937::result_type>(seed)),
      lastMs_(clock.NowMs()) {}

void SimChamberThermal::Advance() {
  const double now = clock_.NowMs();
  if (doorPending_ && now >= doorAtMs_) {
    AdvanceTo(std::max(doorAtMs_, lastMs_));
    celsius_ = doorCelsius_;
    doorPending_ = false;
  }
  AdvanceTo(now);
}

void SimChamberThermal::AdvanceTo(double now) {
  const double minutes = std::max(0.0, now - lastMs_) / 60'000.0;
  lastMs_ = now;
  if (!running_ || minutes <= 0) return;
  celsius_ = Step(celsius_, targetCelsius_, celsiusRate_, minutes);
  humidity_ = Step(humidity_, targetHumidity_, humidityRate_, minutes);
}

double SimChamberThermal::Step(double present, double target, double ratePerMin, double minutes) {
  const double rate = ratePerMin > 0 ? ratePerMin : kFastestRatePerMin;
  const double reach = rate * minutes;
  if (std::abs(target - present) <= reach) return target;
  return present + (target > present ? reach : -reach);
}

void SimChamberThermal::Run() {
  Advance();
  running_ = true;
}

void SimChamberThermal::Stop() {
  Advance();
  running_ = false;
}

void SimChamberThermal::SetTarget(double celsius, double humidity) {
  Advance();
  targetCelsius_ = celsius;
  targetHumidity_ = humidity;
}

void SimChamberThermal::SetRates(double celsiusPerMin, double humidityPerMin) {
  Advance();
  celsiusRate_ = celsiusPerMin;
  humidityRate_ = humidityPerMin;
}

double SimChamberThermal::Celsius() {
  Advance();
  return celsius_;
}

double SimChamberThermal::Humidity() {
  Advance();
  return humidity_;
}

void SimChamberThermal::SetCelsius(double celsius) {
  Advance();
  celsius_ = celsius;
}

int SimChamberThermal::Noise() {
  if (noiseTenths_ == 0) return 0;
  return std::uniform_int_distribution<int>(-noiseTenths_, noiseTenths_)(random_);
}

namespace {
int16_t ClampTenths(long tenths) {
  return static_cast<int16_t>(std::clamp<long>(tenths, INT16_MIN, INT16_MAX));
}
}  // namespace

int16_t SimChamberThermal::MeasuredCelsiusTenths() {
  return ClampTenths(std::lround(Celsius() * 10) + Noise());
}

int16_t SimChamberThermal::MeasuredHumidityTenths() {
  return ClampTenths(std::lround(Humidity() * 10) + Noise());
}

}  // namespace qx::sim
