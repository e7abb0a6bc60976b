#include "sim/SimInstruments.h"

namespace qx::sim {

SimInstruments::SimInstruments(base::Clock& clock, uint64_t seed)
    : chamber_(clock, seed), ports_(clock) {
  ports_.Add(kCalibratorPort, calibratorLine_);
  ports_.Add(kPowerSupplyPort, powerSupplyLine_);
  ports_.Add(kChamberPort, chamberLine_);
  for (size_t i = 0; i < kMeterCount; ++i) {
    meterLines_[i] = std::make_unique<SimInstrument>(meters_[i]);
    ports_.Add(MeterPortName(i), *meterLines_[i]);
  }
}

std::string SimInstruments::MeterPortName(size_t index) {
  return "COM" + std::to_string(kFirstMeterPort + static_cast<int>(index));
}

void SimInstruments::MeterFollowsChamber(size_t index) {
  SimMeter& meter = Meter(index);
  meter.SetFlags(SimMeter::kCelsius, 0);
  meter.SetSource([this] { return chamber_.Thermal().Celsius(); });
}

}  // namespace qx::sim
