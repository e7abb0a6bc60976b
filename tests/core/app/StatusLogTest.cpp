#include "core/app/StatusLog.h"

#include <gtest/gtest.h>

namespace qx::app {
namespace {

TEST(StatusLog, KeepsTheLastMessagesOnceEachWithPanelAndTime) {
  StatusLog log;
  log.Add(2, "");
  log.Add(1, "10% captured");
  log.Add(1, "10% captured");
  log.Add(2, "10% captured");
  log.Add(1, "20% captured");
  ASSERT_EQ(log.Entries().size(), 3u) << "empty and repeated messages are not kept";
  EXPECT_EQ(log.Entries()[1].panel, 2);
  const std::string line = StatusLog::Line(log.Entries()[0]);
  ASSERT_EQ(line.size(), 8u + 18);
  EXPECT_EQ(line.substr(2, 1) + line.substr(5, 1), "::");
  EXPECT_EQ(line.substr(8), "  [1] 10% captured");

  for (int i = 0; i < static_cast<int>(StatusLog::kLimit) + 5; ++i)
    log.Add(0, "message " + std::to_string(i));
  EXPECT_EQ(log.Entries().size(), StatusLog::kLimit);
  EXPECT_EQ(log.Entries().front().text, "message 5") << "the oldest go first";
  EXPECT_EQ(log.Count(), StatusLog::kLimit + 8);
}

}  // namespace
}  // namespace qx::app
