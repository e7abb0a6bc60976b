#include "core/autotest/TempTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx::autotest {
namespace {

std::vector<std::string> Column(const TempPointTable& t, int column) {
  std::vector<std::string> out;
  for (int r = 1; r < t.RowCount(); ++r) out.push_back(t.Cell(column, r));
  return out;
}

TEST(TempPointTable, DefaultsGiveFivePointsFromMinusForty) {
  TempPointTable t;
  const auto built = t.Build("5", "-40.0", "10.0");
  EXPECT_EQ(built.count, 5);
  EXPECT_EQ(built.countText, "5");
  EXPECT_EQ(built.message, "");
  EXPECT_EQ(t.RowCount(), 6);
  EXPECT_EQ(t.Points(), 5);
  EXPECT_EQ(Column(t, 1),
            (std::vector<std::string>{"-40.00", "-30.00", "-20.00", "-10.00", "0.00"}));
  const std::vector<std::string> header{t.Cell(0, 0), t.Cell(1, 0), t.Cell(2, 0), t.Cell(3, 0),
                                        t.Cell(4, 0)};
  EXPECT_EQ(header, (std::vector<std::string>{"", "溫度", "濕度", "溫度斜率", "濕度斜率"}));
  const std::vector<std::string> row3{t.Cell(0, 3), t.Cell(1, 3), t.Cell(2, 3), t.Cell(3, 3),
                                      t.Cell(4, 3)};
  EXPECT_EQ(row3, (std::vector<std::string>{"3", "-20.00", "0.00", "0.00", "5.00"}));
  EXPECT_EQ(t.Number(1, 5), 0.0);
}

struct CountCase {
  const char* count;
  const char* start;
  const char* step;
  int points;
  const char* messagePart;  ///< "" when no message is expected
};

class TempPointCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(TempPointCount, CountAfterTheRules) {
  const CountCase& c = GetParam();
  TempPointTable t;
  const auto built = t.Build(c.count, c.start, c.step);
  EXPECT_EQ(built.count, c.points);
  EXPECT_EQ(built.countText, std::to_string(c.points));
  EXPECT_EQ(t.RowCount(), c.points + 1);
  if (*c.messagePart == '\0')
    EXPECT_EQ(built.message, "");
  else
    EXPECT_NE(built.message.find(c.messagePart), std::string::npos) << built.message;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TempPointCount,
    ::testing::Values(
        // The 150 °C rule lowers the count to the last point at or below 150 °C ...
        CountCase{"5", "120", "10", 4, "lowered to 4"},
        CountCase{"10", "150", "1", 1, "lowered to 1"},
        CountCase{"40", "0", "10", 16, "lowered to 16"},
        // ... but never raises it, although the rule looks one point further.
        CountCase{"5", "100", "10", 5, ""}, CountCase{"3", "140", "5", 3, ""},
        CountCase{"4", "151", "10", 1, "above 150"}, CountCase{"4", "200", "-5", 1, "above 150"},
        // At most 30 points, after the 150 °C rule.
        CountCase{"40", "-40", "1", 30, "at most 30 temperature points"},
        CountCase{"31", "-40", "0", 30, "at most 30"},
        // A count of 0 or no whole number is one point.
        CountCase{"0", "-40", "10", 1, ""}, CountCase{"abc", "-40", "10", 1, "not a whole number"},
        CountCase{"5.0", "-40", "10", 1, "not a whole number"},
        CountCase{"-3", "-40", "10", 1, "negative"}, CountCase{" 7 ", "+1.5", "2", 7, ""}));

TEST(TempPointTable, StartAndStepThatAreNoNumbersCountAsZero) {
  TempPointTable t;
  const auto built = t.Build("3", "x", "10");
  EXPECT_NE(built.message.find("start temperature \"x\" is not a number"), std::string::npos);
  EXPECT_EQ(Column(t, 1), (std::vector<std::string>{"0.00", "10.00", "20.00"}));
  const auto noStep = t.Build("2", "25.5", "ten");
  EXPECT_NE(noStep.message.find("step \"ten\""), std::string::npos);
  EXPECT_EQ(Column(t, 1), (std::vector<std::string>{"25.50", "25.50"}));
  EXPECT_EQ(t.RowCount(), 3);  // the rebuilt table drops the rows of the longer one
  EXPECT_EQ(t.Cell(0, 3), "");
}

TEST(TempPointTable, NumberReadsDecimalCellsOnly) {
  TempPointTable t;
  t.Build("1", "0", "0");
  const std::vector<std::pair<std::string, std::optional<double>>> cases{
      {"12.5", 12.5}, {" -3 ", -3.0}, {"+2", 2.0}, {"1E2", 100.0}, {"1,5", {}},  {"", {}},
      {"abc", {}},    {"inf", {}},    {"nan", {}}, {"12.5 C", {}}, {"0x10", {}}, {"--1", {}}};
  for (const auto& [text, want] : cases) {
    t.SetCell(1, 1, text);
    EXPECT_EQ(t.Number(1, 1), want) << '"' << text << '"';
  }
  EXPECT_EQ(t.Number(1, 2), std::nullopt);  // outside the table
}

TEST(RegStepTable, ModeCountText) {
  const std::vector<std::pair<std::string, int>> cases{
      {"5", 5},   {" 12 ", 12}, {"10000", 10000}, {"0", 48},  {"10001", 48},
      {"-4", 48}, {"abc", 48},  {"", 48},         {"7x", 48}, {"99999999999999999999", 48}};
  for (const auto& [text, want] : cases)
    EXPECT_EQ(RegStepTable::ParseModeCount(text), want) << '"' << text << '"';
}

TEST(RegStepTable, ApplyLabelsSizesAndNarrowsColumns) {
  RegStepTable t;
  t.Resize(3);
  t.SetCell(1, 2, "AB");
  t.Apply(5);
  EXPECT_EQ(t.RowCount(), 6);
  EXPECT_EQ(t.Cell(0, 0), "Address");
  EXPECT_EQ(t.Cell(11, 0), "Delay");
  EXPECT_EQ(t.Cell(12, 0), "ACM");
  EXPECT_EQ(t.Cell(1, 0), "");
  EXPECT_EQ(t.Cell(0, 1), "Value-1");
  EXPECT_EQ(t.Cell(0, 5), "Value-5");
  EXPECT_EQ(t.Cell(1, 2), "AB");  // contents stay
  std::vector<int> widths;
  for (int c = 0; c < RegStepTable::kColumns; ++c) widths.push_back(t.ColumnWidth(c));
  EXPECT_EQ(widths, (std::vector<int>{60, 22, 22, 22, 22, 22, 64, 64, 64, 64, 64, 64, 64}));

  t.Apply(12);
  widths.clear();
  for (int c = 0; c < RegStepTable::kColumns; ++c) widths.push_back(t.ColumnWidth(c));
  EXPECT_EQ(widths, (std::vector<int>{60, 22, 22, 22, 22, 22, 22, 22, 22, 22, 22, 40, 64}));

  t.SetCell(1, 4, "CD");
  t.Apply(3);
  EXPECT_EQ(t.RowCount(), 4);
  EXPECT_EQ(t.ColumnWidth(11), 40);  // widths once set stay
  t.Apply(5);
  EXPECT_EQ(t.Cell(1, 4), "");  // the row was dropped, not hidden
  EXPECT_EQ(t.Cell(0, 4), "Value-4");

  t.Apply(20000);
  EXPECT_EQ(t.RowCount(), RegStepTable::kMaxModes + 1);
}

TEST(RegStepTable, ExtentScans) {
  RegStepTable t;
  t.Apply(6);
  t.SetCell(1, 0, "40");
  t.SetCell(2, 0, "0");
  t.SetCell(3, 0, "42");
  t.SetCell(5, 0, "44");
  EXPECT_EQ(t.AddressCount(), 3);      // the empty column 4 ends the addresses
  EXPECT_EQ(t.AddressCount(true), 1);  // Save Reg: hex 0 ends them too
  t.SetCell(2, 0, "zz");
  EXPECT_EQ(t.AddressCount(true), 1);  // a non-hex address reads as 0
  t.SetCell(1, 0, "");
  EXPECT_EQ(t.AddressCount(), 0);

  t.SetCell(1, 1, "1");
  t.SetCell(1, 2, "x1");  // one hex digit among others is enough
  t.SetCell(1, 3, "g ");
  t.SetCell(1, 4, "5");
  EXPECT_EQ(t.ModeCount(), 2);
  t.SetCell(1, 3, "0");
  EXPECT_EQ(t.ModeCount(), 4);
}

TEST(RegStepTable, AddressValueAndDelayReading) {
  RegStepTable t;
  t.Apply(2);
  t.SetCell(1, 0, "1A5");
  t.SetCell(2, 0, "G1");
  t.SetCell(1, 1, "ff");
  EXPECT_EQ(t.Address(1), 0xA5);  // the low byte
  EXPECT_EQ(t.Address(2), 0);     // a non-hex character makes the whole value 0
  EXPECT_EQ(t.Value(1, 1), 0xFF);
  EXPECT_EQ(t.Value(1, 2), 0);
  const std::vector<std::pair<std::string, int>> delays{{"20", 20}, {" 7 ", 7}, {"2.5", 0},
                                                        {"abc", 0}, {"-3", 0},  {"", 0}};
  for (const auto& [text, want] : delays) {
    t.SetCell(RegStepTable::kDelayColumn, 1, text);
    EXPECT_EQ(t.DelaySeconds(1), want) << '"' << text << '"';
  }
  t.SetCell(RegStepTable::kAcmColumn, 2, "2.4");
  EXPECT_EQ(t.Reference(2), "2.4");
}

// "SET" changes the number of points only: results and headers shown stay, rows added are
// numbered, rows removed go.
TEST(ResultTable, ResizeRowsKeepsWhatIsShown) {
  ResultTable r;
  r.Prepare(3, 3, 2);
  r.SetCell(1, 0, "Mean");
  r.SetCell(2, 1, "1.00");
  r.ResizeRows(5, 4);
  EXPECT_EQ(r.Rows(), 5);
  EXPECT_EQ(r.Cell(1, 0), "Mean");
  EXPECT_EQ(r.Cell(2, 0), "D - 2");
  EXPECT_EQ(r.Cell(2, 1), "1.00");
  EXPECT_EQ(r.Cell(0, 4), "4");
  r.ResizeRows(2, 1);
  EXPECT_EQ(r.Rows(), 2);
  EXPECT_EQ(r.Cell(2, 1), "1.00");
  EXPECT_EQ(r.Cell(0, 1), "1");
}

TEST(ResultTable, PrepareClearsAndLabels) {
  ResultTable r;
  r.Prepare(4, 6, 3);
  r.SetCell(2, 2, "1.00");
  r.Prepare(3, 4, 5);  // more points than rows: only the rows that exist are numbered
  EXPECT_EQ(r.Columns(), 3);
  EXPECT_EQ(r.Rows(), 4);
  EXPECT_EQ(r.Cell(0, 0), "");
  EXPECT_EQ(r.Cell(1, 0), "D - 1");
  EXPECT_EQ(r.Cell(2, 0), "D - 2");
  EXPECT_EQ(r.Cell(0, 3), "3");
  EXPECT_EQ(r.Cell(2, 2), "");
  EXPECT_EQ(r.Cell(3, 0), "");
  const int revision = r.Revision();
  r.SetCell(3, 1, "x");  // outside: ignored
  r.SetCell(1, 4, "x");
  EXPECT_EQ(r.Revision(), revision);
  r.SetCell(1, 1, "-2.50");
  EXPECT_EQ(r.Cell(1, 1), "-2.50");
  r.Prepare(2, 3, 0);
  EXPECT_EQ(r.Cell(0, 1), "");
  EXPECT_EQ(r.Cell(1, 1), "");
}

TEST(FixedTwo, TwoDecimals) {
  EXPECT_EQ(FixedTwo(-40), "-40.00");
  EXPECT_EQ(FixedTwo(12.3456), "12.35");
  EXPECT_EQ(FixedTwo(0), "0.00");
  EXPECT_EQ(FixedTwo(-0.001), "0.00");
  EXPECT_EQ(FixedTwo(1e20), "100000000000000000000.00");
  EXPECT_EQ(FixedTwo(1e300).size(), 304u);
}

}  // namespace
}  // namespace qx::autotest
