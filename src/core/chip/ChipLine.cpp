#include "core/chip/ChipLine.h"

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

}  // namespace

ChipLine MakeChipLine(std::string_view raw) {
  ChipLine line;
  const size_t n = raw.size() < ChipLine::kMaxText ? raw.size() : ChipLine::kMaxText;
  line.text.assign(raw.substr(0, n));
  // ASCII only: bytes of UTF-8 or Big5 text are left as they are.
  for (char& c : line.text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
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
