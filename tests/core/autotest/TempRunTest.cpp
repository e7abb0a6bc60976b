#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/analysis/NoiseResult.h"
#include "core/app/Workbench.h"
#include "core/autotest/TempRunPresenter.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/instruments/ScriptedPort.h"
#include "support/FakeBridge.h"
#include "support/TempDir.h"

namespace qx::autotest {
namespace {

using instruments::test::ScriptedPort;
using instruments::test::ToBytes;

/// The temperature test on virtual time: a bridge that answers every frame, and a chamber, a
/// calibrator and a power supply that answer from scripts. Every byte sent to an instrument and
/// every register frame to the bridge lands in one log, in the order it went out.
class TempRunTest : public ::testing::Test {
 protected:
  TempRunTest() {
    hid.AttachBridge(bridge);
    bench.target.LinkKind = link::kLinkSpi;
    run.SetFiles(dir.Path(), [](std::string_view utf8) { return std::string(utf8); });
    bench.instruments.trace = [this](const std::string& port, bool sent,
                                     std::span<const uint8_t> bytes) {
      if (sent)
        log.emplace_back(clock.NowMs(), port + " " + std::string(bytes.begin(), bytes.end()));
    };
    const auto respond = bridge.respond;
    bridge.respond = [this, respond](const test::Bytes& r) {
      const bool spi = r.size() >= 6 && (r[0] == 0xB1 || r[0] == 0xBC);  // plain or photo
      if (spi && r[1] == 0x40)
        log.emplace_back(clock.NowMs(), "write " + Hex(r[2]) + "=" + Hex(r[5]));
      else if (spi && r[1] == 0xC0)
        log.emplace_back(clock.NowMs(), "read " + Hex(r[2]));
      return respond(r);
    };

    run.form.tempCount = "1";
    run.form.tempStart = "25.0";
    run.form.modeCount = "1";
    run.form.holdMinutes = "0";
    run.form.powerDelay = "2000";
    run.form.linkWaitMinutes = "0";
    run.FormCreate();
    run.TMPCNTSETClick();
    run.Modenum();
    run.regs.SetCell(1, 0, "10");
    run.regs.SetCell(1, 1, "3C");
    run.regs.SetCell(11, 1, "2");  // seconds to settle, waited twice
    run.regs.SetCell(12, 1, "2.4");
    bench.powerSteps.SetCell(1, 1, "1");
    bench.powerSteps.SetCell(2, 1, "VOLT 3.3");
    bench.flukeSteps.SetCell(1, 1, "1");
    bench.flukeSteps.SetCell(2, 1, "OUT 100 mV");
  }

  static std::string Hex(uint8_t v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[v >> 4], kDigits[v & 15]};
  }
  ScriptedPort& Plug(instruments::DevcRS232& record, const std::string& name) {
    auto port = std::make_unique<ScriptedPort>(clock);
    ScriptedPort& far = *port;
    record.Handle = std::move(port);
    record.PortName = name;
    record.Selected = true;
    return far;
  }
  /// Log lines in order, without their times.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const auto& [at, line] : log) out.push_back(line);
    return out;
  }
  /// Time of the `nth` (from 0) log line that is `line`; -1 when there is none.
  double At(const std::string& line, int nth = 0) const {
    for (const auto& [at, l] : log)
      if (l == line && nth-- == 0) return at;
    return -1;
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  test::TempDir dir{"temp_run"};
  app::Workbench bench{clock, host, hid, bulk};
  TempTest& run = bench.tempTest;
  ScriptedPort& fluke = Plug(bench.instruments.FlukePort, "COM3");
  ScriptedPort& power = Plug(bench.instruments.PowerPort, "COM4");
  std::vector<std::pair<double, std::string>> log;
};

TEST_F(TempRunTest, OneModeGoesOutInOrderAndSettlesBeforeItsCapture) {
  for (int i = 0; i < 2; ++i) power.Reply(ToBytes("0\r\n"), 50);
  for (int i = 0; i < 3; ++i) fluke.Silence();
  fluke.Reply(ToBytes("OUT 100 mV\r"), 30);  // after the command's CR
  fluke.Silence();
  fluke.Reply(ToBytes("OPER\r"), 30);
  run.TTestClick();

  const std::vector<std::string> expected{
      "COM4 VOLT 3.3\r\n", "COM4 OUTP ON\r\n",  // supply, then its output on
      "COM3 STBY",         "COM3 \r",          "COM3 OUT 100 mV", "COM3 \r",  // calibrator step
      "write 10=3C",       "read 10",                                         // the mode's register
      "COM3 OPER",         "COM3 \r",  // calibrator output on
      "read 00",           "read 01",          "read 02",         "read 03", "read 04"};
  const auto lines = Lines();
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);

  // The supply's reply wait, then the delay box before the calibrator is touched.
  EXPECT_EQ(At("COM4 OUTP ON\r\n") - At("COM4 VOLT 3.3\r\n"), 500);
  EXPECT_EQ(At("COM3 STBY") - At("COM4 OUTP ON\r\n"), 500 + 2000);
  // OPER's CR, its 20 ms and 500 ms, then 4000 ms and twice the mode's 2 s before the capture
  // reads the ADC registers (each wait may overrun by one 10 ms poll).
  const double fromOper = At("read 00") - At("COM3 \r", 2);
  EXPECT_GE(fromOper, 20 + 500 + 4000 + 2 * 2000);
  EXPECT_LE(fromOper, 20 + 500 + 4000 + 2 * 2000 + 2 * 10 + 10);
}

TEST_F(TempRunTest, ChamberFailuresEndWithTheClosingStepsAndAFailedRun) {
  const test::Bytes ack = ToBytes(
      "\x02"
      "01WSD,OK\r\n");
  const test::Bytes nak = ToBytes(
      "\x02"
      "01WSD,NG01\r\n");
  const std::string stop =
      "COM2 \x02"
      "01WSD,01,0101,0004\r\n";
  const struct {
    const char* name;
    std::vector<test::Bytes> answers;  ///< the chamber's, one per frame; silence after them
    std::string why;
  } cases[] = {
      {"set point refused twice",
       {nak, nak},
       "The chamber did not take the set point of point 1 (no OK to the write, twice)"},
      {"RUN refused twice", {ack, ack, ack, nak, ack, nak}, TempTest::kRunError},
      {"temperature read failing twice",
       {ack, ack, ack, ack},
       "The chamber does not answer a temperature read at point 1 (twice); the point's modes "
       "are not measured"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPort& chamber = Plug(bench.instruments.ChamberPort, "COM2");
    for (const auto& a : c.answers) chamber.Reply(a);
    log.clear();
    host.errors.clear();
    std::filesystem::remove(dir.Path() / "QxTEMPA.CSV");

    EXPECT_EQ(run.TBgClick(), TempTest::RunEnd::Failed);
    EXPECT_FALSE(run.Running);
    EXPECT_TRUE(run.beginEnabled);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "QxTEMPA.CSV"));
    // The chamber is stopped and the calibrator put in standby, in that order, last of all.
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{stop, "COM3 STBY", "COM3 \r"}));
    EXPECT_EQ(host.status[2], c.why);
    EXPECT_EQ(host.errors, std::vector<std::string>{c.why});
    EXPECT_EQ(run.results.Stat(0, 1, 1), 0.0) << "no mode was measured";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("write", 0) == 0; }),
              0);
  }
}

// With the multimeters alone nothing is captured: the table and chart show no ADC figure,
// where they showed the untouched mean as a 0.00 measurement.
TEST_F(TempRunTest, ARunOfTheMetersAloneShowsNoAdcFigure) {
  TempRunPresenter presenter(run, host, dir.Path());
  analysis::NoiseResult noise;
  noise.groups[0].mean = 1234.5;
  const struct {
    TempForm::Measure measure;
    const char* cell;
    size_t chartLines;
  } cases[] = {
      {TempForm::Measure::Meters, "", 0},
      {TempForm::Measure::AdcAndMeters, "1234.50", 1},
      {TempForm::Measure::Adc, "1234.50", 1},
  };
  run.data.Prepare(2, 2, 1);
  run.TempCount = run.ModeCount = 1;
  for (const auto& c : cases) {
    run.form.measure = c.measure;
    run.results.Resize(1, 1);
    run.results.SetTarget(1, 25, 0);
    if (c.measure != TempForm::Measure::Meters) run.results.SetStats(1, 1, noise);
    run.results.SetMeter(0, 1, 1, 1.5, "V");
    run.TMPDataClick();
    presenter.ModeFinished(1, 1);
    EXPECT_EQ(run.data.Cell(1, 1), c.cell) << static_cast<int>(c.measure);
    EXPECT_EQ(presenter.ChartOf(0).lines.size(), c.chartLines) << static_cast<int>(c.measure);
  }
}

}  // namespace
}  // namespace qx::autotest
