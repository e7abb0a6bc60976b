#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/base/Clock.h"
#include "sim/SimCalibrator.h"
#include "sim/SimChamber.h"
#include "sim/SimInstrument.h"
#include "sim/SimInstrumentPortProvider.h"
#include "sim/SimMeter.h"
#include "sim/SimPowerSupply.h"

namespace qx::sim {

/// The simulated bench instruments and the serial ports they answer on: the calibrator on
/// "COM5", the power supply on "COM6", the chamber on "COM7" and multimeters 1 to 6 on "COM8" to
/// "COM13". Each device is reached through its line (Line*), which carries that port's faults.
/// The clock must outlive this object and every port opened from it.
class SimInstruments {
 public:
  static constexpr size_t kMeterCount = 6;
  static constexpr const char* kCalibratorPort = "COM5";
  static constexpr const char* kPowerSupplyPort = "COM6";
  static constexpr const char* kChamberPort = "COM7";
  static constexpr int kFirstMeterPort = 8;  ///< meter i (from 0) is on "COM(8 + i)"

  explicit SimInstruments(base::Clock& clock, uint64_t seed = 7);
  SimInstruments(const SimInstruments&) = delete;
  SimInstruments& operator=(const SimInstruments&) = delete;

  SimCalibrator& Calibrator() { return calibrator_; }
  SimPowerSupply& PowerSupply() { return powerSupply_; }
  SimChamber& Chamber() { return chamber_; }
  /// Meter `index` from 0 to 5.
  SimMeter& Meter(size_t index) { return meters_.at(index); }

  SimInstrument& CalibratorLine() { return calibratorLine_; }
  SimInstrument& PowerSupplyLine() { return powerSupplyLine_; }
  SimInstrument& ChamberLine() { return chamberLine_; }
  SimInstrument& MeterLine(size_t index) { return *meterLines_.at(index); }

  static std::string MeterPortName(size_t index);

  /// Meter `index` reads the chamber's true temperature in °C from now on.
  void MeterFollowsChamber(size_t index);

  SimInstrumentPortProvider& Ports() { return ports_; }

 private:
  SimCalibrator calibrator_;
  SimPowerSupply powerSupply_;
  SimChamber chamber_;
  std::array<SimMeter, kMeterCount> meters_;
  SimInstrument calibratorLine_{calibrator_};
  SimInstrument powerSupplyLine_{powerSupply_};
  SimInstrument chamberLine_{chamber_};
  std::array<std::unique_ptr<SimInstrument>, kMeterCount> meterLines_;
  SimInstrumentPortProvider ports_;
};

}  // namespace qx::sim
