#include "core/autotest/JournalRows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace qx::autotest {
namespace {

TEST(JournalRows, TextStatesEmptyRowsEmptyCellsAndQuotesApart) {
  const TextRows rows = {{},
                         {""},
                         {"", ""},
                         {"a", "b c"},
                         {"x,y", "say \"hi\""},
                         {"l1\nl2", "\r"},
                         {"溫度", "\xA4\xA4"}};
  const std::string text =
      "\n"
      "\"\"\n"
      "\"\",\"\"\n"
      "a,b c\n"
      "\"x,y\",\"say \"\"hi\"\"\"\n"
      "\"l1\nl2\",\"\r\"\n"
      "溫度,\xA4\xA4\n";
  EXPECT_EQ(RowsToText(rows), text);
  EXPECT_EQ(RowsFromText(text), rows);
  EXPECT_EQ(RowsToText({}), "");
  EXPECT_EQ(RowsFromText(""), TextRows{});
  EXPECT_EQ(RowsFromText("a,,b\n"), (TextRows{{"a", "", "b"}}));
}

TEST(JournalRows, DamagedTextIsRefused) {
  for (const char* bad : {"a", "\"a\n", "a\"b\n", "\"a\"b\n", "a,", "a\r\n", "\"\"\"\n"}) {
    EXPECT_FALSE(RowsFromText(bad)) << bad;
  }
}

TEST(RunJournalTexts, StateNamesAndLocalTime) {
  for (RunState s : {RunState::Running, RunState::Completed, RunState::Stopped, RunState::Failed,
                     RunState::Abandoned}) {
    EXPECT_EQ(RunStateFromName(RunStateName(s)), s);
  }
  EXPECT_STREQ(RunStateName(RunState::Abandoned), "abandoned");
  EXPECT_FALSE(RunStateFromName("Running"));

  const char* old = std::getenv("TZ");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("TZ", "CST-8", 1);
  ::tzset();
  const auto t = std::chrono::system_clock::from_time_t(1714550405);  // 2024-05-01 08:00:05 UTC
  EXPECT_EQ(LocalTimeText(t), "2024-05-01 16:00:05");
  if (saved) {
    ::setenv("TZ", saved->c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace qx::autotest
