#include "core/widgets/LcdCaption.h"

namespace qx::widgets {

uint8_t LcdCaption::CharCode(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c == ':' || c == '.') return kPoint;
  if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(kFirstLetter + (c - 'A'));
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(kFirstLetter + (c - 'a'));
  if (c == '-') return kMinus;
  return kBlank;
}

std::vector<uint8_t> LcdCaption::EncodeText(const std::string& caption, int digits) {
  const size_t n = digits > 0 ? static_cast<size_t>(digits) : 0;
  std::vector<uint8_t> codes(n, kBlank);
  const size_t shown = caption.size() < n ? caption.size() : n;
  const size_t first = n - shown;
  for (size_t i = 0; i < shown; ++i) codes[first + i] = CharCode(caption[i]);
  return codes;
}

std::vector<uint8_t> LcdCaption::EncodeNumber(const std::string& caption, int digits,
                                              int dotCount) {
  const size_t n = digits > 0 ? static_cast<size_t>(digits) : 0;
  const bool negative = !caption.empty() && caption[0] == '-';
  const std::string body = negative ? caption.substr(1) : caption;
  if (body.size() > n) return std::vector<uint8_t>(n, kMinus);

  std::string padded = std::string(n - body.size(), '0') + body;
  std::vector<uint8_t> codes(n, kBlank);
  for (size_t i = 0; i < n; ++i) codes[i] = CharCode(padded[i]);

  const long keep = static_cast<long>(dotCount) + 1;
  size_t firstShown = 0;
  if (keep < static_cast<long>(n)) {
    const size_t blankable = n - static_cast<size_t>(keep);
    while (firstShown < blankable && padded[firstShown] == '0') codes[firstShown++] = kBlank;
  }
  if (negative) {
    if (firstShown == 0) return std::vector<uint8_t>(n, kMinus);
    codes[firstShown - 1] = kMinus;
  }
  return codes;
}

}  // namespace qx::widgets
