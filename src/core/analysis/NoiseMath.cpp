#include "core/analysis/NoiseMath.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace qx::analysis {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<double> PositiveReferenceVolts(const std::string& text) {
  const std::string t = Trimmed(text);
  double v = 0;
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (!t.empty() && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, v);
  if (ec != std::errc() || ptr != end || !(v > 0) || !std::isfinite(v)) return std::nullopt;
  return v;
}

double ReferenceVolts(const std::string& text) {
  return PositiveReferenceVolts(text).value_or(kFallbackReferenceVolts);
}

std::string ReferenceNotice(const std::string& text) {
  if (PositiveReferenceVolts(text)) return {};
  return "Ref Volt \"" + text + "\" is not a positive number: the figures use " +
         FixedText(kFallbackReferenceVolts) + " V";
}

int WindowLength(const std::string& text) {
  const std::string t = Trimmed(text);
  int v = 0;
  const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || ptr != t.data() + t.size() || v <= 0) return 1;
  return v;
}

int AveragingFactor(int index) {
  return index >= 0 && index <= 5 ? 1 << index : 1;
}

int CodeDivisor(int index) {
  return index >= 0 && index <= 15 ? 1 << (15 - index) : 1;
}

double FullScale(int bits, double gain, bool temperature) {
  if (temperature) return std::ldexp(1.0, 23) * 4;
  return std::ldexp(1.0, bits - 1) * gain;
}

double BitsAbove(int bits, double spread, double sigma) {
  if (!(sigma > 0)) return bits;
  return bits - std::log(spread) / std::log(2.0);
}

int64_t PeakToPeakCodes(double minimum, double maximum, int divisor, bool temperature) {
  const double d = divisor > 0 ? divisor : 1;
  const double scale = temperature ? 256.0 : 1.0;
  // nearbyint follows the default rounding mode: to nearest, ties to even.
  const auto hi = static_cast<int64_t>(std::nearbyint(maximum * scale / d));
  const auto lo = static_cast<int64_t>(std::nearbyint(minimum * scale / d));
  const int64_t p = hi > lo ? hi - lo : lo - hi;
  return p == 0 ? 1 : p;
}

int LargestPowerOfTwo(int n) {
  if (n < 1) return 0;
  int p = 1;
  while (p <= n / 2) p *= 2;
  return p;
}

int64_t ChartCode(double value, int divisor) {
  const int64_t d = divisor > 0 ? divisor : 1;
  const auto v = static_cast<int64_t>(std::floor(value));
  if (value >= 8388608.0) return -((0x1000000 - v) / d);
  return v / d;
}

std::string FixedText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace qx::analysis
