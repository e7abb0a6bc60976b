#include <gtest/gtest.h>

#include <optional>

#include "core/remote/ScpiFormat.h"

namespace qx::remote {
namespace {

struct SuffixCase {
  const char* suffix;
  const char* unit;
  std::optional<double> scale;
};

class Suffixes : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(Suffixes, ScaleOfTheUnit) {
  EXPECT_EQ(format::SuffixScale(GetParam().suffix, GetParam().unit), GetParam().scale);
}

// M is milli in any case, except before hertz and ohm; MA is mega.
INSTANTIATE_TEST_SUITE_P(
    Units, Suffixes,
    ::testing::Values(SuffixCase{"V", "V", 1.0}, SuffixCase{"mv", "V", 1e-3},
                      SuffixCase{"MV", "V", 1e-3}, SuffixCase{"MAV", "V", 1e6},
                      SuffixCase{"MHz", "HZ", 1e6}, SuffixCase{"mohm", "OHM", 1e6},
                      SuffixCase{"kHz", "HZ", 1e3}, SuffixCase{"uA", "A", 1e-6},
                      SuffixCase{"mA", "A", 1e-3}, SuffixCase{"NS", "S", 1e-9},
                      SuffixCase{"XV", "V", std::nullopt}, SuffixCase{"A", "V", std::nullopt},
                      SuffixCase{"V", "", std::nullopt}));

}  // namespace
}  // namespace qx::remote
