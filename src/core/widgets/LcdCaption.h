#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qx::widgets {

/// Segment codes of the seven-segment display and their patterns (bit 0 segment a ... bit 6
/// segment g, bit 7 the point).
class LcdCaption {
 public:
  static constexpr int kMaxDigits = 10;
  static constexpr uint8_t kPoint = 10;
  static constexpr uint8_t kBlank = 11;
  static constexpr uint8_t kFirstLetter = 12;
  static constexpr uint8_t kMinus = 38;
  static constexpr std::array<uint8_t, 39> kPatterns{
      0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F, 0x80, 0x00, 0x77,
      0x7C, 0x39, 0x5E, 0x79, 0x71, 0x6F, 0x76, 0x04, 0x0E, 0x70, 0x38, 0x57, 0x54,
      0x5C, 0x73, 0x67, 0x50, 0x6D, 0x78, 0x1C, 0x3E, 0x3E, 0x76, 0x6E, 0x5B, 0x40};

  /// Code of one caption character in text mode.
  static uint8_t CharCode(char c);
  static uint8_t Pattern(uint8_t code) { return code < kPatterns.size() ? kPatterns[code] : 0; }

  /// Text mode: right-aligned with blank leading cells; a longer caption shows its first
  /// `digits` characters.
  static std::vector<uint8_t> EncodeText(const std::string& caption, int digits);
  /// Number mode: a whole decimal number, zero-padded to `digits` places with the leading
  /// zeros blanked except the last `dotCount` + 1 places, and the minus in the cell before the
  /// first shown digit. A number that does not fit (no cell left for its minus, or more digits
  /// than cells) shows a minus in every cell.
  static std::vector<uint8_t> EncodeNumber(const std::string& caption, int digits, int dotCount);
};

}  // namespace qx::widgets
