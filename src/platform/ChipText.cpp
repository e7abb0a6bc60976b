#include "platform/ChipText.h"

#include <cstdint>

#include "platform/Cp950Iconv.h"

namespace qx::platform {

namespace {
constexpr char kReplacement[] = "\xEF\xBF\xBD";
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= text.size()) return false;  // cut off at the end
    for (size_t k = 1; k <= n; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    const uint32_t minimum = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

std::string ChipTextToUtf8(std::string_view raw) {
  if (IsValidUtf8(raw)) return std::string(raw);
  const auto decoded = ConvertCp950(raw, false, [](std::string_view, std::string& out) {
    out += kReplacement;
    return size_t{1};
  });
  if (decoded) return *decoded;
  std::string ascii;
  for (char ch : raw)
    ascii += static_cast<unsigned char>(ch) < 0x80 ? std::string(1, ch) : kReplacement;
  return ascii;
}

}  // namespace qx::platform
