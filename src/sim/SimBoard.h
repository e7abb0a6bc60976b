#pragma once

#include "core/base/Clock.h"
#include "core/chip/ChipModel.h"
#include "sim/SimBridge.h"
#include "sim/SimBulkDriver.h"
#include "sim/SimDriverServices.h"
#include "sim/SimFaultPlan.h"
#include "sim/SimHidBackend.h"
#include "sim/SimInstruments.h"
#include "sim/SimParallelPort.h"
#include "sim/SimSerialBridge.h"
#include "sim/SimSerialPortProvider.h"
#include "sim/SimSwitchFirmware.h"
#include "sim/SimTarget.h"

namespace qx::sim {

/// A whole simulated bench board: the target chip, the USB bridge firmware and the ways the
/// host reaches it (HID backend, bulk driver, serial port provider). By default the bridge is
/// the HID device at index 0 and the bulk driver has no device; the serial bridge answers on
/// "COM1", the parallel-port target on LPT1 (0x378) and the bench instruments on theirs (see
/// SimInstruments); the calibrator's output, once it has been operated, is the target's ADC input.
/// The target starts with a demonstration signal (a DC level with input and output noise, fixed
/// seed) so a simulated ENOB test shows plausible figures; tests that need exact codes set the
/// levels themselves. The clock and the chip model must outlive the board.
class SimBoard {
 public:
  static constexpr double kDemoDcVolts = 0.6;       ///< a quarter of the 2.4 V reference
  static constexpr double kDemoInputNoiseNv = 400;  ///< RMS, input-referred
  /// The board's input offset drifts with the chamber's temperature from 25 °C.
  static constexpr double kOffsetDriftVoltsPerCelsius = 2e-6;
  /// ... and its converter's gain by 5 ppm/°C.
  static constexpr double kGainDriftPerCelsius = 5e-6;
  static constexpr double kDemoOutputNoiseCodes = 1.5;  ///< RMS, 24-bit codes

  SimBoard(base::Clock& clock, const chip::ChipModel& model);
  SimBoard(const SimBoard&) = delete;
  SimBoard& operator=(const SimBoard&) = delete;

  SimTarget& Target() { return target_; }
  SimBridge& Bridge() { return bridge_; }
  /// The target firmware's switch channel test.
  SimSwitchFirmware& SwitchFirmware() { return firmware_; }
  SimHidBackend& Hid() { return hid_; }
  SimBulkDriver& Bulk() { return bulk_; }
  SimSerialBridge& SerialBridge() { return serial_; }
  /// The parallel port of link kind 3 and the system that runs its driver.
  SimParallelPort& Parallel() { return parallel_; }
  SimDriverServices& DriverServices() { return services_; }
  SimInstruments& Instruments() { return instruments_; }
  /// The faults of --sim-fault: the bridge's to the bridge, each instrument line's to its line.
  void SetFaultPlan(const std::vector<SimFault>& plan);
  /// The bridge's port and the instruments' ports, as the program opens them.
  SimSerialPortProvider& SerialPorts() { return serialPorts_; }

  /// The chip the board simulates from now on: field positions are read from `model`, which
  /// must outlive the board, and its gain tables are copied (see ApplyChipGains).
  void UseChipModel(const chip::ChipModel& model);
  /// Copies the chip's `PgaGain` and `AdgnGain` tables into the converter; run after every chip
  /// load so the simulated gain follows the chip description.
  void ApplyChipGains(const chip::ChipModel& model);

  /// Serves the bridge as the bulk device "Qxusb-0" instead of the HID device (or back).
  void UseBulkBridge(bool bulk);

 private:
  SimTarget target_;
  SimBridge bridge_;
  SimSwitchFirmware firmware_;
  SimHidBackend hid_;
  SimBulkDriver bulk_;
  SimSerialBridge serial_;
  SimParallelPort parallel_;
  SimDriverServices services_;
  SimInstruments instruments_;
  SimSerialPortProvider serialPorts_;
};

}  // namespace qx::sim
