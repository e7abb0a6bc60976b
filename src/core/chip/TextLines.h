#pragma once

#include <string_view>
#include <vector>

namespace qx::chip {

/// Splits file bytes into lines at CR LF, LF or CR, without the line ends. A UTF-8 byte order
/// mark at the start is dropped so that the first word of the file is still recognised.
inline std::vector<std::string_view> SplitLines(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::vector<std::string_view> lines;
  size_t begin = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n' && bytes[i] != '\r') continue;
    lines.push_back(bytes.substr(begin, i - begin));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  if (begin < bytes.size()) lines.push_back(bytes.substr(begin));
  return lines;
}

}  // namespace qx::chip
