#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/chip/Rect.h"

namespace qx::chip {

// Number and text conversions shared by the chip file parser and the views. Numbers are 32-bit
// and wrap like the target tools' integers; no input can make them overflow into UB.

/// Parses a chip-file number: decimal ("-12", "12D"), hexadecimal ("0FFH") or binary ("101B").
/// On failure `value` is left as it was.
bool ParseNumber(std::string_view text, int32_t& value);
/// A word with the binary suffix whose digits are not all 0 and 1 ("12B"): a number that
/// reads as 0, which a file author rarely means.
bool IsSuspectBinary(std::string_view text);

/// Digits 0-9, with "-" allowed as the first character; anything else gives 0.
int32_t DecimalValue(std::string_view text);
/// Digits 0-9, A-F, a-f; anything else gives 0.
int32_t HexValue(std::string_view text);
/// Digits 0 and 1; anything else gives 0.
int32_t BinaryValue(std::string_view text);

/// 0 for a decimal digit, 1 for an ASCII letter, 2 for anything else.
int CharClass(char c);

/// Lowest 16 bits in upper-case hex without leading zeros, left-padded with "0" to `digits`.
std::string HexText(uint32_t value, int digits);
/// The value as 16-bit unsigned decimal, left-padded with "0" to `digits`.
std::string DecText(uint32_t value, int digits);
/// The 32-bit value in upper-case hex without leading zeros ("0" for 0).
std::string HexTextShort(uint32_t value);

/// Keeps a window reachable on a screen of `screen.width` x `screen.height`.
Rect FitToScreen(Rect window, Rect screen);

/// Data memory cells covered by RAM files and the RAM view's marks.
constexpr int RamFileSize() {
  return 512;
}

}  // namespace qx::chip
