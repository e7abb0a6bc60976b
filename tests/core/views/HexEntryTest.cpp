#include "core/views/HexEntry.h"

#include <gtest/gtest.h>

namespace qx::views {
namespace {

struct KeyCase {
  const char* pattern;
  std::string keys;
  bool closed;
  bool accepted;
  std::string text;
};

class HexEntryKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(HexEntryKeys, TypedKeys) {
  const KeyCase& k = GetParam();
  HexEntry e;
  e.Begin(k.pattern);
  bool closed = false;
  for (char c : k.keys) {
    ASSERT_FALSE(closed) << "a key arrived after the popup closed";
    closed = e.Key(c);
  }
  EXPECT_EQ(closed, k.closed);
  EXPECT_EQ(e.Closed(), k.closed);
  EXPECT_EQ(e.Accepted(), k.accepted);
  EXPECT_EQ(e.Text(), k.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexEntryKeys,
    ::testing::Values(KeyCase{"FF", "1a", true, true, "1A"},           // auto-close when full
                      KeyCase{"FFF", "7\r", true, true, "7"},          // Enter with a value
                      KeyCase{"FF", "\r", true, false, ""},            // Enter on nothing
                      KeyCase{"FFFF", "12\x1B", true, false, "12"},    // Escape
                      KeyCase{"FFF", "zG-1", false, false, "1"},       // others discarded
                      KeyCase{"FFF", "12\b\b3", false, false, "3"},    // backspace
                      KeyCase{"3FF", "4", false, false, ""},           // above the pattern
                      KeyCase{"3FF", "3F", false, false, "3F"},        // at the limit
                      KeyCase{"3FF", "2Z\b2FF", true, true, "2FF"}));  // backspace, then full

TEST(HexEntry, KeypadButtons) {
  HexEntry e;
  e.Begin("FFF");
  EXPECT_FALSE(e.Button(0xC));
  EXPECT_FALSE(e.Button(HexEntry::kClearButton));
  EXPECT_EQ(e.Text(), "");
  EXPECT_FALSE(e.Button(0x1));
  EXPECT_FALSE(e.Button(0xF));
  EXPECT_TRUE(e.Button(0x0)) << "the third digit fills the pattern";
  EXPECT_TRUE(e.Accepted());
  EXPECT_EQ(e.Value(), 0x1F0u);

  e.Begin("FF");
  e.Button(5);
  EXPECT_TRUE(e.Button(HexEntry::kCancelButton));
  EXPECT_FALSE(e.Accepted());

  e.Begin("FF");
  EXPECT_TRUE(e.Button(HexEntry::kEnterButton));
  EXPECT_FALSE(e.Accepted()) << "Enter on an empty text";
  e.Begin("FF");
  e.Button(9);
  EXPECT_TRUE(e.Button(HexEntry::kEnterButton));
  EXPECT_TRUE(e.Accepted());
  EXPECT_EQ(e.Value(), 9u);
}

TEST(HexEntry, CaptionsAndPlacement) {
  std::string captions;
  for (int i = 0; i < HexEntry::kButtonCount; ++i) captions += HexEntry::ButtonCaption(i) + ",";
  EXPECT_EQ(captions, "0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F,Enter,Clear,Cancel,");

  int left = 1900, top = 1050;
  HexEntry::Place(left, top, 200, 250, 1920, 1080);
  EXPECT_EQ(left, 1720);
  EXPECT_EQ(top, 830);
  left = 100, top = 200;
  HexEntry::Place(left, top, 200, 250, 1920, 1080);
  EXPECT_EQ(left, 100);
  EXPECT_EQ(top, 200);
}

}  // namespace
}  // namespace qx::views
