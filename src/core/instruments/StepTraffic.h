#pragma once

#include <string>

#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/instruments/InstrumentPorts.h"
#include "core/instruments/StepTable.h"

namespace qx::instruments {

/// How a row of the step tables becomes instrument traffic, for mode `row` of the temperature
/// test. Each step does nothing unless its row is enabled and its instrument is Selected.
class StepTraffic {
 public:
  StepTraffic(InstrumentPorts& ports, base::Clock& clock, base::Host& host)
      : ports_(ports), clock_(clock), host_(host) {}

  /// Power-supply step: the row's command (once more without a reply), then "OUTP ON" the same
  /// way unless the command begins with "OUTP OFF" (any case), then `delayText` milliseconds
  /// (500 when not a number); "Step - command" in status panel 0. True when the row was sent.
  bool PowerStep(const StepTable& power, int row, const std::string& delayText);
  /// Calibrator step: up to two attempts, stopping at the first that returns a line: "STBY"
  /// (unless `keepOperating`), the row's command, 500 ms, the reply line to status panel 2.
  /// True when a line came.
  bool FlukeStep(const StepTable& fluke, int row, bool keepOperating);
  /// After the register writes: "OPER" (once more without a reply) unless the row's command
  /// begins with "STBY" (any case). True when "OPER" was answered.
  bool FlukeOperStep(const StepTable& fluke, int row);

  /// "STBY" CR, 500 ms, the reply line to status panel 2 (`FlukeSTBYClick`).
  bool FlukeStandby() { return FlukeCommand("STBY"); }
  /// "OPER" CR, the same; true when a line came (`FlukeOPER`).
  bool FlukeOperate() { return FlukeCommand("OPER"); }
  /// `text` CR, 500 ms, read a line; the line goes to status panel 2. True when a line came.
  bool FlukeCommand(const std::string& text);
  /// The last calibrator line read.
  const std::string& LastFlukeLine() const { return lastLine_; }

 private:
  InstrumentPorts& ports_;
  base::Clock& clock_;
  base::Host& host_;
  std::string lastLine_;
};

}  // namespace qx::instruments
