#include "sim/SimCalibrator.h"

#include <cmath>

#include "sim/SimInstrumentText.h"

namespace qx::sim {

namespace {

constexpr const char* kOk = "OK";
constexpr const char* kUnknown = "ERROR: Unknown command";
constexpr const char* kBadArgument = "ERROR: Bad parameter";
constexpr const char* kOutOfRange = "ERROR: Out of range";
constexpr const char* kTooLong = "ERROR: Line too long";

std::optional<double> VoltScale(const std::string& unit) {
  if (unit == "V") return 1.0;
  if (unit == "MV") return 1e-3;
  if (unit == "UV") return 1e-6;
  return std::nullopt;
}

}  // namespace

void SimCalibrator::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  for (const SimInstrumentLines::Line& line : lines_.Take(in)) {
    const std::string_view command = text::Trim(line.text);
    // A bare CR ends a command sent in two writes, or is a stray one: nothing to answer.
    if (command.empty() && !line.tooLong) continue;
    const std::string answer = line.tooLong ? kTooLong : Execute(std::string(command));
    out.insert(out.end(), answer.begin(), answer.end());
    out.push_back('\r');
  }
}

std::string SimCalibrator::Execute(const std::string& line) {
  const std::string upper = text::Upper(line);
  const size_t space = upper.find_first_of(" \t");
  const std::string head = upper.substr(0, space);
  const std::string_view args = space == std::string::npos
                                    ? std::string_view()
                                    : text::Trim(std::string_view(upper).substr(space));

  if (head == "*IDN?" && args.empty()) return kIdentity;
  if (head == "*OPT" || head == "*OPT?") return args.empty() ? kOptions : kBadArgument;
  if (head == "STBY" || head == "OPER") {
    if (!args.empty()) return kBadArgument;
    operating_ = head == "OPER";
    everOperated_ = everOperated_ || operating_;
    Drive();
    return kOk;
  }
  if (head == "RANGELCK") {
    if (args != "ON" && args != "OFF") return kBadArgument;
    rangeLocked_ = args == "ON";
    return kOk;
  }
  if (head == "OUT") return Output(std::string(args));
  return kUnknown;
}

std::string SimCalibrator::Output(const std::string& arguments) {
  // "<number>[ ]<unit>[ , <number>[ ]HZ]", already upper case.
  std::string_view s = arguments;
  const size_t comma = s.find(',');
  std::string_view level = text::Trim(s.substr(0, comma));
  const std::optional<double> value = text::TakeNumber(level);
  if (!value) return kBadArgument;
  const std::optional<double> scale = VoltScale(std::string(text::Trim(level)));
  if (!scale) return kBadArgument;
  double hertz = 0;
  if (comma != std::string_view::npos) {
    std::string_view freq = text::Trim(s.substr(comma + 1));
    const std::optional<double> f = text::TakeNumber(freq);
    if (!f || text::Trim(freq) != "HZ" || *f < 0) return kBadArgument;
    hertz = *f;
  }
  const double volts = *value * *scale;
  if (!std::isfinite(volts) || std::abs(volts) > kMaxVolts) return kOutOfRange;
  volts_ = volts;
  hertz_ = hertz;
  Drive();
  return kOk;
}

double SimCalibrator::OutputVolts() const {
  if (!operating_ || hertz_ > 0) return 0;
  return volts_;
}

void SimCalibrator::Drive() {
  if (everOperated_ && sink_) sink_(OutputVolts());
}

}  // namespace qx::sim
