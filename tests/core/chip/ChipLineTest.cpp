#include <gtest/gtest.h>

#include <string>

#include "core/chip/ChipLine.h"

namespace qx::chip {
namespace {

TEST(ChipLine, SplitsWordsAndComment) {
  const ChipLine line = MakeChipLine("  085h\tStatus  - x ; the status \"reg\"");
  EXPECT_EQ(WordCount(line), 4);
  EXPECT_EQ(Word(line, 1), "085H");
  EXPECT_EQ(Word(line, 2), "STATUS");
  EXPECT_EQ(Word(line, 3), "-");
  EXPECT_EQ(Word(line, 4), "X");
  EXPECT_EQ(Word(line, 5), "");
  EXPECT_TRUE(HasComment(line));
  EXPECT_EQ(GetToken(line, 1), "; THE STATUS \"REG\"");
  EXPECT_EQ(line.start[1], 20);
  EXPECT_EQ(line.start[4], 3);
  EXPECT_EQ(line.length[4], 4);
  // Slots 2 and 3 are never used; out-of-range slots read empty.
  EXPECT_EQ(GetToken(line, 2), "");
  EXPECT_EQ(GetToken(line, 3), "");
  EXPECT_EQ(GetToken(line, 0), "");
  EXPECT_EQ(GetToken(line, 33), "");
  EXPECT_EQ(GetToken(line, -5), "");
}

TEST(ChipLine, QuoteAtStartLeavesNoWords) {
  const ChipLine line = MakeChipLine("\"Text; with words\"");
  EXPECT_EQ(WordCount(line), 0);
  EXPECT_TRUE(HasComment(line));
  EXPECT_EQ(line.start[1], 1);
  EXPECT_EQ(line.length[1], 18);
  const ChipLine plain = MakeChipLine("A B");
  EXPECT_FALSE(HasComment(plain));
  EXPECT_EQ(WordCount(MakeChipLine("")), 0);
  EXPECT_EQ(WordCount(MakeChipLine(" \t ")), 0);
}

TEST(ChipLine, TextIsCutAfter160Characters) {
  std::string raw(158, 'a');
  raw += " bcdef";
  const ChipLine line = MakeChipLine(raw);
  EXPECT_EQ(line.text.size(), 160u);
  EXPECT_EQ(WordCount(line), 2);
  EXPECT_EQ(Word(line, 1), std::string(158, 'A'));
  EXPECT_EQ(Word(line, 2), "B");
  // A quote past the cut is not seen.
  EXPECT_FALSE(HasComment(MakeChipLine(std::string(170, 'x') + "\"")));
}

TEST(ChipLine, AtMost29WordsAreKept) {
  std::string raw;
  for (int i = 1; i <= 31; ++i) raw += std::to_string(i) + " ";
  const ChipLine line = MakeChipLine(raw);
  EXPECT_EQ(WordCount(line), 29);
  EXPECT_EQ(Word(line, 29), "29");
  EXPECT_EQ(Word(line, 30), "");
  EXPECT_TRUE(line.droppedWords);

  std::string exact;
  for (int i = 1; i <= 29; ++i) exact += "W ";
  EXPECT_EQ(WordCount(MakeChipLine(exact)), 29);
  EXPECT_FALSE(MakeChipLine(exact).droppedWords);
}

TEST(ChipLine, UpperCasesAsciiOnly) {
  // UTF-8: multi-byte characters pass, ASCII around them is upper-cased.
  const ChipLine utf8 = MakeChipLine(
      "r\xE7\x8B\x80"
      "a b");
  EXPECT_EQ(Word(utf8, 1),
            "R\xE7\x8B\x80"
            "A");
  EXPECT_EQ(Word(utf8, 2), "B");
  // Big5: the trail byte 0x61 of the character A5 61 is not the letter 'a'.
  const ChipLine big5 = MakeChipLine("x\xA5\x61y \xA4\x40z");
  EXPECT_EQ(Word(big5, 1), "X\xA5\x61Y");
  EXPECT_EQ(Word(big5, 2), "\xA4\x40Z");
  // A broken UTF-8 sequence makes the line Big5: E7 8B is one character, then a letter.
  EXPECT_EQ(Word(MakeChipLine("\xE7\x8B"
                              "a"),
                 1),
            "\xE7\x8B"
            "A");
}

TEST(ChipLine, CutLIParaOnACallerFilledRecord) {
  ChipLine line;
  line.text = std::string(300, 'Q');
  line.start.fill(99);
  CutLIPara(line);
  EXPECT_EQ(line.text.size(), 160u);
  EXPECT_EQ(WordCount(line), 1);
  EXPECT_EQ(line.start[1], 0);
  EXPECT_EQ(line.start[2], 0);
}

TEST(IsPseudo, DirectiveNumbers) {
  EXPECT_EQ(IsPseudo("#PRODUCT"), 1);
  EXPECT_EQ(IsPseudo("#REGBIT"), 12);
  EXPECT_EQ(IsPseudo("#REGBIT3"), 15);
  EXPECT_EQ(IsPseudo("#REGWORDSTRCN"), 27);
  EXPECT_EQ(IsPseudo("#ADC0S"), 28);
  EXPECT_EQ(IsPseudo("#GAININDEX"), 32);
  EXPECT_EQ(IsPseudo("#REGISTERTEST"), 38);
  EXPECT_EQ(IsPseudo("#product"), 255);  // callers upper-case first
  EXPECT_EQ(IsPseudo("#REGBIT4"), 255);
  EXPECT_EQ(IsPseudo("#REGBI"), 255);
  EXPECT_EQ(IsPseudo(""), 255);
}

}  // namespace
}  // namespace qx::chip
