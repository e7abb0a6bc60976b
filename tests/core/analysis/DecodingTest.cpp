#include <gtest/gtest.h>

#include "core/analysis/NoiseMath.h"
#include "core/analysis/SlotDecoder.h"
#include "core/analysis/SlotFile.h"

namespace qx::analysis {
namespace {

struct DecodeCase {
  uint32_t slot;
  uint8_t mode;
  bool halving, fullWidth;
  int divisor;
  int32_t raw, code;
};

TEST(SlotDecoder, Table) {
  const DecodeCase cases[] = {
      {0xFFFFFF, kModeAdc, true, false, 1, -1, -1},
      {0xFFFFFF, kModeAdc, false, true, 1, -1, -1},
      {0x800000, kModeAdc, true, false, 1, -4194304, -4194304},
      {0x800000, kModeAdc, false, true, 1, -8388608, -8388608},
      {0x800000, kModeAdc, false, false, 1, -4194304, -4194304},  // negatives always halve
      {0x7FFFFF, kModeAdc, true, false, 1, 4194303, 4194303},
      {0x7FFFFF, kModeInterrupt, false, true, 1, 8388607, 8388607},
      {0x7FFFFF, kModeAdc, false, false, 256, 8388607, 32767},
      {0xFFFFFD, kModeAdc, false, true, 2, -3, -1},  // magnitude truncated, not floored
      {0xFFFFFA, kModeAdc, false, false, 2, -3, -1},
      {0x000007, kModeAdc, false, false, 2, 7, 3},
      {0x12345F, kModeTemperature, false, false, 1, 0x1234, 0x1234},  // third byte ignored
      {0xFF00AA, kModeTemperature, true, false, 1, 0x7F80, 0x7F80},
  };
  for (const DecodeCase& c : cases) {
    const DecodedSlot d = DecodeSlot(c.slot, c.mode, c.halving, c.fullWidth, c.divisor);
    EXPECT_EQ(d.raw, c.raw) << std::hex << c.slot << " mode " << int{c.mode};
    EXPECT_EQ(d.code, c.code) << std::hex << c.slot << " mode " << int{c.mode};
  }
}

TEST(NoiseMath, ReferenceTextDefaults) {
  EXPECT_EQ(ReferenceVolts("2.4"), 2.4);
  EXPECT_EQ(ReferenceVolts(" 3.3 "), 3.3);
  EXPECT_EQ(ReferenceVolts("abc"), 1.2);
  EXPECT_EQ(ReferenceVolts("0"), 1.2);
  EXPECT_EQ(ReferenceVolts(""), 1.2);
  EXPECT_EQ(ReferenceVolts("2.4V"), 1.2);
  EXPECT_EQ(ReferenceVolts("2.4") * 1e9, 2.4e9);
  // A negative reference would make every nanovolt figure negative.
  EXPECT_EQ(ReferenceVolts("-2.4"), 1.2);
  EXPECT_EQ(ReferenceVolts("inf"), 1.2);
}

TEST(NoiseMath, ReferenceNoticeNamesTheTextThatIsNoPositiveNumber) {
  for (const char* good : {"2.4", " 3.3 ", "+1.25", "1e-3"})
    EXPECT_EQ(ReferenceNotice(good), "") << good;
  EXPECT_EQ(ReferenceNotice("abc"),
            "Ref Volt \"abc\" is not a positive number: the figures use 1.20 V");
  for (const char* bad : {"", "0", "-2.4", "2.4V", "nan", "1e400"})
    EXPECT_NE(ReferenceNotice(bad), "") << bad;
}

TEST(NoiseMath, ListItems) {
  EXPECT_EQ(WindowLength("16"), 16);
  EXPECT_EQ(WindowLength("0"), 1);
  EXPECT_EQ(WindowLength("x"), 1);
  EXPECT_EQ(AveragingFactor(-1), 1);
  EXPECT_EQ(AveragingFactor(5), 32);
  EXPECT_EQ(CodeDivisor(0), 32768);
  EXPECT_EQ(CodeDivisor(15), 1);
}

TEST(NoiseMath, PeakToPeakRoundsHalfToEvenAndIsAtLeastOne) {
  EXPECT_EQ(PeakToPeakCodes(0, 5, 2, false), 2);  // round(2.5) = 2
  EXPECT_EQ(PeakToPeakCodes(0, 7, 2, false), 4);  // round(3.5) = 4
  EXPECT_EQ(PeakToPeakCodes(-3, 3, 2, false), 4);
  EXPECT_EQ(PeakToPeakCodes(9, 9, 1, false), 1);
  EXPECT_EQ(PeakToPeakCodes(0, 1, 1, true), 256);
}

TEST(NoiseMath, PowersOfTwoAndChartCodes) {
  EXPECT_EQ(LargestPowerOfTwo(1000), 512);
  EXPECT_EQ(LargestPowerOfTwo(1024), 1024);
  EXPECT_EQ(LargestPowerOfTwo(12), 8);
  EXPECT_EQ(LargestPowerOfTwo(0), 0);
  EXPECT_EQ(ChartCode(8388608.0, 1), -8388608);
  EXPECT_EQ(ChartCode(16777215.0, 1), -1);
  EXPECT_EQ(ChartCode(-7.0, 2), -3);
  EXPECT_EQ(ChartCode(7.0, 2), 3);
  EXPECT_EQ(FixedText(572.2046), "572.20");
  EXPECT_EQ(FixedText(-0.005), "-0.01");
}

TEST(SlotFile, ParsesStreamOutputAndNamesTheBadLine) {
  std::vector<uint32_t> slots;
  std::string error;
  ASSERT_TRUE(SlotFile::Parse("00FF10\r\nfffffe\n\n7FFFFF", slots, error));
  EXPECT_EQ(slots, (std::vector<uint32_t>{0x00FF10, 0xFFFFFE, 0x7FFFFF}));
  EXPECT_FALSE(SlotFile::Parse("000001\n00001\n", slots, error));
  EXPECT_EQ(error, "line 2: not six hexadecimal digits");
  EXPECT_FALSE(SlotFile::Parse("00000G\n", slots, error));
  EXPECT_EQ(error, "line 1: not six hexadecimal digits");
  EXPECT_TRUE(SlotFile::Parse("", slots, error));
  EXPECT_TRUE(slots.empty());
}

}  // namespace
}  // namespace qx::analysis
