#include "core/chip/TextConvert.h"

#include <algorithm>

namespace qx::chip {

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsHexLetter(char c) {
  const char u = Upper(c);
  return u >= 'A' && u <= 'F';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char u = Upper(c);
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return 99;
}

// Accumulates in unsigned arithmetic so over-long words wrap instead of overflowing.
int32_t Accumulate(std::string_view digits, uint32_t base) {
  uint32_t v = 0;
  for (char c : digits) {
    const int d = DigitValue(c);
    if (d >= static_cast<int>(base)) return 0;
    v = v * base + static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>(v);
}

std::string PadLeft(std::string s, int digits) {
  if (digits > 0 && s.size() < static_cast<size_t>(digits)) {
    s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
  }
  return s;
}

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

int CharClass(char c) {
  if (c >= '0' && c <= '9') return 0;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return 1;
  return 2;
}

int32_t DecimalValue(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  const uint32_t v = static_cast<uint32_t>(Accumulate(text, 10));
  return static_cast<int32_t>(negative ? 0u - v : v);
}

int32_t HexValue(std::string_view text) {
  return Accumulate(text, 16);
}

int32_t BinaryValue(std::string_view text) {
  return Accumulate(text, 2);
}

bool IsSuspectBinary(std::string_view text) {
  int32_t value = 0;
  if (text.size() < 2 || (text.back() != 'B' && text.back() != 'b')) return false;
  if (!ParseNumber(text, value)) return false;
  return text.substr(0, text.size() - 1).find_first_not_of("01") != std::string_view::npos;
}

bool ParseNumber(std::string_view text, int32_t& value) {
  if (text.empty() || CharClass(text.front()) == 1) return false;
  enum Base { kNone = 0, kBin = 1, kDec = 2, kHex = 4 };
  int marked = kNone;
  bool suffix = false;
  const size_t last = text.size() - 1;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const int cls = CharClass(c);
    if (cls == 0) continue;
    if (i == 0 && (c == '-' || c == '+')) {
      marked |= kDec;
      continue;
    }
    if (i == last) {
      switch (Upper(c)) {
        case 'B':
          marked |= kBin;
          break;
        case 'D':
          marked |= kDec;
          break;
        case 'H':
          marked |= kHex;
          break;
        default:
          return false;
      }
      suffix = true;
      continue;
    }
    if (!IsHexLetter(c)) return false;
    marked |= kHex;
  }
  if (marked != kNone && marked != kBin && marked != kDec && marked != kHex) return false;
  if (marked == kHex && !suffix) return false;  // "1E5": hex letters need the H suffix

  std::string_view body = text;
  if (suffix) body.remove_suffix(1);
  std::string_view digits = body;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty()) return false;  // a bare sign or suffix holds no number
  // A binary word with other digits than 0 and 1 is a number that reads as 0; the chip loader
  // warns about it (IsSuspectBinary).

  switch (marked) {
    case kBin:
      value = BinaryValue(body);
      break;
    case kHex:
      value = HexValue(body);
      break;
    default:
      value = DecimalValue(body);
      break;  // "+12" converts to 0, as the tools always did
  }
  return true;
}

std::string HexText(uint32_t value, int digits) {
  uint32_t v = value & 0xFFFFu;
  std::string s;
  do {
    s.insert(s.begin(), kHexDigits[v & 0xFu]);
    v >>= 4;
  } while (v != 0);
  return PadLeft(std::move(s), digits);
}

std::string DecText(uint32_t value, int digits) {
  return PadLeft(std::to_string(value & 0xFFFFu), digits);
}

std::string HexTextShort(uint32_t value) {
  std::string s;
  bool started = false;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const uint32_t d = (value >> shift) & 0xFu;
    if (d != 0) started = true;
    if (started) s.push_back(kHexDigits[d]);
  }
  return started ? s : std::string("0");
}

Rect FitToScreen(Rect window, Rect screen) {
  window.width = std::min(window.width, screen.width);
  window.height = std::min(window.height, screen.height);
  if (window.left > screen.width) {
    window.left = screen.width - window.width;
  } else if (window.left > screen.width - 20) {
    window.left = screen.width - 20;
  }
  if (window.top > screen.height) {
    window.top = screen.height - window.height;
  } else if (window.top > screen.height - 20) {
    window.top = screen.height - 20;
  }
  return window;
}

}  // namespace qx::chip
