#include "core/remote/ScpiFormat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

namespace qx::remote::format {

std::string Number(double value) {
  if (std::isnan(value)) return "9.91E+37";  // the standard's not-a-number
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  out.push_back('"');
  return out;
}

std::string Block(std::string_view bytes) {
  // Appended piece by piece: GCC 12 at -O3 takes the chain of "+" for an overlapping copy.
  const std::string length = std::to_string(bytes.size());
  std::string out;
  out.reserve(2 + length.size() + bytes.size());
  out.push_back('#');
  out.push_back(static_cast<char>('0' + length.size()));
  out.append(length);
  out.append(bytes);
  return out;
}

namespace {

template <typename T>
void Append(std::string& out, T bits, bool swapped) {
  constexpr int n = sizeof(T);
  for (int i = 0; i < n; ++i) {
    const int shift = 8 * (swapped ? i : n - 1 - i);
    out.push_back(static_cast<char>((bits >> shift) & 0xFF));
  }
}

int32_t ToInt32(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

}  // namespace

std::string Values(std::span<const double> values, const ScpiDataFormat& f) {
  std::string out;
  if (f.type == ScpiDataFormat::Type::Ascii) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) out.push_back(',');
      out += Number(values[i]);
    }
    return out;
  }
  for (const double v : values) {
    if (f.type == ScpiDataFormat::Type::Int32)
      Append(out, static_cast<uint32_t>(ToInt32(v)), f.swapped);
    else
      Append(out, std::bit_cast<uint64_t>(v), f.swapped);
  }
  return Block(out);
}

std::optional<double> SuffixScale(std::string_view suffix, std::string_view unit) {
  auto upper = [](std::string_view s) {
    std::string u(s);
    for (char& c : u)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
  };
  const std::string s = upper(suffix);
  const std::string u = upper(unit);
  if (u.empty() || s.size() < u.size() || s.compare(s.size() - u.size(), u.size(), u) != 0)
    return std::nullopt;
  const std::string prefix = s.substr(0, s.size() - u.size());
  if (prefix.empty()) return 1.0;
  // Hertz and ohm take M as mega: nobody means millihertz or milliohm.
  if (prefix == "M" && (u == "HZ" || u == "OHM")) return 1e6;
  static const std::pair<const char*, double> kPrefixes[] = {
      {"EX", 1e18}, {"PE", 1e15}, {"T", 1e12}, {"G", 1e9},   {"MA", 1e6},  {"K", 1e3},
      {"M", 1e-3},  {"U", 1e-6},  {"N", 1e-9}, {"P", 1e-12}, {"F", 1e-15}, {"A", 1e-18}};
  for (const auto& [p, scale] : kPrefixes)
    if (prefix == p) return scale;
  return std::nullopt;
}

}  // namespace qx::remote::format
