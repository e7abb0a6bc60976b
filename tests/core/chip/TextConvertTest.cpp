#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/chip/TextConvert.h"

namespace qx::chip {
namespace {

struct NumberCase {
  const char* text;
  bool ok;
  int32_t value;
};

TEST(ParseNumber, SyntaxTable) {
  const NumberCase cases[] = {
      {"0", true, 0},
      {"12", true, 12},
      {"12D", true, 12},
      {"12d", true, 12},
      {"-12", true, -12},
      {"-12D", true, -12},
      {"0FFH", true, 255},
      {"0ffh", true, 255},
      {"3FFH", true, 1023},
      {"0BH", true, 11},  // B inside a hex word is a digit, not the binary
                          // suffix
      {"101B", true, 5},
      {"0B", true, 0},
      {"+12", true, 0},  // a leading plus passes but
                         // converts to 0
      {"FFH", false, 0},
      {"12A", false, 0},
      {"-1AH", false, 0},
      {"-101B", false, 0},
      {"1E5", false, 0},  // hex letters without the H suffix
      {"1AD", false, 0},
      {"1AB", false, 0},
      {"12B", true, 0},  // binary syntax; the digit 2 makes it read as 0
                         // 1
      {"", false, 0},
      {"-", false, 0},
      {"H", false, 0},
      {"-D", false, 0},
      {"1-2", false, 0},
      {"12-", false, 0},
      {"1.5", false, 0},
      {"12X", false, 0},
      {"A", false, 0},
      {"1 2", false, 0},
  };
  for (const NumberCase& c : cases) {
    int32_t v = 777;
    EXPECT_EQ(ParseNumber(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : 777) << c.text;  // a failed parse leaves the value alone
  }
}

TEST(ParseNumber, LongWordsWrapInsteadOfOverflowing) {
  int32_t v = 0;
  ASSERT_TRUE(ParseNumber("4294967297", v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(ParseNumber("0FFFFFFFFFH", v));
  EXPECT_EQ(v, -1);
  ASSERT_TRUE(ParseNumber(std::string(200, '9'), v));
}

TEST(TextConvert, DigitReaders) {
  EXPECT_EQ(DecimalValue("1234"), 1234);
  EXPECT_EQ(DecimalValue("-77"), -77);
  EXPECT_EQ(DecimalValue("12-"), 0);
  EXPECT_EQ(DecimalValue("+5"), 0);
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(HexValue("3aF"), 0x3AF);
  EXPECT_EQ(HexValue("1G"), 0);
  EXPECT_EQ(BinaryValue("1101"), 13);
  EXPECT_EQ(BinaryValue("102"), 0);
}

TEST(TextConvert, CharClass) {
  EXPECT_EQ(CharClass('0'), 0);
  EXPECT_EQ(CharClass('9'), 0);
  EXPECT_EQ(CharClass('a'), 1);
  EXPECT_EQ(CharClass('Z'), 1);
  EXPECT_EQ(CharClass('-'), 2);
  EXPECT_EQ(CharClass(' '), 2);
  EXPECT_EQ(CharClass('\xB0'), 2);
}

TEST(TextConvert, HexAndDecimalText) {
  EXPECT_EQ(HexText(0x3A, 4), "003A");
  EXPECT_EQ(HexText(0, 2), "00");
  EXPECT_EQ(HexText(0, 0), "0");
  EXPECT_EQ(HexText(0x12345, 2), "2345");
  EXPECT_EQ(HexText(0xABCD, 2), "ABCD");
  EXPECT_EQ(HexText(0xF, 3), "00F");
  EXPECT_EQ(DecText(7, 3), "007");
  EXPECT_EQ(DecText(12345, 2), "12345");
  EXPECT_EQ(DecText(0xFFFFFFFFu, 0), "65535");
  EXPECT_EQ(DecText(0x10005u, 1), "5");
  EXPECT_EQ(HexTextShort(0), "0");
  EXPECT_EQ(HexTextShort(0x1F0), "1F0");
  EXPECT_EQ(HexTextShort(0xDEADBEEFu), "DEADBEEF");
  EXPECT_EQ(HexTextShort(0x10000000u), "10000000");
  EXPECT_EQ(RamFileSize(), 512);
}

TEST(FitToScreen, LimitsSizeAndPullsWindowsBack) {
  const Rect screen{0, 0, 1024, 768};
  // Too large: shrunk to the screen.
  EXPECT_EQ(FitToScreen({10, 10, 2000, 900}, screen), (Rect{10, 10, 1024, 768}));
  // Left edge beyond the screen: right-aligned.
  EXPECT_EQ(FitToScreen({1100, 100, 300, 200}, screen), (Rect{724, 100, 300, 200}));
  // Left edge in the last 20 pixels: a 20-pixel strip stays reachable.
  EXPECT_EQ(FitToScreen({1010, 100, 300, 200}, screen), (Rect{1004, 100, 300, 200}));
  // The same rules for the top edge.
  EXPECT_EQ(FitToScreen({100, 800, 300, 200}, screen), (Rect{100, 568, 300, 200}));
  EXPECT_EQ(FitToScreen({100, 750, 300, 200}, screen), (Rect{100, 748, 300, 200}));
  // Already visible: unchanged.
  EXPECT_EQ(FitToScreen({100, 100, 300, 200}, screen), (Rect{100, 100, 300, 200}));
}

}  // namespace
}  // namespace qx::chip
