#include "core/instruments/StepTraffic.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace qx::instruments {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// The power-supply delay field: whole milliseconds; anything else is the 500 ms default.
int DelayMs(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return 500;
  return value;
}

}  // namespace

bool StepTraffic::PowerStep(const StepTable& power, int row, const std::string& delayText) {
  DevcRS232& port = ports_.PowerPort;
  if (!power.Enabled(row) || !port.Selected) return false;
  const std::string& command = power.Command(row);
  std::string reply;
  // A supply that answers nothing to a setting gets it a second time, as the bench always did.
  if (!ports_.PowerCommand(port, command, reply)) ports_.PowerCommand(port, command, reply);
  if (!StartsWithNoCase(command, "OUTP OFF")) {
    if (!ports_.PowerCommand(port, "OUTP ON", reply)) ports_.PowerCommand(port, "OUTP ON", reply);
  }
  clock_.WaitMs(DelayMs(delayText));
  // Panel 0 belongs to the link state; the supply's step goes beside the run's other steps.
  host_.SetStatus(1, "Power supply, step " + std::to_string(row) + ": " + command);
  return true;
}

bool StepTraffic::FlukeStep(const StepTable& fluke, int row, bool keepOperating) {
  DevcRS232& port = ports_.FlukePort;
  if (!fluke.Enabled(row) || !port.Selected) return false;
  const std::string& command = fluke.Command(row);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!keepOperating) {
      ports_.PortWriteText(port, "STBY");
      ports_.PortWriteText(port, "\r");
    }
    ports_.PortWriteText(port, command);
    ports_.PortWriteText(port, "\r");
    clock_.WaitMs(500);
    ports_.TxBuffer.fill(0);
    const size_t n = ports_.PortReadLine(port);
    if (n > 0) {
      lastLine_ = ports_.LineText(n);
      host_.SetStatus(2, lastLine_);
      return true;
    }
  }
  lastLine_.clear();
  host_.SetStatus(2, "Fluke: no reply to " + command);
  return false;
}

bool StepTraffic::FlukeOperStep(const StepTable& fluke, int row) {
  if (!fluke.Enabled(row) || !ports_.FlukePort.Selected) return false;
  if (StartsWithNoCase(fluke.Command(row), "STBY")) return false;
  return FlukeOperate() || FlukeOperate();
}

bool StepTraffic::FlukeCommand(const std::string& text) {
  DevcRS232& port = ports_.FlukePort;
  ports_.PortWriteText(port, text);
  ports_.PortWriteText(port, "\r");
  clock_.WaitMs(500);
  ports_.TxBuffer.fill(0);
  const size_t n = ports_.PortReadLine(port);
  lastLine_ = ports_.LineText(n);
  host_.SetStatus(2, n > 0 ? lastLine_ : "Fluke: no reply to " + text);
  return n > 0;
}

}  // namespace qx::instruments
