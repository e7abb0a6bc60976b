#include "core/instruments/StepTable.h"

#include <gtest/gtest.h>

#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/instruments/EchoPeer.h"
#include "core/instruments/StepTraffic.h"

namespace qx::instruments {
namespace {

TEST(StepTable, CreatedWithHeadersAndFortyEightNumberedSteps) {
  StepTable t;
  EXPECT_EQ(t.RowCount(), 49);
  EXPECT_EQ(t.Cell(0, 0), "序號");
  EXPECT_EQ(t.Cell(1, 0), "Step");
  EXPECT_EQ(t.Cell(2, 0), "輸入值");
  EXPECT_EQ(t.Cell(0, 1), "1");
  EXPECT_EQ(t.Cell(0, 48), "48");
  EXPECT_EQ(t.Cell(0, 49), "");
  EXPECT_EQ(t.Cell(3, 1), "");
}

TEST(StepTable, IniRenumbersButAResizeLeavesNewRowsUnnumberedAndKeepsCells) {
  StepTable fluke;
  StepTable power;
  fluke.SetCell(2, 3, "OUT 1 V");
  power.SetCell(2, 3, "VOLT 5");
  fluke.INI(60);
  power.Resize(61);
  EXPECT_EQ(fluke.RowCount(), 61);
  EXPECT_EQ(power.RowCount(), 61);
  EXPECT_EQ(fluke.Cell(0, 60), "60");
  EXPECT_EQ(power.Cell(0, 48), "48");
  EXPECT_EQ(power.Cell(0, 49), "");
  EXPECT_EQ(fluke.Cell(2, 3), "OUT 1 V");
  power.Resize(3);
  EXPECT_EQ(power.Cell(2, 3), "");
  EXPECT_EQ(power.Cell(2, 2), "");
  power.SetCell(2, 9, "ignored");
  EXPECT_EQ(power.RowCount(), 3);
}

TEST(StepTable, StepCellIsReadAsHex) {
  StepTable t;
  const std::pair<const char*, bool> cases[] = {{"", false}, {"0", false}, {"00", false},
                                                {"1", true}, {"A", true},  {"f", true}};
  for (const auto& [text, enabled] : cases) {
    t.SetCell(1, 1, text);
    EXPECT_EQ(t.Enabled(1), enabled) << text;
  }
  t.SetCell(1, 0, "1");
  EXPECT_FALSE(t.Enabled(0)) << "the header row is never a step";
}

TEST(StepTable, TypedStepsTakeHexOfUpToFourDigitsOnlyAndOtherCellsAnyText) {
  struct Case {
    int column;
    const char* text;
    bool taken;
  };
  const Case cases[] = {
      {1, "A", true},      {1, "ffff", true}, {1, "", true},
      {1, "zz", false},    {1, " 1", false},  {1, "1G", false},
      {1, "10000", false}, {2, "zz", true},   {0, "seventh", true},
  };
  for (const Case& c : cases) {
    StepTable t;
    t.SetCell(c.column, 7, "1");
    const std::string refusal = t.Edit(c.column, 7, c.text);
    EXPECT_EQ(refusal.empty(), c.taken) << c.text;
    EXPECT_EQ(t.Cell(c.column, 7), c.taken ? c.text : "1") << c.text;
  }
  StepTable t;
  EXPECT_EQ(t.Edit(1, 7, "zz"),
            "Step \"zz\" of row 7 is not a hex number of up to 4 digits: 0 or empty turns the step "
            "off, 1 to FFFF turns it on");
  EXPECT_FALSE(t.Edit(1, 0, "1").empty()) << "the titles are no step";
}

class StepTrafficTest : public ::testing::Test {
 protected:
  void SetUp() override {
    power = provider.Add("COM6");
    fluke = provider.Add("COM5");
    ports.PowerPort.Handle = provider.Open("COM6");
    ports.PowerPort.Selected = true;
    ports.FlukePort.Handle = provider.Open("COM5");
    ports.FlukePort.Selected = true;
  }
  base::FakeClock clock;
  base::RecordingHost host;
  InstrumentPorts ports{clock};
  test::PeerProvider provider;
  std::shared_ptr<test::PeerState> power;
  std::shared_ptr<test::PeerState> fluke;
  StepTraffic traffic{ports, clock, host};
  StepTable table;
};

TEST_F(StepTrafficTest, PowerStepRepeatsUnansweredCommandsThenSwitchesTheOutputOn) {
  table.SetCell(1, 2, "1");
  table.SetCell(2, 2, "VOLT 5.0");
  const double before = clock.NowMs();
  EXPECT_TRUE(traffic.PowerStep(table, 2, "1500"));
  EXPECT_EQ(power->written, "VOLT 5.0\r\nVOLT 5.0\r\nOUTP ON\r\nOUTP ON\r\n");
  // The link state keeps panel 0; the step is said beside the run's other steps.
  EXPECT_EQ(host.status[0], "");
  EXPECT_EQ(host.status[1], "Power supply, step 2: VOLT 5.0");
  // Four exchanges of 500 ms, then the step's own delay.
  EXPECT_NEAR(clock.NowMs() - before, 4 * 500 + 1500, 50);
}

TEST_F(StepTrafficTest, PowerStepOutputOffInAnyCaseSendsNoOutputOnAndBadDelayIsHalfASecond) {
  power->answer = [](const std::string&) { return std::string("\r\n"); };
  table.SetCell(1, 1, "A");
  table.SetCell(2, 1, "outp off");
  const double before = clock.NowMs();
  EXPECT_TRUE(traffic.PowerStep(table, 1, "2 s"));
  EXPECT_EQ(power->written, "outp off\r\n");
  EXPECT_NEAR(clock.NowMs() - before, 500 + 500, 50);
}

TEST_F(StepTrafficTest, DisabledRowsAndUnselectedInstrumentsSendNothing) {
  table.SetCell(2, 1, "VOLT 1");
  table.SetCell(1, 1, "0");
  EXPECT_FALSE(traffic.PowerStep(table, 1, "0"));
  EXPECT_FALSE(traffic.FlukeStep(table, 1, false));
  table.SetCell(1, 1, "1");
  ports.PowerPort.Selected = false;
  EXPECT_FALSE(traffic.PowerStep(table, 1, "0"));
  EXPECT_EQ(power->written, "");
  EXPECT_EQ(fluke->written, "");
}

TEST_F(StepTrafficTest, CalibratorStepGoesToStandbyFirstAndTriesTwice) {
  table.SetCell(1, 1, "1");
  table.SetCell(2, 1, "OUT 600 mV ,0 Hz");
  EXPECT_FALSE(traffic.FlukeStep(table, 1, false));
  EXPECT_EQ(fluke->written, "STBY\rOUT 600 mV ,0 Hz\rSTBY\rOUT 600 mV ,0 Hz\r");
  EXPECT_EQ(host.status[2], "Fluke: no reply to OUT 600 mV ,0 Hz");

  fluke->written.clear();
  fluke->answer = [](const std::string& w) { return w == "\r" ? std::string("=>\r") : ""; };
  EXPECT_TRUE(traffic.FlukeStep(table, 1, true));
  EXPECT_EQ(fluke->written, "OUT 600 mV ,0 Hz\r");
  EXPECT_EQ(host.status[2], "=>");
}

TEST_F(StepTrafficTest, OperateFollowsUnlessTheStepIsAStandbyInAnyCase) {
  fluke->answer = [](const std::string& w) { return w == "\r" ? std::string("=>\r") : ""; };
  table.SetCell(1, 1, "1");
  table.SetCell(2, 1, "stby");
  EXPECT_FALSE(traffic.FlukeOperStep(table, 1));
  EXPECT_EQ(fluke->written, "");
  table.SetCell(2, 1, "OUT 1 V");
  EXPECT_TRUE(traffic.FlukeOperStep(table, 1));
  EXPECT_EQ(fluke->written, "OPER\r");
}

}  // namespace
}  // namespace qx::instruments
