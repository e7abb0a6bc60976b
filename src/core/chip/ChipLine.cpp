#include "core/chip/ChipLine.h"

#include <iterator>

namespace qx::chip {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Directive numbers are positions in this table, starting at 1.
constexpr std::string_view kDirectives[] = {
    "#PRODUCT",     "#COMPILER",     "#ID",           "#ROM",       "#REG0",       "#REG1",
    "#RAMBANK0",    "#RAMBANK1",     "#RAMBANK2",     "#RAMBANK3",  "#RAMBANK4",   "#REGBIT",
    "#REGBIT1",     "#REGBIT2",      "#REGBIT3",      "#REGBYTE",   "#REGWORD",    "#REG3BYTE",
    "#STACK",       "#SBMADDR",      "#SIMIC",        "#REGBITSTR", "#REGBYTESTR", "#REGWORDSTR",
    "#REGBITSTRCN", "#REGBYTESTRCN", "#REGWORDSTRCN", "#ADC0S",     "#OP0S",       "#CMP0S",
    "#PGAINDEX",    "#GAININDEX",    "#FLUKE",        "#POWER",     "#ENOB",       "#CONTINUE",
    "#CHAMBER",     "#REGISTERTEST",
};

bool IsUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t more = 0;
    if (c < 0x80) {
      more = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
    } else {
      return false;
    }
    if (i + more >= s.size() && more > 0) return false;
    for (size_t k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

// ASCII letters only. In a Big5 line the second byte of a character may be an ASCII letter
// and must stay as it is, so lead bytes take their trail byte along.
void UpperCase(std::string& text, bool big5) {
  for (size_t i = 0; i < text.size(); ++i) {
    char& c = text[i];
    if (big5 && static_cast<unsigned char>(c) >= 0x81) {
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

}  // namespace

bool IsAnsiText(std::string_view text) {
  if (IsUtf8(text)) return true;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 >= text.size()) return false;
    const auto t = static_cast<unsigned char>(text[++i]);
    if (!((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE))) return false;
  }
  return true;
}

ChipLine MakeChipLine(std::string_view raw) {
  ChipLine line;
  const size_t n = raw.size() < ChipLine::kMaxText ? raw.size() : ChipLine::kMaxText;
  line.text.assign(raw.substr(0, n));
  // Judged on the whole line: the cut may split a UTF-8 character.
  UpperCase(line.text, !IsUtf8(raw));
  CutLIPara(line);
  return line;
}

void CutLIPara(ChipLine& line) {
  line.start.fill(0);
  line.length.fill(0);
  line.droppedWords = false;
  if (line.text.size() > ChipLine::kMaxText) line.text.resize(ChipLine::kMaxText);

  const std::string& t = line.text;
  size_t end = t.size();
  const size_t p = t.find_first_of("\";");
  if (p != std::string::npos) {
    line.start[ChipLine::kCommentSlot] = static_cast<uint8_t>(p + 1);
    line.length[ChipLine::kCommentSlot] = static_cast<uint8_t>(t.size() - p);
    end = p;
  }

  int slot = ChipLine::kFirstWordSlot;
  size_t i = 0;
  while (i < end) {
    while (i < end && IsBlank(t[i])) ++i;
    if (i >= end) break;
    const size_t begin = i;
    while (i < end && !IsBlank(t[i])) ++i;
    if (slot > ChipLine::kSlots) {
      line.droppedWords = true;
      break;
    }
    line.start[slot] = static_cast<uint8_t>(begin + 1);
    line.length[slot] = static_cast<uint8_t>(i - begin);
    ++slot;
  }
}

std::string GetToken(const ChipLine& line, int slot) {
  if (slot < 1 || slot > ChipLine::kSlots) return {};
  const size_t s = line.start[slot];
  if (s == 0 || s > line.text.size()) return {};
  return line.text.substr(s - 1, line.length[slot]);
}

int WordCount(const ChipLine& line) {
  int n = 0;
  for (int slot = ChipLine::kFirstWordSlot; slot <= ChipLine::kSlots; ++slot) {
    if (line.start[slot] == 0) break;
    ++n;
  }
  return n;
}

uint16_t IsPseudo(std::string_view word) {
  for (size_t i = 0; i < std::size(kDirectives); ++i) {
    if (kDirectives[i] == word) return static_cast<uint16_t>(i + 1);
  }
  return 255;
}

}  // namespace qx::chip
