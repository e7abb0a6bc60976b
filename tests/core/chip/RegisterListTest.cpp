#include <gtest/gtest.h>

#include "core/chip/TCRREGBitPtr.h"
#include "core/chip/TCRREGBytePtr.h"
#include "core/chip/TCRREGWordPtr.h"

namespace qx::chip {
namespace {

TEST(RegisterList, FillsTwoBlocksThenRefuses) {
  TCRREGBytePtr list;
  EXPECT_FALSE(list.BlockAllocated(0));
  for (int i = 0; i < 256; ++i) {
    ByteRegister r;
    r.address = static_cast<uint16_t>(i);
    ASSERT_EQ(list.Add(r), 0);
  }
  EXPECT_TRUE(list.BlockAllocated(0));
  EXPECT_FALSE(list.BlockAllocated(1));
  ByteRegister r257;
  r257.address = 999;
  EXPECT_EQ(list.Add(r257), 0);  // record 257 opens the second block
  EXPECT_TRUE(list.BlockAllocated(1));
  for (int i = 257; i < 512; ++i) ASSERT_EQ(list.Add(ByteRegister{}), 0);
  EXPECT_EQ(list.Count(), 512);
  EXPECT_TRUE(list.Full());
  EXPECT_NE(list.Add(ByteRegister{}), 0);
  EXPECT_EQ(list.Count(), 512);
  ASSERT_NE(list.Items(256), nullptr);
  EXPECT_EQ(list.Items(256)->address, 999);
  EXPECT_EQ(list.KeyOf(256), 999);
  EXPECT_EQ(list.IndexOfKey(999), 256);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.BlockAllocated(0));
  EXPECT_FALSE(list.BlockAllocated(1));
  EXPECT_EQ(list.Items(0), nullptr);
}

TEST(RegisterList, IndexesOutsideTheRecordsGiveNothing) {
  TCRREGBitPtr list;
  EXPECT_EQ(list.Items(0), nullptr);
  BitRegister r;
  r.address = 0x85;
  r.name = "STATUS";
  list.Add(r);
  EXPECT_EQ(list.Items(-1), nullptr);
  EXPECT_EQ(list.Items(1), nullptr);
  EXPECT_EQ(list.KeyOf(1), -1);
  EXPECT_EQ(list.KeyOf(-1), -1);
  ASSERT_NE(list.Items(0), nullptr);
  EXPECT_EQ(list.Items(0)->name, "STATUS");
  // Records are copies: changing the source later does not reach the list.
  r.name = "OTHER";
  EXPECT_EQ(list.Items(0)->name, "STATUS");
}

TEST(RegisterList, KeysPerClass) {
  TCRREGWordPtr words;
  WordRegister w;
  w.first = 0x0F;
  w.second = 0x10;
  words.Add(w);
  w.first = 0x3FF;
  w.second = 0x3FE;
  words.Add(w);
  EXPECT_EQ(words.KeyOf(0), 0x0F10);
  EXPECT_EQ(words.KeyOf(1), 0x3FF * 256 + 0x3FE);
  EXPECT_EQ(words.IndexOfKey(0x0F10), 0);
  EXPECT_EQ(words.IndexOfKey(0x0F), -1);
  EXPECT_EQ(words.IndexOfKey(-1), -1);

  TCRREGBitPtr bits;
  BitRegister b;
  b.address = 3;
  bits.Add(b);
  bits.Add(b);  // duplicates: lookup finds the first
  EXPECT_EQ(bits.IndexOfKey(3), 0);
}

}  // namespace
}  // namespace qx::chip
