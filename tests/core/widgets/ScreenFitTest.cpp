#include "core/widgets/ScreenFit.h"

#include <gtest/gtest.h>

namespace qx::widgets {
namespace {

constexpr ScreenSize kScreen{1920, 1080};

TEST(ScreenFitTest, AtCreationKeepsTheMainWindowReachable) {
  struct Case {
    Rect in;
    Rect out;
  };
  const Case cases[] = {
      {{100, 50, 800, 600}, {100, 50, 800, 600}},    // already on screen
      {{2000, 50, 800, 600}, {1120, 50, 800, 600}},  // beyond the width: flush right
      {{1910, 50, 800, 600}, {1900, 50, 800, 600}},  // within 20 of the edge: width - 20
      {{1900, 50, 800, 600}, {1900, 50, 800, 600}},  // exactly width - 20 stays
      {{0, 1100, 800, 600}, {0, 480, 800, 600}},     // the same for top
      {{0, 1070, 800, 600}, {0, 1060, 800, 600}},
      {{0, 0, 3000, 2000}, {0, 0, 1920, 1080}},  // cut to the screen
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScreenFit::AtCreation(c.in, kScreen), c.out)
        << c.in.Left << "," << c.in.Top << " " << c.in.Width << "x" << c.in.Height;
}

PlacementResult Restore(const Placement& p, const WindowTraits& w, bool autoShow = true) {
  PlacementResult r;
  EXPECT_TRUE(ScreenFit::Restore(p, w, kScreen, autoShow, r));
  return r;
}

TEST(ScreenFitTest, RestoredWindowBeyondTheRightEdgeComesBackFlushRight) {
  const Placement p{"TMainPanel", 5000, 3000, 640, 480, WindowState::Normal, true};
  const PlacementResult r = Restore(p, WindowTraits{{0, 0, 100, 100}, true, true});
  EXPECT_EQ(r.Bounds, (Rect{1920 - 640, 1080 - 480, 640, 480}));
}

TEST(ScreenFitTest, RestoreAppliesOnlyTheNeededCorrections) {
  const WindowTraits sizeable{{7, 7, 100, 100}, true, true};
  struct Case {
    Placement p;
    Rect out;
  };
  const Case cases[] = {
      {{"A", 100, 100, 640, 480, WindowState::Normal, true}, {100, 100, 640, 480}},
      {{"A", 1900, 100, 640, 480, WindowState::Normal, true}, {1900, 100, 640, 480}},
      {{"A", 1901, 100, 640, 480, WindowState::Normal, true}, {1280, 100, 640, 480}},
      {{"A", 0, 0, 5000, 4000, WindowState::Normal, true}, {0, 0, 1920, 1080}},
      {{"A", -3000, -50, 640, 480, WindowState::Normal, true}, {0, 0, 640, 480}},
      {{"A", -600, 10, 640, 480, WindowState::Normal, true}, {-600, 10, 640, 480}},
      // Maximized and minimized windows keep their saved normal bounds as they are.
      {{"A", 5000, 5000, 640, 480, WindowState::Maximized, true}, {5000, 5000, 640, 480}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Restore(c.p, sizeable).Bounds, c.out) << c.p.Left << "," << c.p.Top;
}

TEST(ScreenFitTest, AMonitorLeftOfOrAboveThePrimaryKeepsItsWindows) {
  // A 1280×1024 monitor left of a 1920×1080 primary, its top 200 pixels above the primary's.
  const ScreenSize desktop{3200, 1224, -1280, -200};
  const WindowTraits sizeable{{0, 0, 100, 100}, true, true};
  PlacementResult r;
  ASSERT_TRUE(ScreenFit::Restore({"A", -1200, -150, 640, 480, WindowState::Normal, true}, sizeable,
                                 desktop, true, r));
  EXPECT_EQ(r.Bounds, (Rect{-1200, -150, 640, 480}));
  // Beyond the desktop it still comes back to the nearest edge, not to the primary's origin.
  ASSERT_TRUE(ScreenFit::Restore({"A", -5000, -900, 640, 480, WindowState::Normal, true}, sizeable,
                                 desktop, true, r));
  EXPECT_EQ(r.Bounds, (Rect{-1280, -200, 640, 480}));
  ASSERT_TRUE(ScreenFit::Restore({"A", 1915, 1100, 640, 480, WindowState::Normal, true}, sizeable,
                                 desktop, true, r));
  EXPECT_EQ(r.Bounds, (Rect{1280, 544, 640, 480}));
}

TEST(ScreenFitTest, FixedSizeWindowKeepsItsSizeAndIsNotCorrected) {
  const Placement p{"D", 5000, 20, 900, 900, WindowState::Normal, true};
  const PlacementResult r = Restore(p, WindowTraits{{0, 0, 300, 200}, false, true});
  EXPECT_EQ(r.Bounds, (Rect{5000, 20, 300, 200}));
}

TEST(ScreenFitTest, ShowFollowsAutoShowAndTheRecordAndSkipsSystemPlacedWindows) {
  Placement p{"A", 1, 1, 100, 100, WindowState::Minimized, true};
  EXPECT_TRUE(Restore(p, WindowTraits{}, true).Show);
  EXPECT_FALSE(Restore(p, WindowTraits{}, false).Show);
  EXPECT_EQ(Restore(p, WindowTraits{}).State, WindowState::Minimized);
  p.Visible = false;
  EXPECT_FALSE(Restore(p, WindowTraits{}, true).Show);
  PlacementResult r;
  EXPECT_FALSE(ScreenFit::Restore(p, WindowTraits{{}, true, false}, kScreen, true, r));
}

}  // namespace
}  // namespace qx::widgets
