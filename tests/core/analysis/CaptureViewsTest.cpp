#include "core/analysis/CaptureViews.h"
#include "core/analysis/SlotDecoder.h"

#include <vector>

#include "CaptureFixture.h"

namespace qx::analysis::test {
namespace {

constexpr int kScale22Bits = 14;  // D = 2

class CaptureViewsTest : public CaptureFixture {
 protected:
  /// 64 samples at 22 bits (D = 2) of the 24-bit values `values`.
  void Capture(const std::vector<uint32_t>& values) {
    capture.NPointIndexChange(0);
    capture.TXScaleChange(kScale22Bits);
    Queue(values);
    ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  }
};

TEST_F(CaptureViewsTest, DisplayCodesFollowTheCaptureAndItsReAveraging) {
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < 64; ++i) values.push_back(i % 2 ? 0xFFFFF9 : 9);  // -7 and 9
  Capture(values);
  std::span<const double> codes = DisplayCodes(capture);
  ASSERT_EQ(codes.size(), 64u);
  // 9 / 2 truncates to 4; a negative value is first halved towards minus infinity (-7 -> -4),
  // then its magnitude divided: -2.
  EXPECT_EQ(codes[0], 4);
  EXPECT_EQ(codes[1], -2);

  bench.settings.CMAVR = 1;  // pairs
  capture.ReCalADC();
  codes = DisplayCodes(capture);
  ASSERT_EQ(codes.size(), 32u);
  EXPECT_DOUBLE_EQ(codes[0], (9 - 4) / 2.0 / 2.0);  // the pair's average over D

  // After averaging by two the codes come at half the rate.
  const double rate = DisplayRateSps(capture, bench.chip, 2).value();
  bench.settings.CMAVR = 0;
  capture.ReCalADC();
  EXPECT_DOUBLE_EQ(DisplayRateSps(capture, bench.chip, 1).value(), 2 * rate);
}

TEST_F(CaptureViewsTest, NoisePanelsKeepTheirNanovoltTextAndConvertTheCodes) {
  NoiseScale scale{.bits = 23, .referenceVolts = 2.4, .gain = 2};
  // In nV the panel's own text, whatever the codes say.
  EXPECT_EQ(PanelNoiseText(616.666, 1.0, scale, NoiseUnit::Nanovolts), "616.67");
  EXPECT_EQ(PanelNoiseText(0, 4.0, scale, NoiseUnit::Codes), "4.00");
  // 4 codes at 23 bits, 2.4 V, gain 2: 4 x 2.4e9 / (2^22 x 2) = 1144.4 nV = 1.144 µV.
  EXPECT_EQ(PanelNoiseText(0, 4.0, scale, NoiseUnit::Microvolts), "1.144");
  EXPECT_EQ(PanelNoiseText(0, 4.0, scale, NoiseUnit::PpmFullScale), "0.4768");
  EXPECT_DOUBLE_EQ(scale.NanovoltsPerCode(), 2.4e9 / (4194304.0 * 2));
}

TEST_F(CaptureViewsTest, FiguresGiveCodesAndTheChosenUnitAndNothingWithoutData) {
  NoiseHistogram h;
  EXPECT_TRUE(HistogramFigures(h, {}, NoiseUnit::Nanovolts).empty());
  h.count = 100;
  h.binWidth = 1;
  h.peakToPeak = 6;
  h.sixSigma = 6.6;
  h.ratio = 6 / 6.6;
  h.sigma = 1;
  const NoiseScale scale{.bits = 23, .referenceVolts = 4.194304, .gain = 1};  // 1000 nV a code
  const std::vector<FigureText> nv = HistogramFigures(h, scale, NoiseUnit::Nanovolts);
  EXPECT_EQ(nv[2], (FigureText{"Peak-to-peak (measured)", "6.00 codes  (6000 nV)"}));
  EXPECT_EQ(nv[4], (FigureText{"Measured / 6.6 σ", "0.909"}));
  EXPECT_EQ(HistogramFigures(h, scale, NoiseUnit::Codes)[3].value, "6.60 codes");

  SpectrumResult s;
  EXPECT_TRUE(SpectrumFigures(s, 1, scale, NoiseUnit::Codes).empty());
  s.segmentLength = 900;
  s.segments = 8;
  s.binHz = 0.0888;
  s.integratedCodes = 1.02;
  const std::vector<FigureText> f = SpectrumFigures(s, 1.0, scale, NoiseUnit::Codes);
  EXPECT_EQ(f[2], (FigureText{"Difference", "+2.0 %"}));
  EXPECT_EQ(f[3].value, "0.0888 Hz");
  EXPECT_EQ(f[4].value, "8 × 900");
  EXPECT_EQ(SpectrumFigures(s, 0, scale, NoiseUnit::Codes)[2].value, "n/a");
}

}  // namespace
}  // namespace qx::analysis::test
