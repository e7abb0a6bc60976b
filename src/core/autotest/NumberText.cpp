#include "core/autotest/NumberText.h"

#include <charconv>
#include <cmath>

namespace qx::autotest {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // from_chars takes no plus sign; a sign followed by another sign stays an error.
  if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
    text.remove_prefix(1);
  return text;
}

}  // namespace

std::optional<double> DecimalNumber(std::string_view text) {
  text = Trimmed(text);
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int64_t> WholeNumber(std::string_view text) {
  text = Trimmed(text);
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string HexDigitsOf(std::string_view text) {
  std::string digits;
  for (char c : text)
    if (IsHexDigit(c)) digits += c;
  return digits;
}

std::string ShortestText(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buf[32];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

}  // namespace qx::autotest
