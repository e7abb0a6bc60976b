#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qx::chip {

/// One chip file line cut into pieces. Slot 1 holds the comment part (from the first double
/// quote or semicolon to the end), slots 2 and 3 are unused, slots 4..32 hold words 1..29.
/// Positions are 1-based; a start of 0 marks an empty slot.
struct ChipLine {
  static constexpr int kMaxText = 160;
  static constexpr int kSlots = 32;
  static constexpr int kCommentSlot = 1;
  static constexpr int kFirstWordSlot = 4;
  static constexpr int kMaxWords = kSlots - kFirstWordSlot + 1;  // 29

  std::string text;  ///< upper-cased line, at most kMaxText characters
  std::array<uint8_t, kSlots + 1> start{};
  std::array<uint8_t, kSlots + 1> length{};
  bool droppedWords = false;  ///< the line held more than kMaxWords words; the rest were dropped
};

/// Builds a line record: ASCII upper case, cut after 160 characters, tokenised.
ChipLine MakeChipLine(std::string_view raw);

/// Fills the slots of `line` from its text (the text is cut to 160 characters first).
void CutLIPara(ChipLine& line);

/// The piece in `slot` (1..32); the empty text for an empty or out-of-range slot.
std::string GetToken(const ChipLine& line, int slot);

/// Word n (1-based) of the line: slot n + 3.
inline std::string Word(const ChipLine& line, int n) {
  return GetToken(line, n + ChipLine::kFirstWordSlot - 1);
}

/// Number of consecutive non-empty word slots from word 1 (0..29).
int WordCount(const ChipLine& line);

/// True when the line holds a double quote or semicolon.
inline bool HasComment(const ChipLine& line) {
  return line.start[ChipLine::kCommentSlot] != 0;
}

/// Directive number 1..38 of a chip file keyword (exact, upper case), 255 for anything else.
uint16_t IsPseudo(std::string_view word);

/// True when `text` reads as text of the bench PCs' files: valid UTF-8, or code page 950
/// (Big5) whose every lead byte 81-FE has a trail byte 40-7E or A1-FE. Anything else would
/// show as replacement characters or a blank entry.
bool IsAnsiText(std::string_view text);

}  // namespace qx::chip
