#include "core/panels/AdcReadingText.h"

#include "core/chip/TextConvert.h"

namespace qx::panels {

int32_t AdcReadingText::Divisor(int item) {
  if (item < 0 || item >= kResolutionItems) return 0;
  return int32_t{1} << (15 - item);
}

std::string AdcReadingText::Result(const std::array<uint8_t, 3>& bytes, ReadingMode mode,
                                   int32_t divisor) {
  const int32_t d = divisor > 0 ? divisor : 1;
  const int32_t h = ((int32_t{bytes[0]} << 16) | (int32_t{bytes[1]} << 8) | bytes[2]) >> 1;
  if (mode == ReadingMode::Hex) return chip::HexTextShort(static_cast<uint32_t>(h / d));
  const int32_t s = bytes[0] >= 0x80 ? h - 8388608 : h;
  return std::to_string(s / d);
}

std::string AdcReadingText::Word(uint8_t high, uint8_t low, ReadingMode mode) {
  const uint32_t t = static_cast<uint32_t>(high) * 256u + low;
  return mode == ReadingMode::Hex ? chip::HexTextShort(t) : std::to_string(t);
}

}  // namespace qx::panels
