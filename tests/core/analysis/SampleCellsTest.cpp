#include "core/analysis/SampleCells.h"

#include <gtest/gtest.h>

namespace qx::analysis {
namespace {

TEST(SampleCellsTest, WidestTextIsTheLongestCellText) {
  SampleCells cells(8);
  EXPECT_EQ(cells.WidestText(8), 0u);
  cells.SetInteger(0, 2097152);
  cells.SetInteger(1, 5);
  EXPECT_EQ(cells.WidestText(8), 7u);
  cells.SetInteger(2, -8388608);
  EXPECT_EQ(cells.WidestText(8), cells.Text(2).size());
  EXPECT_EQ(cells.WidestText(2), 7u);  // cell 2 is beyond the count
  cells.SetFixed(3, 3.25);
  // "-8388608.00": the fixed cell brings its decimals to the widest code.
  EXPECT_EQ(cells.WidestText(8), 11u);
  cells.BlankRange(0, 8);
  EXPECT_EQ(cells.WidestText(8), 0u);
  EXPECT_EQ(cells.WidestText(100), 0u);
}

TEST(SampleCellsTest, WidestTextMatchesFormattingOverARange) {
  SampleCells cells(64);
  for (int i = 0; i < 64; ++i) cells.SetFixed(i, -1000.0 + 37.5 * i);
  size_t longest = 0;
  for (int i = 0; i < 64; ++i) longest = std::max(longest, cells.Text(i).size());
  EXPECT_EQ(cells.WidestText(64), longest);
}

}  // namespace
}  // namespace qx::analysis
