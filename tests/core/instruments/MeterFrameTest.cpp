#include "core/instruments/MeterFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MeterReplyFrame.h"

namespace qx::instruments {
namespace {

using test::Bytes;
using test::MeterReplyFrame;

TEST(MeterFrameTest, RequestAndDelimiters) {
  const auto request = MeterFrame::Request();
  EXPECT_EQ(Bytes(request.begin(), request.end()), (Bytes{0x10, 0x02, 0, 0, 0, 0, 0x10, 0x03}));
  const Bytes noise{0x02, 0x10, 0x10, 0x02, 0x03, 0x10, 0x03};
  EXPECT_EQ(MeterFrame::FindStart(noise), 2u);
  EXPECT_EQ(MeterFrame::FindEnd(noise), 5u);
  EXPECT_EQ(MeterFrame::FindStart(Bytes{0x10}), MeterFrame::npos);
  EXPECT_EQ(MeterFrame::FindEnd(Bytes{0x03, 0x10}), MeterFrame::npos);
}

TEST(MeterFrameTest, DecodesTextPointSignAndExponent) {
  struct Case {
    const char text[9];
    char expSign;
    char expDigit;
    double value;
    const char* digits;
    int point;
  };
  const Case cases[] = {
      {" 1.2345 ", '+', '0', 1.2345, "12345", 1},
      {"-0.0123 ", '-', '3', -0.0000123, "00123", 1},
      {"+12.345 ", '+', '2', 1234.5, "12345", 2},
      {" 4 0 0  ", '-', '1', 40.0, "400", -1},  // spaces inside the text are dropped
      {" 12345. ", '*', '1', 1234.5, "12345", 5},
  };
  for (const Case& c : cases) {
    const MeterReading r =
        MeterFrame::Decode(MeterReplyFrame(0x04, 0x00, c.text, c.expSign, c.expDigit));
    EXPECT_FALSE(r.error) << c.text;
    EXPECT_NEAR(r.value, c.value, 1e-12 * std::max(1.0, std::abs(c.value))) << c.text;
    EXPECT_EQ(r.digits, c.digits) << c.text;
    EXPECT_EQ(r.pointPosition, c.point) << c.text;
    EXPECT_EQ(r.negative, c.text[0] == '-') << c.text;
    EXPECT_EQ(r.exponentPositive, c.expSign == '+') << c.text;
    EXPECT_EQ(r.flagA, 0x04);
  }
}

TEST(MeterFrameTest, OverloadReadsZeroWithoutError) {
  const MeterReading r = MeterFrame::Decode(MeterReplyFrame(0x80, 0x00, " O.L    ", '+', '6'));
  EXPECT_FALSE(r.error);
  EXPECT_EQ(r.value, 0.0);
  EXPECT_EQ(r.digits, "OL");
  EXPECT_EQ(r.pointPosition, 1);
  EXPECT_EQ(r.flagA, 0x80);
}

TEST(MeterFrameTest, BadTextShortReplyOrBadExponentIsAnError) {
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, " 1.2.3  ")).error);
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, " 1,25   ")).error);
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, " 12-    ")).error);
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, " 1.25   ", '+', 'x')).error);
  // A display holds no exponent: garbled text that reads as one, here scaled past the largest
  // double, is no reading (it was an infinite one).
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, "3989e299", '+', '6')).error);
  EXPECT_TRUE(MeterFrame::Decode(MeterReplyFrame(0, 0, " 1e2    ")).error);
  Bytes shortReply = MeterReplyFrame(0, 0, " 1.25   ");
  shortReply.pop_back();
  const MeterReading r = MeterFrame::Decode(shortReply);
  EXPECT_TRUE(r.error);
  EXPECT_EQ(r.value, 0.0);
  EXPECT_TRUE(MeterFrame::Decode({}).error);
}

TEST(MeterFrameTest, EveryFlagBitHasItsUnitText) {
  struct Case {
    uint8_t a;
    uint8_t b;
    const char* unit;
  };
  const Case cases[] = {
      {0x01, 0, "AC "},
      {0x02, 0, "DC "},
      {0x04, 0, "V"},
      {0x08, 0, "F"},
      {0x10, 0, "D"},
      {0x20, 0, "℃"},
      {0x40, 0, "℉"},
      {0x80, 0, "Ω"},
      {0x82, 0, "Ω"},
      {0, 0x01, ""},
      {0, 0x02, "A"},
      {0, 0x04, "Hz"},
      {0, 0x08, "%"},
      {0, 0x10, ""},
      {0, 0x20, "dB"},
      {0, 0xC0, ""},
      {0x06, 0, "DC V"},
      {0x05, 0x02, "AC VA"},
      {0x7F, 0x2E, "AC DC VFD℃℉AHz%dB"},
      {0xFF, 0xFF, "AC VFD℃℉ΩAHz%dB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MeterFrame::UnitText(c.a, c.b), c.unit) << int{c.a} << ' ' << int{c.b};
  }
}

}  // namespace
}  // namespace qx::instruments
