#include <gtest/gtest.h>

#include <string>

#include "core/base/RecordingHost.h"

namespace qx::base {
namespace {

TEST(RecordingHostTest, StatusLogKeepsOnlyTheLatestEntries) {
  RecordingHost host;
  const int total = static_cast<int>(RecordingHost::kStatusLogLimit) * 3 + 7;
  for (int i = 0; i < total; ++i) host.SetStatus(2, std::to_string(i));
  host.SetStatus(0, "USB On Line");

  ASSERT_EQ(host.statusLog.size(), RecordingHost::kStatusLogLimit);
  // Oldest first, without gaps, ending with the last text set.
  const int first = total + 1 - static_cast<int>(RecordingHost::kStatusLogLimit);
  EXPECT_EQ(host.statusLog.front(), "2:" + std::to_string(first));
  EXPECT_EQ(host.statusLog[host.statusLog.size() - 2], "2:" + std::to_string(total - 1));
  EXPECT_EQ(host.statusLog.back(), "0:USB On Line");
  EXPECT_EQ(host.status[2], std::to_string(total - 1));
  EXPECT_EQ(host.status[0], "USB On Line");
}

}  // namespace
}  // namespace qx::base
