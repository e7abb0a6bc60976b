#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/Clock.h"
#include "core/base/Host.h"
#include "core/base/SerialPort.h"
#include "core/instruments/InstrumentPorts.h"

namespace qx::instruments {

/// Finds the bench instruments on their serial ports: the Select buttons of the setup dialog.
/// Results go to status panel 1; a port that answers as something else also gets a message box.
/// An instrument, once selected, stays selected for the run.
class InstrumentSelect {
 public:
  static constexpr char kNotPowerSupply[] = "此通道連接的不是Power Supply!!";
  static constexpr char kNotChamber[] = "此通道連接的不是溫控廂!!";

  InstrumentSelect(InstrumentPorts& ports, base::SerialPortProvider& provider, base::Clock& clock,
                   base::Host& host)
      : ports_(ports), provider_(provider), clock_(clock), host_(host) {}

  /// "*OPT" to the calibrator; any port that opens selects it (the reply is not checked).
  bool FlukeSelectClick(const std::string& portName);
  /// SYST:REM, then "*IDN?" must answer "HEWLETT-PACKARD..." (more than 8 characters).
  bool PowerSelectClick(const std::string& portName);
  /// Opens the power supply's port with its line settings for a command of the user's own, and
  /// sends nothing: unlike PowerSelectClick there is no reset, so a live supply keeps its
  /// output. False, with "Power Supply Uart  not  found" in panel 1, when the port does not open.
  bool PowerAttach(const std::string& portName);
  /// The calibrator's port likewise, without the "*OPT" of FlukeSelectClick.
  bool FlukeAttach(const std::string& portName);
  /// Reads word 0x0010; the controller must answer STX ... "OK". A failed probe restores the
  /// port's line settings before releasing it.
  bool ChamberSelectClick(const std::string& portName);
  /// Meter `index` (0 to 5) on `portName` (9600 8N1): selected when a request gets a complete
  /// frame. An empty name releases the meter. The reading shows in MeterText.
  bool MeterSelect(size_t index, const std::string& portName);
  /// "value unit" of the reading taken when the meter was selected, or why it was not.
  const std::string& MeterText(size_t index) const { return meterText_.at(index); }

 private:
  /// Releases the record, names it and opens the new port (nullptr when it does not open).
  std::unique_ptr<base::SerialPort> Open(DevcRS232& port, const std::string& name);
  /// "<instrument> Uart  not  found", then the port and why it did not open, or that no port
  /// was chosen.
  std::string NotFound(const std::string& instrument, const std::string& portName) const;
  /// Raw bytes to an open port, seen by the trace like every other exchange.
  void Write(DevcRS232& port, std::string_view bytes);

  InstrumentPorts& ports_;
  base::SerialPortProvider& provider_;
  base::Clock& clock_;
  base::Host& host_;
  std::array<std::string, InstrumentPorts::kMeterCount> meterText_;
};

}  // namespace qx::instruments
