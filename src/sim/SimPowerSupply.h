#pragma once

#include <deque>
#include <limits>
#include <string>

#include "sim/SimByteProtocol.h"
#include "sim/SimInstrumentLines.h"

namespace qx::sim {

/// An SCPI bench power supply answering like an HP E3631A. Lines end with LF (CR is ignored).
/// Settings (VOLT, CURR, OUTP, SYST:REM) answer nothing; queries answer one line ending CR LF,
/// numbers as "+5.00000000E+00". Headers take the short or long form in any case. A command it
/// does not know, or a value out of range, is dropped and queued as an error for SYST:ERR?.
class SimPowerSupply final : public SimByteProtocol {
 public:
  static constexpr const char* kIdentity = "HEWLETT-PACKARD,E3631A,0,2.1-5.0-1.0";
  static constexpr double kMaxVolts = 25.75;
  static constexpr double kMaxAmps = 5.15;
  static constexpr size_t kErrorQueueDepth = 20;

  void Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) override;

  double SetVolts() const { return volts_; }
  double SetAmps() const { return amps_; }
  bool OutputOn() const { return outputOn_; }
  bool Remote() const { return remote_; }
  /// A resistive load on the output; infinite (open) by default, so no current flows; 0 is a
  /// short circuit.
  void SetLoadOhms(double ohms) { loadOhms_ = ohms; }
  /// What the terminals measure now: the load draws V/R up to the current limit.
  double MeasuredVolts() const;
  double MeasuredAmps() const;

  /// "+5.00000000E+00": how such supplies print numbers.
  static std::string Scientific(double value);

 private:
  /// Answer text of one command, empty when it answers nothing.
  std::string Execute(const std::string& line);
  void SetLevel(const std::string& argument, double max, double& level);
  void Error(const char* text);

  SimInstrumentLines lines_{'\n', '\r'};
  double volts_ = 0;
  double amps_ = 0;
  bool outputOn_ = false;
  bool remote_ = false;
  double loadOhms_ = std::numeric_limits<double>::infinity();
  std::deque<std::string> errors_;
};

}  // namespace qx::sim
