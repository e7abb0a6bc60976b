#include <gtest/gtest.h>

#include <string>

#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/base/SteadyClock.h"
#include "core/instruments/InstrumentSelect.h"
#include "core/instruments/StepTraffic.h"
#include "platform/PosixSerialPortProvider.h"
#include "sim/SimInstruments.h"
#include "sim/SimPtyServer.h"

namespace qx::test {
namespace {

/// The simulated calibrator, power supply and chamber each on a pseudo-terminal, found and
/// driven through the termios backend exactly as on the bench.
class InstrumentBenchPty : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const sim::SimPtyServer* s : {&calibrator, &power, &chamber}) ASSERT_TRUE(s->Ok());
  }
  std::string SentTo(sim::SimPtyServer& server, sim::SimInstrument& line) {
    std::string sent;
    server.Access([&] { sent.assign(line.Sent().begin(), line.Sent().end()); });
    return sent;
  }

  base::FakeClock deviceClock;  // the chamber holds still
  sim::SimInstruments bench{deviceClock};
  sim::SimPtyServer calibrator{bench.CalibratorLine()};
  sim::SimPtyServer power{bench.PowerSupplyLine()};
  sim::SimPtyServer chamber{bench.ChamberLine()};

  base::SteadyClock clock;
  base::RecordingHost host;
  instruments::InstrumentPorts ports{clock};
  platform::PosixSerialPortProvider provider{"/nonexistent/"};
  instruments::InstrumentSelect select{ports, provider, clock, host};
  instruments::StepTraffic traffic{ports, clock, host};
};

TEST_F(InstrumentBenchPty, EachInstrumentIsFoundOnItsPortAndRefusedOnAnother) {
  // The chamber's port answers SCPI with silence, the supply's port answers frames with SCPI.
  EXPECT_FALSE(select.ChamberSelectClick(power.SlavePath()));
  EXPECT_EQ(host.status[1], "Fail Select Chamber " + power.SlavePath());
  EXPECT_FALSE(select.PowerSelectClick(chamber.SlavePath()));
  EXPECT_EQ(host.status[1], "Fail Select Power Supply " + chamber.SlavePath());
  EXPECT_EQ(host.errors, (std::vector<std::string>{"此通道連接的不是溫控廂!!",
                                                   "此通道連接的不是Power Supply!!"}));

  power.Access([&] { bench.PowerSupplyLine().ClearSent(); });
  EXPECT_TRUE(select.FlukeSelectClick(calibrator.SlavePath()));
  EXPECT_TRUE(select.PowerSelectClick(power.SlavePath()));
  EXPECT_TRUE(select.ChamberSelectClick(chamber.SlavePath()));
  EXPECT_EQ(host.status[1], "Successful Select Chamber In " + chamber.SlavePath());
  EXPECT_EQ(SentTo(calibrator, bench.CalibratorLine()), "*OPT\r");
  EXPECT_EQ(SentTo(power, bench.PowerSupplyLine()),
            "SYST:REM\r\nVOLT 0.0\r\nCURR 0.0\r\nOUTP OFF\r\n*IDN?\r\n");
  EXPECT_TRUE(select.ChamberSelectClick(chamber.SlavePath()));
  EXPECT_EQ(host.status[1], "Chamber 已經設定");
}

TEST_F(InstrumentBenchPty, StepTablesDriveTheSupplyAndTheCalibrator) {
  ASSERT_TRUE(select.PowerSelectClick(power.SlavePath()));
  ASSERT_TRUE(select.FlukeSelectClick(calibrator.SlavePath()));
  instruments::StepTable powerSteps;
  instruments::StepTable flukeSteps;
  powerSteps.SetCell(1, 1, "1");
  powerSteps.SetCell(2, 1, "VOLT 3.3");
  powerSteps.SetCell(1, 2, "1");
  powerSteps.SetCell(2, 2, "outp off");
  flukeSteps.SetCell(1, 1, "1");
  flukeSteps.SetCell(2, 1, "OUT 600 mV ,0 Hz ");
  flukeSteps.SetCell(1, 2, "1");
  flukeSteps.SetCell(2, 2, "stby");

  EXPECT_TRUE(traffic.PowerStep(powerSteps, 1, "0"));
  bool on = false;
  double volts = 0;
  power.Access([&] {
    on = bench.PowerSupply().OutputOn();
    volts = bench.PowerSupply().SetVolts();
  });
  EXPECT_TRUE(on);
  EXPECT_DOUBLE_EQ(volts, 3.3);

  EXPECT_TRUE(traffic.FlukeStep(flukeSteps, 1, false));
  EXPECT_TRUE(traffic.FlukeOperStep(flukeSteps, 1));
  bool operating = false;
  double out = 0;
  calibrator.Access([&] {
    operating = bench.Calibrator().Operating();
    out = bench.Calibrator().OutputVolts();
  });
  EXPECT_TRUE(operating);
  EXPECT_DOUBLE_EQ(out, 0.6);

  power.Access([&] { bench.PowerSupplyLine().ClearSent(); });
  calibrator.Access([&] { bench.CalibratorLine().ClearSent(); });
  EXPECT_TRUE(traffic.PowerStep(powerSteps, 2, "0"));
  EXPECT_TRUE(traffic.FlukeStep(flukeSteps, 2, true));
  EXPECT_FALSE(traffic.FlukeOperStep(flukeSteps, 2));
  // A supply answers no setting, so each goes out twice; "outp off" brings no "OUTP ON".
  EXPECT_EQ(SentTo(power, bench.PowerSupplyLine()), "outp off\r\noutp off\r\n");
  EXPECT_EQ(SentTo(calibrator, bench.CalibratorLine()), "stby\r");
  calibrator.Access([&] { operating = bench.Calibrator().Operating(); });
  EXPECT_FALSE(operating);
}

}  // namespace
}  // namespace qx::test
