#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx::autotest {

// Numbers typed into the temperature window's boxes and grids. Blanks around the number are
// allowed, a leading "+" too; anything else in the text makes it no number at all.

/// A decimal number such as "-40.0", "2.4" or "1E3"; nothing for text, infinities and NaN.
std::optional<double> DecimalNumber(std::string_view text);
/// A whole decimal number such as "15" or "-3"; nothing for "2.5" or a value beyond 64 bits.
std::optional<int64_t> WholeNumber(std::string_view text);
/// 0-9, A-F or a-f.
constexpr bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
/// The characters of `text` that are hex digits (0-9, A-F, a-f), in order: what the list files
/// and the mode scan take from a cell or field.
std::string HexDigitsOf(std::string_view text);
/// The shortest decimal text that reads back as `value` ("2.4", "1000", "0.001").
std::string ShortestText(double value);

}  // namespace qx::autotest
