#include "platform/Cp950Iconv.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace qx::platform {

std::optional<std::string> ConvertCp950(std::string_view text, bool toCodePage,
                                        const Cp950Replace& replace) {
  const auto open = [toCodePage](const char* codePage) {
    return toCodePage ? iconv_open(codePage, "UTF-8") : iconv_open("UTF-8", codePage);
  };
  iconv_t cd = open("CP950");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = open("BIG5");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string in(text);
  char* src = in.data();
  size_t left = in.size();
  char buffer[256];
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid, unconvertible or cut-off sequence: replace it and go on.
      const size_t skip = std::clamp<size_t>(replace(std::string_view(src, left), out), 1, left);
      src += skip;
      left -= skip;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace qx::platform
