#include "core/instruments/InstrumentSelect.h"

#include <cstdio>
#include <string_view>

#include "core/instruments/ChamberFrame.h"
#include "core/instruments/MeterFrame.h"

namespace qx::instruments {

namespace {

constexpr uint16_t kChamberProbeAddress = 0x0010;
constexpr std::string_view kPowerMaker = "HEWLETT-PACKARD";

base::LineSettings Line(uint16_t stopBits) {
  base::LineSettings s;
  s.baudRate = 9600;
  s.byteSize = 8;
  s.parity = base::Parity::None;
  s.stopBits = stopBits;
  return s;
}

std::string ReadingText(const MeterReading& r) {
  char value[32];
  std::snprintf(value, sizeof value, "%.7g", r.value);
  std::string text = value;
  const std::string unit = MeterFrame::UnitText(r.flagA, r.flagB);
  if (!unit.empty()) text += " " + unit;
  return text;
}

}  // namespace

std::string InstrumentSelect::NotFound(const std::string& instrument,
                                       const std::string& portName) const {
  const std::string text = instrument + " Uart  not  found";
  if (portName.empty()) return text + ": no port chosen; choose one in its list first";
  const std::string why = provider_.LastOpenError();
  return text + ": " + portName + (why.empty() ? "" : " (" + why + ")");
}

std::unique_ptr<base::SerialPort> InstrumentSelect::Open(DevcRS232& port, const std::string& name) {
  port.Release();
  port.PortName = name;
  return provider_.Open(name);
}

void InstrumentSelect::Write(DevcRS232& port, std::string_view bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const std::span<const uint8_t> span(data, bytes.size());
  if (ports_.trace) ports_.trace(port.PortName, true, span);
  port.Handle->Write(span);
}

bool InstrumentSelect::FlukeSelectClick(const std::string& portName) {
  DevcRS232& port = ports_.FlukePort;
  if (port.Selected) {
    host_.SetStatus(1, "Fluke 已經設定");
    return true;
  }
  port.Handle = Open(port, portName);
  if (!port.Handle) {
    host_.SetStatus(1, NotFound("Fluke", portName));
    return false;
  }
  port.Handle->Configure(Line(0));
  port.Handle->DiscardInput();
  ports_.PortWriteText(port, "*OPT");
  ports_.PortWriteText(port, "\r");
  clock_.WaitMs(500);
  ports_.TxBuffer.fill(0);
  ports_.PortReadLine(port);
  // The calibrator is taken on trust: its answer to *OPT depends on the options fitted.
  port.Selected = true;
  host_.SetStatus(1, "Successful Select Fluke In " + portName);
  return true;
}

bool InstrumentSelect::PowerSelectClick(const std::string& portName) {
  DevcRS232& port = ports_.PowerPort;
  if (port.Selected) {
    host_.SetStatus(1, "Power Supply 已經設定");
    return true;
  }
  port.Handle = Open(port, portName);
  if (!port.Handle) {
    host_.SetStatus(1, NotFound("Power Supply", portName));
    return false;
  }
  port.Handle->Configure(Line(2));
  // Toggling DTR wakes the supply's RS-232 interface; what it sent meanwhile is noise.
  port.Handle->SetDtr(false);
  port.Handle->DiscardInput();
  port.Handle->SetDtr(true);
  Write(port, "SYST:REM\r\n");
  std::string reply;
  bool answered = false;
  for (const char* command : {"VOLT 0.0", "CURR 0.0", "OUTP OFF", "*IDN?"})
    answered = ports_.PowerCommand(port, command, reply);
  if (!answered || reply.size() <= 8 || std::string_view(reply).substr(0, 15) != kPowerMaker) {
    host_.SetStatus(1, "Fail Select Power Supply " + portName);
    host_.ShowError(kNotPowerSupply);
    port.Release();
    return false;
  }
  port.Selected = true;
  host_.SetStatus(1, "Successful Select Power Supply In " + portName);
  return true;
}

bool InstrumentSelect::PowerAttach(const std::string& portName) {
  DevcRS232& port = ports_.PowerPort;
  port.Handle = Open(port, portName);
  if (!port.Handle) {
    host_.SetStatus(1, NotFound("Power Supply", portName));
    return false;
  }
  port.Handle->Configure(Line(2));
  port.Handle->SetDtr(true);  // the supply talks only while DTR is on
  return true;
}

bool InstrumentSelect::FlukeAttach(const std::string& portName) {
  DevcRS232& port = ports_.FlukePort;
  port.Handle = Open(port, portName);
  if (!port.Handle) {
    host_.SetStatus(1, NotFound("Fluke", portName));
    return false;
  }
  port.Handle->Configure(Line(0));
  return true;
}

bool InstrumentSelect::ChamberSelectClick(const std::string& portName) {
  DevcRS232& port = ports_.ChamberPort;
  if (port.Selected) {
    host_.SetStatus(1, "Chamber 已經設定");
    return true;
  }
  port.Handle = Open(port, portName);
  if (!port.Handle) {
    host_.SetStatus(1, NotFound("Chamber", portName));
    return false;
  }
  const std::optional<base::LineSettings> kept = port.Handle->CurrentSettings();
  port.Handle->Configure(Line(0));
  const bool answered = ports_.ChamberRead(kChamberProbeAddress, 1);
  const std::span<const uint8_t> reply(ports_.RxBuffer.data(), ports_.RxCount);
  if (!answered || !ChamberFrame::IsOk(reply)) {
    host_.SetStatus(1, "Fail Select Chamber " + portName);
    host_.ShowError(kNotChamber);
    // Whatever else lives on that port gets its line back as it was.
    if (kept) port.Handle->Configure(*kept);
    port.Release();
    return false;
  }
  port.Selected = true;
  port.BaudRate = 9600;
  port.ByteSize = 8;
  port.Parity = 0;
  host_.SetStatus(1, "Successful Select Chamber In " + portName);
  return true;
}

bool InstrumentSelect::MeterSelect(size_t index, const std::string& portName) {
  if (index >= InstrumentPorts::kMeterCount) return false;
  DevcRS232& port = ports_.MeterPorts[index];
  const std::string meter = "Meter " + std::to_string(index + 1);
  if (portName.empty()) {
    port.Release();
    port.PortName.clear();
    meterText_[index].clear();
    return false;
  }
  // A second press on the same port takes a fresh reading without reopening it.
  if (!port.IsOpen() || port.PortName != portName) {
    port.Handle = Open(port, portName);
    if (!port.Handle) {
      meterText_[index] = "not found";
      host_.SetStatus(1, NotFound(meter, portName));
      return false;
    }
    port.Handle->Configure(Line(0));
  }
  size_t count = 0;
  if (!ports_.MeterExchange(index, count)) {
    meterText_[index] = "no answer";
    host_.SetStatus(1, "Fail Select " + meter + " " + portName);
    port.Release();
    return false;
  }
  const MeterReading reading = MeterFrame::Decode(ports_.MeterReply);
  meterText_[index] = reading.error ? "unreadable" : ReadingText(reading);
  port.Selected = true;
  host_.SetStatus(1, "Successful Select " + meter + " In " + portName);
  return true;
}

}  // namespace qx::instruments
