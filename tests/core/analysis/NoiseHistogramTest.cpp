#include "core/analysis/NoiseHistogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace qx::analysis {
namespace {

// The expected numbers below were computed with numpy 1.24 / scipy 1.10 on the same codes:
// edges = first edge + width * arange(bins + 1), numpy.histogram(codes, bins=edges),
// codes.mean(), codes.std() (population), n * width * scipy.stats.norm.pdf(centres, mean, std),
// and the same pdf on numpy.linspace(first edge, last edge, 401) for the curve.

/// 200 bell-shaped integer codes around 1000: a sum of four draws 0..8 of a 31-bit LCG (the
/// same generator was written out in Python for the reference numbers).
std::vector<double> Codes() {
  uint64_t s = 12345;
  std::vector<double> out;
  for (int i = 0; i < 200; ++i) {
    int t = 0;
    for (int j = 0; j < 4; ++j) {
      s = (1103515245 * s + 12345) % (uint64_t{1} << 31);
      t += static_cast<int>((s >> 16) % 9);
    }
    out.push_back(1000 + t - 16);
  }
  return out;
}

/// Group averages of four consecutive codes: quarter codes, some exactly on a bin edge.
std::vector<double> QuarterCodes() {
  const auto c = Codes();
  std::vector<double> out;
  for (size_t i = 0; i + 3 < c.size(); i += 4)
    out.push_back((c[i] + c[i + 1] + c[i + 2] + c[i + 3]) / 4);
  return out;
}

constexpr double kNvPerCode = 2.4e9 / 4194304;  // 2.4 V reference, 23 bits, gain 1

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want, double tol) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], tol) << "bin " << i;
}

TEST(NoiseHistogram, OneBinPerCodeMatchesNumpy) {
  const auto codes = Codes();
  ASSERT_EQ(codes[0], 1004);  // the generator is the one the reference numbers came from
  ASSERT_EQ(codes[3], 990);
  const NoiseHistogram h = ComputeNoiseHistogram(codes, 800, kNvPerCode);

  EXPECT_EQ(h.count, 200);
  EXPECT_EQ(h.binWidth, 1);
  EXPECT_EQ(h.counts, (std::vector<int>{1,  1,  2,  4,  2, 6,  7, 6, 10, 6, 12, 13, 10, 8,
                                        22, 14, 11, 14, 8, 12, 9, 8, 5,  4, 1,  2,  2}));
  ASSERT_EQ(h.lowerEdges.size(), 27u);
  EXPECT_EQ(h.lowerEdges.front(), 986.5);
  EXPECT_EQ(h.lowerEdges.back(), 1012.5);
  EXPECT_EQ(h.centres.front(), 987);
  EXPECT_EQ(h.centres.back(), 1013);

  EXPECT_NEAR(h.mean, 1000.7, 1e-12);
  EXPECT_NEAR(h.sigma, 5.4845236803208355, 1e-12);
  ExpectNear(h.expected,
             {0.6424935567513844, 0.9964376568223706, 1.494835852194875,  2.1691965130107893,
              3.044852844803108,  4.134240505481915,  5.4298419134273495, 6.898277357502454,
              8.477272368272523,  10.077055267501105, 11.587057510619163, 12.887678786400272,
              13.86558706907644,  14.429917232762465, 14.52618050091086,  14.144938097794418,
              13.323326923430734, 12.139095736456348, 10.69847822439794,  9.120522017866932,
              7.521066068280981,  5.9993075997420116, 4.628975419327819,  3.4548614682596646,
              2.494241033801948,  1.7418398416745282, 1.1766303300510685},
             1e-9);
  ASSERT_EQ(h.curveCodes.size(), static_cast<size_t>(kHistogramCurvePoints));
  EXPECT_DOUBLE_EQ(h.curveCodes.front(), 986.5);
  EXPECT_DOUBLE_EQ(h.curveCodes.back(), 1013.5);
  EXPECT_NEAR(h.curveCounts.front(), 0.5095230741051016, 1e-9);
  EXPECT_DOUBLE_EQ(h.curveCodes[200], 1000.0);
  EXPECT_NEAR(h.curveCounts[200], 14.429917232762465, 1e-9);

  EXPECT_EQ(h.peakToPeak, 26);
  EXPECT_NEAR(h.sixSigma, 36.197856290117514, 1e-9);
  EXPECT_NEAR(h.ratio, 0.7182745793456928, 1e-12);
  EXPECT_NEAR(h.peakToPeakNv, 14877.3193359375, 1e-6);
  EXPECT_NEAR(h.sixSigmaNv, 20712.579511709697, 1e-6);
}

TEST(NoiseHistogram, WideSpreadTakesTheSmallestWholeBinWidthThatFits) {
  // 27 codes in at most 10 bins: 2 codes per bin would need 14, 3 need 9.
  const NoiseHistogram h = ComputeNoiseHistogram(Codes(), 10, kNvPerCode);
  EXPECT_EQ(h.binWidth, 3);
  EXPECT_EQ(h.counts, (std::vector<int>{4, 12, 23, 31, 40, 39, 29, 17, 5}));
  EXPECT_EQ(h.lowerEdges, (std::vector<double>{986.5, 989.5, 992.5, 995.5, 998.5, 1001.5, 1004.5,
                                               1007.5, 1010.5}));
  EXPECT_EQ(h.centres[0], 988);
  ExpectNear(
      h.expected,
      {2.989312970467112, 9.134558534409324, 20.69483207250736, 34.76117253185749, 43.2897516982874,
       39.9699807702922, 27.361566053600797, 13.886926257983458, 5.225519525023585},
      1e-9);
  EXPECT_NEAR(h.curveCounts[200], 43.2897516982874, 1e-9);
  // The figures do not depend on the binning.
  EXPECT_EQ(h.peakToPeak, 26);
  EXPECT_NEAR(h.sigma, 5.4845236803208355, 1e-12);

  // Exactly as many codes as bins keeps one code per bin; one bin fewer doubles the width.
  EXPECT_EQ(ComputeNoiseHistogram(Codes(), 27, 1).binWidth, 1);
  EXPECT_EQ(ComputeNoiseHistogram(Codes(), 26, 1).binWidth, 2);
  EXPECT_EQ(ComputeNoiseHistogram(Codes(), 26, 1).counts.size(), 14u);
  // A chart narrower than one pixel still gets one bin holding every sample.
  const NoiseHistogram one = ComputeNoiseHistogram(Codes(), 0, 1);
  EXPECT_EQ(one.counts, std::vector<int>{200});
  EXPECT_EQ(one.binWidth, 27);
}

TEST(NoiseHistogram, FractionalCodesFallInTheBinOfTheCodeTheyRoundTo) {
  const auto codes = QuarterCodes();
  ASSERT_EQ(codes[6], 997.5);  // on the edge between the bins of 997 and 998
  const NoiseHistogram h = ComputeNoiseHistogram(codes, 800, kNvPerCode);
  EXPECT_EQ(h.binWidth, 1);
  EXPECT_EQ(h.lowerEdges.front(), 994.5);
  EXPECT_EQ(h.counts, (std::vector<int>{1, 1, 1, 6, 8, 6, 4, 12, 6, 0, 3, 1, 1}));
  EXPECT_NEAR(h.mean, 1000.7, 1e-12);
  EXPECT_NEAR(h.sigma, 2.530810146968753, 1e-12);
  EXPECT_EQ(h.peakToPeak, 12.25);
  EXPECT_NEAR(h.ratio, 0.7333859508520149, 1e-12);
  EXPECT_NEAR(h.peakToPeakNv, 7009.5062255859375, 1e-6);
  ExpectNear(
      h.expected,
      {0.6239065002024684, 1.4051035043371016, 2.7070207436188647, 4.461380973841242,
       6.289867519779545, 7.585918034943213, 7.826529991822698, 6.907562482938599, 5.21524662330144,
       3.3683664992617444, 1.8610510589930758, 0.8796131184520446, 0.3556473421002287},
      1e-9);
}

TEST(NoiseHistogram, NoSampleOneSampleAndEqualSamplesDivideByNothing) {
  const NoiseHistogram empty = ComputeNoiseHistogram({}, 800, kNvPerCode);
  EXPECT_EQ(empty.count, 0);
  EXPECT_TRUE(empty.counts.empty());
  EXPECT_TRUE(empty.lowerEdges.empty());
  EXPECT_TRUE(empty.expected.empty());
  EXPECT_TRUE(empty.curveCodes.empty());
  EXPECT_EQ(empty.binWidth, 0);
  EXPECT_EQ(empty.sigma, 0);
  EXPECT_EQ(empty.ratio, 0);

  const std::vector<double> one{-42};
  const NoiseHistogram single = ComputeNoiseHistogram(one, 800, kNvPerCode);
  EXPECT_EQ(single.count, 1);
  EXPECT_EQ(single.counts, std::vector<int>{1});
  EXPECT_EQ(single.centres, std::vector<double>{-42});
  EXPECT_EQ(single.mean, -42);
  EXPECT_EQ(single.sigma, 0);
  EXPECT_EQ(single.peakToPeak, 0);
  EXPECT_EQ(single.ratio, 0);
  EXPECT_EQ(single.expected, std::vector<double>{0});
  EXPECT_TRUE(single.curveCodes.empty());

  const std::vector<double> flat(50, 7.0);
  const NoiseHistogram same = ComputeNoiseHistogram(flat, 800, kNvPerCode);
  EXPECT_EQ(same.counts, std::vector<int>{50});
  EXPECT_EQ(same.ratio, 0);
  EXPECT_FALSE(std::isnan(same.expected[0]));
}

TEST(NoiseHistogram, ValuesThatAreNoNumberAreLeftOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> codes{nan, 3, inf, 5, -inf, 3};
  const NoiseHistogram h = ComputeNoiseHistogram(codes, 800, 1);
  EXPECT_EQ(h.count, 3);
  EXPECT_EQ(h.counts, (std::vector<int>{2, 0, 1}));
  EXPECT_DOUBLE_EQ(h.mean, 11.0 / 3);
  EXPECT_EQ(h.peakToPeak, 2);
}

}  // namespace
}  // namespace qx::analysis
