#include "core/widgets/WorkAreaFit.h"

#include <gtest/gtest.h>

namespace qx::widgets {
namespace {

struct FitCase {
  Rect window;
  Rect placed;
};

class WorkAreaFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(WorkAreaFitTest, TheWindowEndsWhollyInsideTheArea) {
  const ScreenSize area{1020, 620};
  const Rect r = WorkAreaFit::Inside(GetParam().window, area);
  EXPECT_EQ(r, GetParam().placed);
  EXPECT_GE(r.Left, 0);
  EXPECT_GE(r.Top, 0);
  EXPECT_LE(r.Left + r.Width, area.Width);
  EXPECT_LE(r.Top + r.Height, area.Height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkAreaFitTest,
    ::testing::Values(
        // Already inside: untouched.
        FitCase{{10, 20, 300, 200}, {10, 20, 300, 200}},
        // The register view placed for the screen's bottom right (1600 x 1000).
        FitCase{{980, 440, 600, 520}, {420, 100, 600, 520}},
        // The ADC panel taller than the area: cut to it, at the top.
        FitCase{{0, 0, 870, 640}, {0, 0, 870, 620}},
        // Wider than the area and left of it.
        FitCase{{-50, 10, 1200, 100}, {0, 10, 1020, 100}},
        // Above the area.
        FitCase{{100, -30, 200, 100}, {100, 0, 200, 100}}));

TEST(WorkAreaFitEmptyTest, AnAreaNotLaidOutYetLeavesTheWindowAlone) {
  const Rect window{980, 440, 600, 520};
  EXPECT_EQ(WorkAreaFit::Inside(window, {0, 0}), window);
}

}  // namespace
}  // namespace qx::widgets
