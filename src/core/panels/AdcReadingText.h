#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qx::panels {

/// Display mode of the ADC panel's reading (`TXADCOMD`).
enum class ReadingMode { Hex = 0, Dec = 1 };

/// Formats the ADC panel's result field from the last conversion bytes. A conversion result
/// is 24 bits, high byte first; the panel shows its upper 23 bits scaled down to the chosen
/// resolution.
class AdcReadingText {
 public:
  /// Resolution items "8" .. "23".
  static constexpr int kResolutionItems = 16;

  /// 2^(15 - item): 32768 for 8 bits down to 1 for 23 bits; 0 for an item out of range.
  static int32_t Divisor(int item);
  /// The result field. HEX shows the unsigned 23-bit value, DEC the signed one (negative when
  /// the high byte has bit 7 set), both divided by `divisor` (truncated towards zero). A
  /// divisor of 0 (no resolution chosen yet) shows the value undivided.
  static std::string Result(const std::array<uint8_t, 3>& bytes, ReadingMode mode, int32_t divisor);
  /// The temperature word (high byte first), undivided.
  static std::string Word(uint8_t high, uint8_t low, ReadingMode mode);
};

}  // namespace qx::panels
