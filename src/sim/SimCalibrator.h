#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sim/SimByteProtocol.h"
#include "sim/SimInstrumentLines.h"

namespace qx::sim {

/// A Fluke 5500A-like calibrator. Command lines end with CR (LF is ignored) and every non-empty
/// line is answered with one CR-terminated line: "*IDN?" and "*OPT" with the identity and the
/// option list, accepted commands with "OK", anything else with an error text. Commands: STBY,
/// OPER, "OUT <number> <V|mV|uV>[ ,<freq> Hz]", "RANGELCK ON|OFF"; case is ignored.
///
/// The output, while operating, drives the output sink (the board's ADC input). Once the
/// calibrator has been operated, standby drives 0 V; before that the sink is never called, so
/// whatever the board had stays. An AC setting (frequency above 0) has no DC level: 0 V.
class SimCalibrator final : public SimByteProtocol {
 public:
  static constexpr const char* kIdentity = "FLUKE,5500A,7340012,2.1+1.2+2.0+*";
  static constexpr const char* kOptions = "SC600";
  static constexpr double kMaxVolts = 1020;

  using OutputSink = std::function<void(double volts)>;

  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override;

  void SetOutputSink(OutputSink sink) { sink_ = std::move(sink); }
  bool Operating() const { return operating_; }
  double SetVolts() const { return volts_; }
  double SetHertz() const { return hertz_; }
  bool RangeLocked() const { return rangeLocked_; }
  /// The voltage at the output terminals now.
  double OutputVolts() const;

 private:
  std::string Execute(const std::string& line);
  std::string Output(const std::string& arguments);
  void Drive();

  SimInstrumentLines lines_{'\r', '\n'};
  OutputSink sink_;
  bool operating_ = false;
  bool everOperated_ = false;
  bool rangeLocked_ = false;
  double volts_ = 0;
  double hertz_ = 0;
};

}  // namespace qx::sim
