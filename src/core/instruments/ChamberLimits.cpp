#include "core/instruments/ChamberLimits.h"

#include <cmath>
#include <cstdio>

namespace qx::instruments {

std::string ChamberLimits::Refusal(int column, double value) {
  struct Range {
    const char* what;
    double low, high;
    const char* unit;
  };
  static constexpr Range kRanges[] = {
      {"temperature", kMinCelsius, kMaxCelsius, "°C"},
      {"humidity", kMinHumidity, kMaxHumidity, "%"},
      {"temperature ramp", 0, kMaxRate, "°C per minute"},
      {"humidity ramp", 0, kMaxRate, "% per minute"},
  };
  if (column < 1 || column > 4) return "no chamber set point in column " + std::to_string(column);
  const Range& r = kRanges[column - 1];
  if (std::isfinite(value) && value >= r.low && value <= r.high) return {};
  char text[160];
  std::snprintf(text, sizeof text, "%s %g is outside %g to %g %s", r.what, value, r.low, r.high,
                r.unit);
  return text;
}

}  // namespace qx::instruments
