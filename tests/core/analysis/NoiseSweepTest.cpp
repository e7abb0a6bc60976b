#include "core/analysis/NoiseSweep.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "CaptureFixture.h"

namespace qx::analysis::test {
namespace {

using qx::test::Bytes;

/// The workbench on a fake bridge that keeps the five ADC registers (writes store, reads
/// answer them) and streams a constant code while the registers allow it.
class NoiseSweepTest : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    chip::ChipModel& c = bench.chip;
    c.HasAdc0 = true;
    c.PgaGain = {1, 2, 4, 8, 16, 32, 64, 128};
    c.AdgnGain = {1, 2, 4, 8};
    c.AdcField("PGA") = {1, 3, 5, 0, true};
    c.AdcField("ADGN") = {1, 2, 3, 0, true};
    c.AdcField("FSRB") = {1, 1, 2, 0, true};
    c.AdcField("OSR") = {3, 3, 5, 0, true};
    c.AdcField("HS") = {3, 1, 4, 0, true};
    c.AdcField("IRQEN") = {3, 1, 2, 0, true};
    regs = {0x00, 0x0C, 0x00, 0x03, 0x00};  // ADGN 1, FSRB 1; OSCS 3
    bridge.respond = [this](const Bytes& r) { return Answer(r); };
  }

  Bytes Answer(const Bytes& r) {
    Bytes out(64, 0);
    out[0] = 0xFA;
    if (r.size() >= 5 && r[0] == 0xC4 && r[2] == 0xA0 && r[3] < regs.size()) {
      if (r[1] == 0x00 && r.size() >= 8 && !(refuse && refuse(r[3], r[7]))) regs[r[3]] = r[7];
      if (r[1] == 0x01) out[1] = regs[r[3]];
      return out;
    }
    if (r.size() >= 2 && r[0] == 0xC4 && r[1] == 0x04) {
      ++polls;
      if (onPoll) onPoll();
      if (silent && silent()) {
        out[0] = 0;
        return out;
      }
      out[0] = 21;
      for (int k = 0; k < 21; ++k) out[3 + 3 * k] = static_cast<uint8_t>(2 * (k % 3));
      return out;
    }
    return out;
  }

  /// The register frames sent: writes (C4 00 A0 reg 01 - - value) as "W 03 57", reads as "R 03".
  std::vector<std::string> RegisterFrames() const {
    std::vector<std::string> out;
    char text[16];
    for (const Bytes& r : bridge.requests) {
      if (r.size() < 5 || r[0] != 0xC4 || r[2] != 0xA0 || r[1] > 1) continue;
      if (r[1] == 0x00 && r.size() >= 8)
        std::snprintf(text, sizeof text, "W %02X %02X", r[3], r[7]);
      else
        std::snprintf(text, sizeof text, "R %02X", r[3]);
      out.emplace_back(text);
    }
    return out;
  }

  /// Refusal and failures, for the message of a failed expectation.
  std::string Why() const {
    std::string text = sweep.Refusal();
    for (const SweepCell& c : sweep.Cells())
      text += " | " + std::to_string(static_cast<int>(c.state)) + " " + c.failure;
    return text;
  }

  SweepPlan Plan() {
    SweepPlan plan;
    plan.gains = {{1, 0}, {8, 3}};
    plan.rates = {{640, 2, 0}, {1920, 2, 1}};
    plan.pointIndex = 0;  // 64 points
    return plan;
  }

  NoiseSweep sweep{{bench.capture, bench.access, bench.target, bench.frame, bench.chip, clock,
                    bench.settings, bench.noise}};
  std::array<uint8_t, 5> regs{};
  std::function<bool(uint8_t reg, uint8_t value)> refuse;
  std::function<bool()> silent;
  std::function<void()> onPoll;
  int polls = 0;
};

TEST_F(NoiseSweepTest, EachCellWritesOnlyWhatChangesAndTheRegistersComeBack) {
  ASSERT_TRUE(sweep.Run(Plan())) << Why();
  // Start: the gain and rate registers are read. Every capture's stream start writes the rate
  // register with its interrupt bits (| 14) from the image. Restore: both registers, whole.
  EXPECT_EQ(RegisterFrames(),
            (std::vector<std::string>{"R 01",    "R 03",             // what the target holds
                                      "W 03 43", "R 03", "W 03 4F",  // gain 1, 640 sps
                                      "W 03 53", "R 03", "W 03 5F",  // gain 1, 1920 sps
                                      "W 01 6C", "R 01", "W 03 43", "R 03",     // gain 8, 640 sps
                                      "W 03 4F",                                //
                                      "W 03 53", "R 03", "W 03 5F",             // gain 8, 1920 sps
                                      "W 01 0C", "R 01", "W 03 03", "R 03"}));  // restore
  EXPECT_EQ(bench.access.GetRegImage(1), 0x0C);
  EXPECT_EQ(bench.access.GetRegImage(3), 0x03);
  EXPECT_EQ(regs[3], 0x03) << "the interrupt bits of the last stream start are cleared too";
  EXPECT_EQ(bench.chip.AdcFields.at("PGA").value, 0);
  ASSERT_EQ(sweep.Cells().size(), 4u);
  for (const SweepCell& c : sweep.Cells()) {
    EXPECT_EQ(c.state, SweepCell::State::Done);
    EXPECT_EQ(c.samples, 64);
  }
}

TEST_F(NoiseSweepTest, FiguresUseTheWholeGainOfEachCell) {
  ASSERT_TRUE(sweep.Run(Plan())) << Why();
  // Codes 0, 2, 4 halved to 0, 1, 2 at 23 bits; ADGN 2 and FSRB double the PGA gain by 4.
  const SweepCell& unity = sweep.Cells()[0];
  const SweepCell& eight = sweep.Cells()[2];
  EXPECT_GT(unity.figures.rmsCodes, 0.7);
  EXPECT_DOUBLE_EQ(unity.figures.rmsCodes, eight.figures.rmsCodes);
  EXPECT_DOUBLE_EQ(unity.figures.rmsNv, 2.4e9 * unity.figures.rmsCodes / (4194304.0 * 4));
  EXPECT_DOUBLE_EQ(unity.figures.rmsNv / eight.figures.rmsNv, 8.0);
  EXPECT_DOUBLE_EQ(unity.figures.vppCodes, 2);
  // The analysis window's own resolution and point count are as they were.
  EXPECT_EQ(bench.settings.PointCount, 0);
}

TEST_F(NoiseSweepTest, AWriteThatDoesNotTakeFailsItsCellWithoutACapture) {
  refuse = [](uint8_t reg, uint8_t value) { return reg == 1 && (value >> 5) == 3; };
  EXPECT_FALSE(sweep.Run(Plan()));
  const auto& cells = sweep.Cells();
  EXPECT_EQ(cells[0].state, SweepCell::State::Done);
  EXPECT_EQ(cells[2].state, SweepCell::State::Failed);
  EXPECT_EQ(cells[2].failure, "register 01: PGA = 3 did not take");
  EXPECT_EQ(cells[2].figures.rmsNv, 0);
  EXPECT_EQ(cells[3].state, SweepCell::State::Failed);
  EXPECT_EQ(SweepRowTexts(cells[2])[5], "") << "a failed cell has no figures, not zeros";
  EXPECT_EQ(bench.access.GetRegImage(1), 0x0C);
}

TEST_F(NoiseSweepTest, ASilentStreamFailsThatCellAndTheSweepGoesOn) {
  // Nothing arrives in the cells the sweep set to high speed.
  silent = [this] { return (bench.access.GetRegImage(3) & 0x10) != 0; };
  EXPECT_FALSE(sweep.Run(Plan()));
  const auto& cells = sweep.Cells();
  EXPECT_EQ(cells[0].state, SweepCell::State::Done);
  EXPECT_EQ(cells[1].state, SweepCell::State::Failed);
  EXPECT_EQ(cells[1].failure,
            "Read Error !!!!! (0 of 64 samples): no conversion result arrived for 10 s");
  EXPECT_EQ(cells[2].state, SweepCell::State::Done);
  EXPECT_EQ(cells[3].state, SweepCell::State::Failed);
}

TEST_F(NoiseSweepTest, StopEndsTheRunningCaptureAndKeepsTheFinishedCells) {
  // Stop during the second cell's capture, after its first poll.
  onPoll = [this] {
    if (sweep.Cells()[0].state == SweepCell::State::Done) sweep.Stop();
  };
  EXPECT_FALSE(sweep.Run(Plan()));
  const auto& cells = sweep.Cells();
  EXPECT_EQ(cells[0].state, SweepCell::State::Done);
  EXPECT_EQ(cells[0].samples, 64);
  EXPECT_EQ(cells[1].state, SweepCell::State::Stopped);
  EXPECT_EQ(cells[2].state, SweepCell::State::Pending);
  EXPECT_EQ(cells[3].state, SweepCell::State::Pending);
  EXPECT_TRUE(sweep.Stopped());
  EXPECT_EQ(bench.capture.idle, 1);
  EXPECT_EQ(bench.access.GetRegImage(3), 0x03) << "a stopped sweep restores the registers too";
  // The table lists the finished and the stopped cell only.
  const std::string csv = SweepCsv(cells);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
  EXPECT_NE(csv.find(",stopped\r\n"), std::string::npos);
}

TEST_F(NoiseSweepTest, AStartWhileACaptureRunsIsRefused) {
  bench.capture.idle = 0;
  EXPECT_FALSE(sweep.Run(Plan()));
  EXPECT_EQ(sweep.Refusal(), NoiseSweep::kBusy);
  EXPECT_TRUE(bridge.requests.empty());
}

TEST_F(NoiseSweepTest, TimeLeftIsTheBridgeLimitOfTheCellsAhead) {
  // 77 results: 120.3125 ms at 640 sps (the converter), 40 ms at 1920 sps (four polls).
  EXPECT_DOUBLE_EQ(NoiseSweep::BridgeLimitMs(64, 640), 77 * 1000.0 / 640);
  EXPECT_DOUBLE_EQ(NoiseSweep::BridgeLimitMs(64, 7680), 40);
  std::vector<SweepProgress> seen;
  sweep.onProgress = [&](const SweepProgress& p) { seen.push_back(p); };
  ASSERT_TRUE(sweep.Run(Plan())) << Why();
  ASSERT_EQ(seen.size(), 8u);
  const double all = 2 * (77 * 1000.0 / 640 + 77 * 1000.0 / 1920);
  EXPECT_DOUBLE_EQ(sweep.BridgeLimitSumMs(), all);
  EXPECT_DOUBLE_EQ(seen[0].remainingMs, all);
  EXPECT_EQ(seen[0].Text(), "Cell 1/4: gain 1, 640 sps, about 0 s left");
  EXPECT_EQ(seen[6].cell, 4);
  EXPECT_EQ(seen[6].gain.gain, 8);
  EXPECT_DOUBLE_EQ(seen[6].remainingMs, 77 * 1000.0 / 1920);
  SweepProgress later = seen[0];
  later.remainingMs = 125'000;
  EXPECT_EQ(later.Text(), "Cell 1/4: gain 1, 640 sps, about 2 min 5 s left");
}

TEST(NoiseSweepChoice, GainsAndRatesComeFromTheChipTables) {
  chip::ChipModel c;
  c.PgaGain = {1, 1, 2, 8, 0, 32, 64, 128};
  c.AdcField("PGA") = {1, 3, 5, 0, true};
  c.AdcField("OSR") = {3, 3, 5, 0, true};
  EXPECT_EQ(NoiseSweep::ChipGains(c),
            (std::vector<SweepGain>{{1, 0}, {2, 2}, {8, 3}, {32, 5}, {64, 6}, {128, 7}}));
  std::vector<SweepGain> gains;
  std::string error;
  ASSERT_TRUE(NoiseSweep::ParseGains(c, "64, 1,64", gains, error)) << error;
  EXPECT_EQ(gains, (std::vector<SweepGain>{{64, 6}, {1, 0}}));
  EXPECT_FALSE(NoiseSweep::ParseGains(c, "1,16", gains, error));
  EXPECT_EQ(error, "the chip has no gain 16; the chip's gains are 1, 2, 8, 32, 64, 128");
  EXPECT_FALSE(NoiseSweep::ParseGains(c, "1,,2", gains, error));
  EXPECT_EQ(error, "gain '' is not a whole number; the chip's gains are 1, 2, 8, 32, 64, 128");

  // Without an HS field only the normal-speed column exists.
  std::vector<SweepRate> rates;
  EXPECT_FALSE(NoiseSweep::ParseRates(c, "1920", rates, error));
  EXPECT_EQ(error,
            "the chip has no rate 1920 sps; the chip's rates are 2560, 1280, 640, 320, 160, 80, "
            "40, 10 sps");
  c.AdcField("HS") = {3, 1, 4, 0, true};
  ASSERT_TRUE(NoiseSweep::ParseRates(c, "1920,10,7680", rates, error)) << error;
  EXPECT_EQ(rates, (std::vector<SweepRate>{{1920, 2, 1}, {10, 7, 0}, {7680, 0, 1}}));
  EXPECT_EQ(NoiseSweep::ChipRates(c).size(), 16u);
  EXPECT_EQ(NoiseSweep::ChipRates(c).front(), (SweepRate{7680, 0, 1}));
  EXPECT_EQ(NoiseSweep::DefaultRates(c).size(), 8u);

  // A two-bit PGA field reaches the first four entries only.
  c.AdcField("PGA") = {1, 2, 5, 0, true};
  EXPECT_EQ(NoiseSweep::ChipGains(c).back(), (SweepGain{8, 3}));
  c.AdcFields.erase("OSR");
  EXPECT_EQ(NoiseSweep::Unsweepable(c), "the chip description declares no OSR field");
}

TEST(NoiseSweepTable, CsvAndClipboardTexts) {
  SweepCell done;
  done.gain = {8, 3};
  done.rate = {640, 2, 0};
  done.state = SweepCell::State::Done;
  done.samples = 1024;
  done.figures = {12.0, 3456.789, 572.2046, 21.5, 6, 1.25, 20.41};
  SweepCell failed;
  failed.gain = {16, 4};
  failed.rate = {7680, 0, 1};
  failed.state = SweepCell::State::Failed;
  failed.failure = "no bridge (link kind 1, 2, 4 or 5)";
  SweepCell pending;
  EXPECT_EQ(SweepCsv({done, failed, pending}),
            "Gain,Rate (sps),OSR,HS,Points,RMS noise (nV),RMS noise (uV),Vp-p noise (nV),"
            "ENOB (bits),Noise-free bits,RMS noise (codes),Status\r\n"
            "8,640,2,0,1024,572.20,0.5722,3456.79,21.50,20.41,1.250,ok\r\n"
            "16,7680,0,1,0,,,,,,,\"failed: no bridge (link kind 1, 2, 4 or 5)\"\r\n");
  EXPECT_EQ(SweepTabText({done}),
            "Gain\tRate (sps)\tOSR\tHS\tPoints\tRMS noise (nV)\tRMS noise (\u00B5V)\t"
            "Vp-p noise (nV)\tENOB (bits)\tNoise-free bits\tRMS noise (codes)\tStatus\n"
            "8\t640\t2\t0\t1024\t572.20\t0.5722\t3456.79\t21.50\t20.41\t1.250\tok\n");
  const std::string table = SweepTableText({done, failed});
  const auto second = table.find('\n') + 1;
  // Columns line up: the ENOB header ends where its figure ends (the header line holds one
  // two-byte character before it, the µ).
  const auto header = table.find("ENOB (bits)") + std::string("ENOB (bits)").size() - 1;
  const auto figure = table.find("21.50", second) + 5 - second;
  EXPECT_EQ(header, figure);
}

}  // namespace
}  // namespace qx::analysis::test
