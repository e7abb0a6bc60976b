#include <gtest/gtest.h>

#include "core/panels/AdcReadingText.h"
#include "core/panels/AdcTexts.h"
#include "core/panels/OpTexts.h"

namespace qx::panels {
namespace {

TEST(AdcTexts, RateTextForEveryOsrAndHs) {
  const std::array<const char*, 8> normal = {
      "ADC_CK = 2560sps", "ADC_CK = 1280sps", "ADC_CK = 640sps", "ADC_CK = 320sps",
      "ADC_CK = 160sps",  "ADC_CK = 80sps",   "ADC_CK = 40sps",  "ADC_CK = 10sps"};
  const std::array<const char*, 8> fast = {
      "ADC_CK = 7680sps", "ADC_CK = 3840sps", "ADC_CK = 1920sps", "ADC_CK = 960sps",
      "ADC_CK = 480sps",  "ADC_CK = 240sps",  "ADC_CK = 120sps",  "ADC_CK = 30sps"};
  for (int osr = 0; osr < 8; ++osr) {
    EXPECT_EQ(AdcTexts::RateText(osr, 0), normal[static_cast<size_t>(osr)]) << osr;
    EXPECT_EQ(AdcTexts::RateText(osr, 1), fast[static_cast<size_t>(osr)]) << osr;
    // Any HS other than 0 is the high-speed column.
    EXPECT_EQ(AdcTexts::RateText(osr, 3), fast[static_cast<size_t>(osr)]) << osr;
  }
  EXPECT_EQ(AdcTexts::RateText(8, 0), "ADC_CK = 2560sps");
  EXPECT_EQ(AdcTexts::RateText(255, 1), "ADC_CK = 7680sps");
}

TEST(AdcTexts, OffsetTextForEveryDcset) {
  const std::array<const char*, 16> texts = {
      "0*VRE", "+1/8*VRE", "+1/4*VRE", "+3/8*VRE", "+1/2*VRE", "+4/8*VRE", "+3/4*VRE", "+7/8*VRE",
      "0*VRE", "-1/8*VRE", "-1/4*VRE", "-3/8*VRE", "-1/2*VRE", "-4/8*VRE", "-3/4*VRE", "-7/8*VRE"};
  for (int v = 0; v < 16; ++v)
    EXPECT_EQ(AdcTexts::OffsetText(v), texts[static_cast<size_t>(v)]) << v;
  EXPECT_EQ(AdcTexts::OffsetText(16), "-7/8*VRE");
  EXPECT_EQ(AdcTexts::OffsetText(200), "-7/8*VRE");
}

TEST(AdcTexts, ReferenceSchematicStates) {
  struct Case {
    int value;
    ReferenceState state;
  };
  const Case cases[] = {
      {0, {0, true}}, {1, {1, false}}, {2, {0, false}}, {3, {2, false}}, {4, {0, true}},
  };
  for (const Case& c : cases) EXPECT_EQ(AdcTexts::Reference(c.value), c.state) << c.value;
}

TEST(AdcTexts, ClockLabelsGainsAndSwitchTexts) {
  EXPECT_STREQ(AdcTexts::ClockLabel(0), "LOSCS2");
  EXPECT_STREQ(AdcTexts::ClockLabel(1), "LOSCS3");
  EXPECT_STREQ(AdcTexts::ClockLabel(2), "LOSCS0");
  EXPECT_STREQ(AdcTexts::ClockLabel(3), "LOSCS1");
  EXPECT_STREQ(AdcTexts::ClockLabel(9), "LOSCS1");

  const std::array<uint8_t, 8> pga{1, 2, 4, 8, 16, 32, 64, 128};
  EXPECT_EQ(AdcTexts::PgaText(6, pga), "x 64");
  EXPECT_EQ(AdcTexts::PgaText(12, pga), "x 128");
  const std::array<uint8_t, 4> adgn{1, 2, 4, 8};
  EXPECT_EQ(AdcTexts::AdgnText(1, adgn), "ADGN = 2");
  EXPECT_EQ(AdcTexts::AdgnText(7, adgn), "ADGN = 8");

  EXPECT_EQ(AdcTexts::FrbText(1), "FRb = 1/2");
  EXPECT_EQ(AdcTexts::FrbText(0), "FRb = full");
  EXPECT_EQ(AdcTexts::RefoText(1), "1.5V");
  EXPECT_EQ(AdcTexts::RefoText(0), "1.2V");
}

TEST(AdcReadingText, DivisorPerResolutionItem) {
  EXPECT_EQ(AdcReadingText::Divisor(0), 32768);
  EXPECT_EQ(AdcReadingText::Divisor(7), 256);
  EXPECT_EQ(AdcReadingText::Divisor(15), 1);
  EXPECT_EQ(AdcReadingText::Divisor(16), 0);
  EXPECT_EQ(AdcReadingText::Divisor(-1), 0);
}

TEST(AdcReadingText, ResultInHexAndDecimal) {
  struct Case {
    std::array<uint8_t, 3> bytes;
    ReadingMode mode;
    int32_t divisor;
    const char* text;
  };
  const Case cases[] = {
      {{0xFF, 0xFF, 0xFF}, ReadingMode::Dec, 1, "-1"},
      {{0xFF, 0xFF, 0xFF}, ReadingMode::Hex, 1, "7FFFFF"},
      {{0x00, 0x00, 0x01}, ReadingMode::Hex, 1, "0"},
      {{0x12, 0x34, 0x56}, ReadingMode::Hex, 1, "91A2B"},
      {{0x12, 0x34, 0x56}, ReadingMode::Dec, 256, "2330"},
      {{0x80, 0x00, 0x00}, ReadingMode::Dec, 1, "-4194304"},
      // Truncated towards zero, not floored.
      {{0xFF, 0xFF, 0xFF}, ReadingMode::Dec, 256, "0"},
      {{0xFF, 0xFE, 0x00}, ReadingMode::Dec, 256, "-1"},
      {{0x7F, 0xFF, 0xFF}, ReadingMode::Dec, 32768, "127"},
      // No resolution chosen yet: shown undivided instead of dividing by zero.
      {{0x12, 0x34, 0x56}, ReadingMode::Dec, 0, "596523"},
      {{0xFF, 0xFF, 0xFF}, ReadingMode::Hex, 0, "7FFFFF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AdcReadingText::Result(c.bytes, c.mode, c.divisor), c.text)
        << int(c.bytes[0]) << " " << c.divisor;
  EXPECT_EQ(AdcReadingText::Word(0x19, 0x00, ReadingMode::Hex), "1900");
  EXPECT_EQ(AdcReadingText::Word(0x19, 0x00, ReadingMode::Dec), "6400");
  EXPECT_EQ(AdcReadingText::Word(0x00, 0x00, ReadingMode::Hex), "0");
}

TEST(OpTexts, ModesSupplyAndThresholds) {
  EXPECT_EQ(OpTexts::ModeText(0), "Chopper HS_DCK/32");
  EXPECT_EQ(OpTexts::ModeText(1), "Chopper HS_DCK/64");
  EXPECT_EQ(OpTexts::ModeText(2), "Offset Position");
  EXPECT_EQ(OpTexts::ModeText(3), "Offset Negative");
  EXPECT_FALSE(OpTexts::ModeText(4).has_value());

  const std::array<std::string, 4> names{"2.4V", "2.7V", "3.0V", "3.3V"};
  EXPECT_EQ(OpTexts::VddaText(1, 2, names), "VDDA = 3.0V V");
  EXPECT_EQ(OpTexts::VddaText(1, 6, names), "VDDA = 3.0V V") << "only two bits select a level";
  for (int level = 0; level < 4; ++level)
    EXPECT_EQ(OpTexts::VddaText(0, level, names), "VDDA = External");

  const std::array<const char*, 16> thresholds = {
      "Floating",       "VR0 = 62.5mV",  "VR1 = 125mV",    "VR2 = 187.5mV",
      "VR3 = 250mV",    "VR4 = 312.5mV", "VR5 = 375mV",    "VR6 = 437.5mV",
      "VR7 = 562.5mV",  "VR9 = 625mV",   "VR9 = 687.5mV",  "VR10 = 750mV",
      "VR11 = 812.5mV", "VR12 = 875mV",  "VR13 = 937.5mV", "VCP = 1000mV"};
  for (int k = 0; k < 16; ++k)
    EXPECT_EQ(OpTexts::ThresholdCaption(k), thresholds[static_cast<size_t>(k)]) << k;
  EXPECT_EQ(OpTexts::SourceCaption(2), "0.25 x VDD");
}

}  // namespace
}  // namespace qx::panels
