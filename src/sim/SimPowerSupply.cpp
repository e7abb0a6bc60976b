#include "sim/SimPowerSupply.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "sim/SimInstrumentText.h"

namespace qx::sim {

namespace {

constexpr const char* kUndefinedHeader = "-113,\"Undefined header\"";
constexpr const char* kOutOfRange = "-222,\"Data out of range\"";
constexpr const char* kBadData = "-104,\"Data type error\"";
constexpr const char* kNoError = "+0,\"No error\"";

/// SCPI mnemonics: a node may be written short, long or anything in between, in any case.
constexpr std::array<std::pair<const char*, const char*>, 9> kMnemonics{{
    {"VOLT", "VOLTAGE"},
    {"CURR", "CURRENT"},
    {"OUTP", "OUTPUT"},
    {"MEAS", "MEASURE"},
    {"SYST", "SYSTEM"},
    {"REM", "REMOTE"},
    {"LOC", "LOCAL"},
    {"ERR", "ERROR"},
    {"STAT", "STATE"},
}};

/// The header with every node in its short form: "system:remote" becomes "SYST:REM".
std::string CanonicalHeader(const std::string& header) {
  std::string canonical;
  size_t start = 0;
  while (start <= header.size()) {
    const size_t colon = std::min(header.find(':', start), header.size());
    std::string node = text::Upper(std::string_view(header).substr(start, colon - start));
    const bool query = !node.empty() && node.back() == '?';
    if (query) node.pop_back();
    for (const auto& [shortForm, longForm] : kMnemonics) {
      const std::string_view whole(longForm);
      if (node.size() >= std::string_view(shortForm).size() && whole.starts_with(node)) {
        node = shortForm;
        break;
      }
    }
    if (start > 0) canonical += ':';
    canonical += node;
    if (query) canonical += '?';
    start = colon + 1;
  }
  return canonical;
}

}  // namespace

void SimPowerSupply::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  for (const SimInstrumentLines::Line& line : lines_.Take(in)) {
    if (line.tooLong) {
      Error(kUndefinedHeader);
      continue;
    }
    const std::string answer = Execute(std::string(text::Trim(line.text)));
    if (answer.empty()) continue;
    out.insert(out.end(), answer.begin(), answer.end());
    out.push_back('\r');
    out.push_back('\n');
  }
}

std::string SimPowerSupply::Execute(const std::string& line) {
  if (line.empty()) return {};
  const size_t space = line.find_first_of(" \t");
  const std::string header = CanonicalHeader(line.substr(0, space));
  const std::string argument = space == std::string::npos
                                   ? ""
                                   : text::Upper(text::Trim(std::string_view(line).substr(space)));
  const bool noArgument = argument.empty();

  if (header == "*IDN?" && noArgument) return kIdentity;
  if (header == "*RST" && noArgument) {
    volts_ = amps_ = 0;
    outputOn_ = false;
    return {};
  }
  if ((header == "SYST:REM" || header == "SYST:LOC") && noArgument) {
    remote_ = header == "SYST:REM";
    return {};
  }
  if (header == "SYST:ERR?" && noArgument) {
    if (errors_.empty()) return kNoError;
    std::string e = std::move(errors_.front());
    errors_.pop_front();
    return e;
  }
  if (header == "VOLT" || header == "CURR") {
    SetLevel(argument, header == "VOLT" ? kMaxVolts : kMaxAmps, header == "VOLT" ? volts_ : amps_);
    return {};
  }
  if (header == "VOLT?" && noArgument) return Scientific(volts_);
  if (header == "CURR?" && noArgument) return Scientific(amps_);
  if ((header == "OUTP" || header == "OUTP:STAT") && !noArgument) {
    if (argument == "ON" || argument == "1") {
      outputOn_ = true;
    } else if (argument == "OFF" || argument == "0") {
      outputOn_ = false;
    } else {
      Error(kBadData);
    }
    return {};
  }
  if ((header == "OUTP?" || header == "OUTP:STAT?") && noArgument) return outputOn_ ? "1" : "0";
  if ((header == "MEAS:VOLT?" || header == "MEAS:VOLT:DC?") && noArgument) {
    return Scientific(MeasuredVolts());
  }
  if ((header == "MEAS:CURR?" || header == "MEAS:CURR:DC?") && noArgument) {
    return Scientific(MeasuredAmps());
  }
  Error(kUndefinedHeader);
  return {};
}

void SimPowerSupply::SetLevel(const std::string& argument, double max, double& level) {
  const std::optional<double> v = text::Number(argument);
  if (!v) {
    Error(kBadData);
  } else if (!(*v >= 0 && *v <= max)) {
    Error(kOutOfRange);
  } else {
    level = *v;
  }
}

void SimPowerSupply::Error(const char* text) {
  if (errors_.size() < kErrorQueueDepth) errors_.emplace_back(text);
}

double SimPowerSupply::MeasuredAmps() const {
  if (!outputOn_) return 0;
  if (!(loadOhms_ > 0)) return amps_;  // a short circuit draws the current limit
  return std::min(volts_ / loadOhms_, amps_);
}

double SimPowerSupply::MeasuredVolts() const {
  if (!outputOn_ || !(loadOhms_ > 0)) return 0;
  // In constant-current mode the load's voltage is what the current limit lets through.
  if (loadOhms_ > 0 && std::isfinite(loadOhms_) && volts_ / loadOhms_ > amps_) {
    return amps_ * loadOhms_;
  }
  return volts_;
}

std::string SimPowerSupply::Scientific(double value) {
  // to_chars, not printf: a GUI process may run with a decimal-comma locale.
  std::array<char, 40> digits{};
  const auto printed = std::to_chars(digits.data(), digits.data() + digits.size(), std::abs(value),
                                     std::chars_format::scientific, 8);
  std::string text = std::signbit(value) && value != 0 ? "-" : "+";
  text.append(digits.data(), printed.ptr);
  std::replace(text.begin(), text.end(), 'e', 'E');
  return text;
}

}  // namespace qx::sim
