// libFuzzer target: arbitrary bytes as a chip description string. What is shown is always
// well-formed UTF-8, text that already is UTF-8 is shown unchanged, and the validity check
// agrees with the table of well-formed byte sequences of the Unicode standard.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ChipText.h"

namespace {

/// Well-formed UTF-8 by the byte ranges of Unicode's table 3-7.
bool WellFormed(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  auto in = [](unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; };
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    size_t len;
    unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c <= 0x7F) {
      ++i;
      continue;
    } else if (in(c, 0xC2, 0xDF)) {
      len = 2;
    } else if (c == 0xE0) {
      len = 3, lo = 0xA0;
    } else if (in(c, 0xE1, 0xEC) || in(c, 0xEE, 0xEF)) {
      len = 3;
    } else if (c == 0xED) {
      len = 3, hi = 0x9F;
    } else if (c == 0xF0) {
      len = 4, lo = 0x90;
    } else if (in(c, 0xF1, 0xF3)) {
      len = 4;
    } else if (c == 0xF4) {
      len = 4, hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n || !in(s[i + 1], lo, hi)) return false;
    for (size_t k = 2; k < len; ++k) {
      if (!in(s[i + k], 0x80, 0xBF)) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const bool valid = qx::platform::IsValidUtf8(raw);
  if (valid != WellFormed(raw)) __builtin_trap();
  const std::string shown = qx::platform::ChipTextToUtf8(raw);
  if (!WellFormed(shown)) __builtin_trap();
  if (valid && shown != raw) __builtin_trap();
  return 0;
}
