#pragma once

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace qx::sim::text {

/// Small text helpers of the simulated instruments' command parsers. Numbers are read without
/// the C locale (a GUI process may have set a locale with a decimal comma).

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

inline std::string Upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return u;
}

/// A decimal number ("600", "-1.5", "+2E-3") at the start of `s`; `s` keeps what follows.
inline std::optional<double> TakeNumber(std::string_view& s) {
  std::string_view rest = s;
  if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), v);
  if (ec != std::errc() || end == rest.data()) return std::nullopt;
  s = rest.substr(static_cast<size_t>(end - rest.data()));
  return v;
}

/// The whole of `s`, trimmed, as one number.
inline std::optional<double> Number(std::string_view s) {
  s = Trim(s);
  const std::optional<double> v = TakeNumber(s);
  if (!v || !s.empty()) return std::nullopt;
  return v;
}

}  // namespace qx::sim::text
