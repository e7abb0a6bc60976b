#include "platform/AnsiText.h"

#include <algorithm>

#include "platform/ChipText.h"
#include "platform/Cp950Iconv.h"

namespace qx::platform {

namespace {

/// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
size_t SequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text.front());
  const size_t n = lead < 0x80             ? 1
                   : (lead & 0xE0) == 0xC0 ? 2
                   : (lead & 0xF0) == 0xE0 ? 3
                   : (lead & 0xF8) == 0xF0 ? 4
                                           : 0;
  if (n == 0 || n > text.size() || !IsValidUtf8(text.substr(0, n))) return 0;
  return n;
}

/// One '?' for a whole character Big5 has no code for, one for each byte of a broken sequence.
size_t Question(std::string_view rest, std::string& out) {
  out += '?';
  return std::max<size_t>(SequenceLength(rest), 1);
}

}  // namespace

std::string ToCodePage950(std::string_view utf8) {
  if (std::all_of(utf8.begin(), utf8.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(utf8);
  if (auto big5 = ConvertCp950(utf8, true, Question)) return *std::move(big5);
  // Without a converter ASCII stays and everything else is '?'.
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80)
      out += utf8[i++];
    else
      i += Question(utf8.substr(i), out);
  }
  return out;
}

}  // namespace qx::platform
