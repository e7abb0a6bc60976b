#include "core/analysis/NoiseUnits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/analysis/NoiseMath.h"

namespace qx::analysis {

namespace {

struct UnitNames {
  NoiseUnit unit;
  const char* name;
  const char* key;
};

constexpr UnitNames kNames[] = {
    {NoiseUnit::Codes, "codes", "codes"},
    {NoiseUnit::Nanovolts, "nV", "nV"},
    {NoiseUnit::Microvolts, "\u00B5V", "uV"},
    {NoiseUnit::PpmFullScale, "ppm FS", "ppm"},
};

const UnitNames& Names(NoiseUnit unit) {
  for (const UnitNames& n : kNames)
    if (n.unit == unit) return n;
  return kNames[0];
}

constexpr int kCodeDecimals = 2;
constexpr int kSignificantDigits = 4;
constexpr int kMaxDecimals = 6;

}  // namespace

const char* NoiseUnitName(NoiseUnit unit) {
  return Names(unit).name;
}

const char* NoiseUnitKey(NoiseUnit unit) {
  return Names(unit).key;
}

std::optional<NoiseUnit> NoiseUnitFrom(std::string_view text) {
  for (const UnitNames& n : kNames)
    if (text == n.key || text == n.name) return n.unit;
  return std::nullopt;
}

double ConvertNoise(double codes, NoiseUnit unit, int bits, double referenceVolts, double gain) {
  const int b = bits == 0 ? 1 : bits;
  // The same operations in the same order as the nanovolt figures of the statistics, so a
  // figure converted here equals the one the capture computed.
  const double nanovolts = referenceVolts * 1e9 * codes / FullScale(b, gain, false);
  switch (unit) {
    case NoiseUnit::Codes:
      return codes;
    case NoiseUnit::Nanovolts:
      return nanovolts;
    case NoiseUnit::Microvolts:
      return nanovolts / 1000.0;
    case NoiseUnit::PpmFullScale:
      return codes * 1e6 / std::ldexp(1.0, b);
  }
  return codes;
}

std::string FormatNoise(double value, NoiseUnit unit) {
  const std::string name = NoiseUnitName(unit);
  if (!std::isfinite(value)) return "n/a " + name;
  int decimals = kCodeDecimals;
  if (unit != NoiseUnit::Codes && value != 0) {
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    decimals = std::clamp(kSignificantDigits - 1 - magnitude, 0, kMaxDecimals);
  }
  if (value == 0) value = 0;  // no "-0.00"
  char buf[64];
  const auto [ptr, ec] =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "n/a " + name;
  return std::string(buf, ptr) + " " + name;
}

}  // namespace qx::analysis
