#include <gtest/gtest.h>

#include "core/widgets/LcdArrayModel.h"
#include "core/widgets/LcdCaption.h"
#include "core/widgets/LcdGeometry.h"

namespace qx::widgets {
namespace {

using Codes = std::vector<uint8_t>;
constexpr uint8_t B = LcdCaption::kBlank;
constexpr uint8_t M = LcdCaption::kMinus;
constexpr uint8_t P = LcdCaption::kPoint;

TEST(LcdCaption, TextMode) {
  EXPECT_EQ(LcdCaption::EncodeText("0", 8), (Codes{B, B, B, B, B, B, B, 0}));
  EXPECT_EQ(LcdCaption::EncodeText("-12.5", 5), (Codes{M, 1, 2, P, 5}));
  EXPECT_EQ(LcdCaption::EncodeText("12:3456", 3), (Codes{1, 2, P})) << "first Digit characters";
  EXPECT_EQ(LcdCaption::EncodeText("aZ ?", 4), (Codes{12, 37, B, B}));
}

TEST(LcdCaption, NumberMode) {
  EXPECT_EQ(LcdCaption::EncodeNumber("42", 6, 0), (Codes{B, B, B, B, 4, 2}));
  EXPECT_EQ(LcdCaption::EncodeNumber("5", 4, 2), (Codes{B, 0, 0, 5}));
  EXPECT_EQ(LcdCaption::EncodeNumber("-42", 6, 1), (Codes{B, B, B, M, 4, 2}));
  EXPECT_EQ(LcdCaption::EncodeNumber("-7", 4, 2), (Codes{M, 0, 0, 7}));
  EXPECT_EQ(LcdCaption::EncodeNumber("0", 3, 5), (Codes{0, 0, 0})) << "no blanking at all";
  EXPECT_EQ(LcdCaption::EncodeNumber("-123", 3, 0), (Codes{M, M, M})) << "no cell for the minus";
  EXPECT_EQ(LcdCaption::EncodeNumber("12345", 4, 0), (Codes{M, M, M, M}));
}

TEST(LcdCaption, PatternsOfDigitsLettersAndSigns) {
  EXPECT_EQ(LcdCaption::Pattern(8), 0x7F);
  EXPECT_EQ(LcdCaption::Pattern(P), 0x80);
  EXPECT_EQ(LcdCaption::Pattern(B), 0x00);
  EXPECT_EQ(LcdCaption::Pattern(LcdCaption::CharCode('A')), 0x77);
  EXPECT_EQ(LcdCaption::Pattern(LcdCaption::CharCode('z')), 0x5B);
  EXPECT_EQ(LcdCaption::Pattern(M), 0x40);
}

TEST(LcdArrayModel, DefaultsAndSetters) {
  LcdArrayModel m;
  EXPECT_EQ(m.Digit(), 1);
  EXPECT_EQ(m.SegWidth(), 6);
  EXPECT_EQ(m.Margin(), 4);
  EXPECT_EQ(m.Codes(), (Codes{0}));
  EXPECT_TRUE(m.SetDigit(8));
  EXPECT_FALSE(m.SetDigit(11));
  EXPECT_EQ(m.Digit(), 8);
  EXPECT_EQ(m.Codes(), (Codes{B, B, B, B, B, B, B, 0}));
  m.SetLeftZero(false);
  EXPECT_EQ(m.Codes().back(), 0) << "LeftZero waits for the next caption";
  m.SetDotCount(2);
  m.SetCaption("-5");
  EXPECT_EQ(m.Codes(), (Codes{B, B, B, B, M, 0, 0, 5}));
  EXPECT_EQ(m.PointCell(), 5);
}

TEST(LcdGeometry, OneCellLayout) {
  const LcdGeometry g(40, 60, 6, 4, 1);
  EXPECT_EQ(g.Gap(), 1);
  EXPECT_EQ(g.CellWidth(), 40);
  EXPECT_EQ(g.MiddleOffset(), 22);
  using Pts = std::array<LcdPoint, 6>;
  EXPECT_EQ(g.Segment(0, 0), (Pts{{{7, 7}, {10, 4}, {23, 4}, {26, 7}, {23, 10}, {10, 10}}}));
  EXPECT_EQ(g.Segment(0, 1), (Pts{{{26, 7}, {29, 10}, {29, 26}, {26, 29}, {23, 26}, {23, 10}}}));
  EXPECT_EQ(g.Segment(0, 6), (Pts{{{7, 29}, {10, 26}, {23, 26}, {26, 29}, {23, 32}, {10, 32}}}));
  EXPECT_EQ(g.Segment(0, 3), (Pts{{{7, 51}, {10, 48}, {23, 48}, {26, 51}, {23, 54}, {10, 54}}}));
  EXPECT_EQ(g.Point(0), (LcdSquare{30, 50, 6}));
}

TEST(LcdGeometry, CellsOfTheAnalysisDisplay) {
  const LcdGeometry g(233, 60, 10, 6, 8);
  EXPECT_EQ(g.Gap(), 1);
  EXPECT_EQ(g.CellWidth(), 28);
  EXPECT_EQ(g.CellLeft(3), 87);
  EXPECT_EQ(g.Segment(3, 4)[0], (LcdPoint{87 + 6 + 5, 6 + 18 + 5}));
}

}  // namespace
}  // namespace qx::widgets
