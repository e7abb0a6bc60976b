#include "platform/ChipText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

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
  iconv_t cd = iconv_open("UTF-8", "CP950");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "BIG5");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::string ascii;
    for (char ch : raw)
      ascii += static_cast<unsigned char>(ch) < 0x80 ? std::string(1, ch) : kReplacement;
    return ascii;
  }
  std::string out;
  std::string in(raw);
  char* src = in.data();
  size_t left = in.size();
  char buffer[256];
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: replace one byte and go on.
      out += kReplacement;
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace qx::platform
