#include "platform/ParmrkDecoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx::platform {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ParmrkDecoder, UnmarksErrorsAndUndoublesFf) {
  const struct {
    const char* what;
    Bytes in;
    Bytes out;
    size_t marked;
  } cases[] = {
      {"plain", {0x55, 0xAA, 0x00}, {0x55, 0xAA, 0x00}, 0},
      {"doubled FF", {0x01, 0xFF, 0xFF, 0x02}, {0x01, 0xFF, 0x02}, 0},
      {"parity error on 0x41", {0xFF, 0x00, 0x41}, {0x41}, 1},
      {"marked FF", {0xFF, 0x00, 0xFF}, {0xFF}, 1},
      {"break or error on 0x00", {0xAA, 0xFF, 0x00, 0x00, 0x55}, {0xAA, 0x00, 0x55}, 1},
      {"two marks", {0xFF, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0x00, 0x20}, {0x10, 0xFF, 0x20}, 2},
      {"stray escape keeps both bytes", {0xFF, 0x37}, {0xFF, 0x37}, 0},
  };
  for (const auto& c : cases) {
    ParmrkDecoder decoder;
    Bytes out;
    EXPECT_EQ(decoder.Decode(c.in, out), c.marked) << c.what;
    EXPECT_EQ(out, c.out) << c.what;
    EXPECT_FALSE(decoder.Pending()) << c.what;
  }
}

TEST(ParmrkDecoder, MarkSplitAcrossReadsIsCarriedOver) {
  const Bytes stream = {0x11, 0xFF, 0x00, 0x22, 0xFF, 0xFF, 0x33};
  // Every split point must give the same result as one read.
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    ParmrkDecoder decoder;
    Bytes out;
    size_t marked = decoder.Decode(Bytes(stream.begin(), stream.begin() + cut), out);
    marked += decoder.Decode(Bytes(stream.begin() + cut, stream.end()), out);
    EXPECT_EQ(out, (Bytes{0x11, 0x22, 0xFF, 0x33})) << "cut " << cut;
    EXPECT_EQ(marked, 1u) << "cut " << cut;
  }
}

TEST(ParmrkDecoder, ResetDropsHalfMark) {
  ParmrkDecoder decoder;
  Bytes out;
  decoder.Decode(Bytes{0x01, 0xFF, 0x00}, out);
  EXPECT_TRUE(decoder.Pending());
  decoder.Reset();
  out.clear();
  EXPECT_EQ(decoder.Decode(Bytes{0x42}, out), 0u);
  EXPECT_EQ(out, Bytes{0x42});
}

}  // namespace
}  // namespace qx::platform
