#include "core/analysis/AdcCapture.h"
#include "core/analysis/NoiseMath.h"
#include "core/analysis/SlotDecoder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "CaptureFixture.h"

namespace qx::analysis::test {
namespace {

using qx::test::Bytes;

constexpr int kScale23Bits = 15;  // D = 1
constexpr int kScale22Bits = 14;  // D = 2

class AdcCaptureTest : public CaptureFixture {
 protected:
  void Points(int index) { capture.NPointIndexChange(index); }
};

TEST_F(AdcCaptureTest, SettlingSlotsNeverBecomeSamples) {
  Points(0);  // 64 samples
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < 64; ++i) values.push_back(1000 + 2 * i);
  Queue(values, 0x7FFFFF);
  EXPECT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  ASSERT_EQ(capture.Count(), 64);
  EXPECT_EQ(capture.Captured(0), 1000) << "the 14th slot is the first sample";
  EXPECT_EQ(capture.Captured(63), 1126);
  EXPECT_EQ(capture.Cells().Text(0), "1000");
  EXPECT_EQ(host.status[2], kReadComplete);
  EXPECT_EQ(capture.ChartCount(), 64);
  EXPECT_EQ(capture.idle, 1);
  // 77 slots at 21 per poll: four polls, then the stream is stopped.
  EXPECT_EQ(bridge.requests.back(), (Bytes{0xC4, 0x03, 0x01, 0x00, 0x00, 0x00}));
}

TEST_F(AdcCaptureTest, SeventySixSlotsAreOneShortAndTheCaptureGivesUpAfterTenSeconds) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  Queue(std::vector<uint32_t>(63, 10));
  const double start = clock.NowMs();
  EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.Count(), 63);
  EXPECT_EQ(host.status[2], kReadError);
  EXPECT_GT(clock.NowMs() - start, AdcCapture::kNoDataAbortMs);
  EXPECT_LT(clock.NowMs() - start, AdcCapture::kNoDataAbortMs + 100);
  EXPECT_EQ(capture.FailureReason(), kStreamStalled);
  EXPECT_EQ(host.status[0], kStreamStalled);
  // The figures still come from the 63 samples that arrived.
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].mean, 10.0);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].rmsCodes, 0.0);
  EXPECT_EQ(capture.ChartCount(), 63);
}

TEST_F(AdcCaptureTest, AFailedStreamReadEndsTheCaptureAtOnceWithWhatHappenedToTheBridge) {
  struct Case {
    const char* what;
    bool unplugged;  ///< the bridge leaves the bus with the failed read
    const char* reason;
    const char* link;  ///< panel 0 once the link was looked at again
  };
  const Case cases[] = {
      {"one reply lost", false, link::kReplyLost, link::kUsbOnLine},
      {"bridge unplugged", true, link::kUsbNotConnect, link::kUsbNotConnect},
  };
  for (const Case& c : cases) {
    SetUp();
    slots.clear();
    host.status = {};
    host.statusLog.clear();
    host.pumps = 0;
    Points(0);
    capture.TXScaleChange(kScale23Bits);
    std::vector<uint32_t> values;
    for (int i = 0; i < 64; ++i) values.push_back(i % 2 == 0 ? 100 : 104);
    Queue(values);
    // The third poll's reply never arrives: 42 slots came, 29 of them samples.
    host.onPump = [&] {
      if (host.pumps != 2) return;
      bridge.failReads = 1;
      if (c.unplugged) bulk.bridge = nullptr;
    };
    const double start = clock.NowMs();
    EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeAdc)) << c.what;
    EXPECT_LT(clock.NowMs() - start, 1000) << c.what << ": no ten-second wait for a lost link";
    EXPECT_EQ(capture.Count(), 29) << c.what;
    EXPECT_EQ(capture.FailureReason(), c.reason) << c.what;
    EXPECT_EQ(host.status[0], c.reason) << c.what;
    EXPECT_EQ(host.status[2], kReadError) << c.what;
    EXPECT_EQ(bench.target.Usb.Opened, !c.unplugged) << c.what;
    EXPECT_NE(std::find(host.statusLog.begin(), host.statusLog.end(), std::string("0:") + c.link),
              host.statusLog.end())
        << c.what;
    EXPECT_EQ(capture.FiguresNote(),
              std::string("partial: figures of 29 of 64 samples (") + c.reason + ")")
        << c.what;
    // A bridge still there is told to stop its stream.
    EXPECT_EQ(bridge.requests.back() == (Bytes{0xC4, 0x03, 0x01, 0x00, 0x00, 0x00}), !c.unplugged)
        << c.what;
    host.onPump = nullptr;
  }
}

TEST_F(AdcCaptureTest, TheFiguresSayWhatTheyStandFor) {
  Points(0);
  Queue(std::vector<uint32_t>(64, 10));
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.FiguresNote(), "");

  Queue(std::vector<uint32_t>(64, 10));
  host.pumps = 0;
  host.onPump = [&] {
    if (host.pumps == 2) capture.idle = 1;
  };
  ASSERT_FALSE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.FiguresNote(), "stopped: figures of 29 of 64 samples");

  bench.target.LinkKind = link::kLinkRs232;
  ASSERT_FALSE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.FiguresNote(), std::string("no samples: ") + kCaptureNeedsUsb);
}

TEST_F(AdcCaptureTest, StreamStartsWithTheModeByteAndStopsAtTheEnd) {
  Points(0);
  Queue(std::vector<uint32_t>(64, 0));
  bool chartDuringCapture = false;
  host.onPump = [&] { chartDuringCapture = chartDuringCapture || bench.monitor.streamingChart; };
  bench.monitor.continuousRead = true;
  capture.CatchACDCOM("2.4", kModeInterrupt);
  ASSERT_FALSE(bridge.requests.empty());
  EXPECT_EQ(Bytes(bridge.requests[0].begin(), bridge.requests[0].begin() + 3),
            (Bytes{0xC4, 0x02, 0x03}));
  EXPECT_TRUE(chartDuringCapture);
  EXPECT_FALSE(bench.monitor.streamingChart);
  EXPECT_FALSE(bench.monitor.continuousRead) << "a capture stops the panel's reading";
  EXPECT_EQ(host.progress, -1) << "the gauge is hidden afterwards";
}

TEST_F(AdcCaptureTest, AverageChartModeKeepsTheStreamingChartOff) {
  Points(0);
  bench.settings.AverageChart = true;
  Queue(std::vector<uint32_t>(64, 0));
  bool chartDuringCapture = false;
  host.onPump = [&] { chartDuringCapture = chartDuringCapture || bench.monitor.streamingChart; };
  capture.CatchACDCOM("2.4", kModeAdc);
  EXPECT_FALSE(chartDuringCapture);
}

TEST_F(AdcCaptureTest, IdleFlagStopsTheCaptureAndFiguresUseTheRealCount) {
  Points(4);  // 1024
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (int i = 0; i < 1024; ++i) values.push_back(i % 2 == 0 ? 100 : 104);
  Queue(values);
  host.onPump = [&] {
    if (host.pumps == 3) capture.idle = 1;
  };
  EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(host.status[2], kReadError);
  // Three polls of 21 slots: 63 slots, 13 of them settling.
  ASSERT_EQ(capture.Count(), 50);
  EXPECT_DOUBLE_EQ(capture.Mean(), 102.0);
  EXPECT_DOUBLE_EQ(capture.Sigma(), 2.0);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].rmsCodes, 2.0);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].enob, 22.0);
}

TEST_F(AdcCaptureTest, CaptureThatCannotStartFailsAtOnceWithTheReason) {
  Points(0);
  Queue(std::vector<uint32_t>(64, 0));
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const char* reason;
    bool stopped;  ///< the start was sent and the stream stopped again
  };
  const std::vector<Case> cases = {
      {"serial bridge link", [&] { bench.target.LinkKind = link::kLinkRs232; }, kCaptureNeedsUsb,
       false},
      {"parallel port link", [&] { bench.target.LinkKind = link::kLinkParallel; }, kCaptureNeedsUsb,
       false},
      {"bridge gone", [&] { bench.usb.UsbClose(bench.target.Usb), bulk.bridge = nullptr; },
       link::kUsbNotConnect, false},
      // Refused start, the stream stopped again.
      {"bridge refuses",
       [&] {
         bridge.respond = [this](const Bytes& r) {
           return r.size() >= 2 && r[0] == 0xC4 && r[1] == 0x02 ? Bytes(64, 0)
                                                                : bridge.DefaultReply(r);
         };
       },
       kStreamRefused, true},
  };
  for (const Case& c : cases) {
    SetUp();
    c.arrange();
    bridge.requests.clear();
    host.status = {};
    const double start = clock.NowMs();
    EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeAdc)) << c.what;
    EXPECT_LT(clock.NowMs() - start, 100) << c.what;
    EXPECT_EQ(capture.FailureReason(), c.reason) << c.what;
    EXPECT_EQ(host.status[0], c.reason) << c.what;
    EXPECT_EQ(host.status[2], kReadError) << c.what;
    EXPECT_EQ(capture.Count(), 0) << c.what;
    EXPECT_EQ(host.progress, -1) << c.what;
    EXPECT_EQ(capture.idle, 1) << c.what;
    if (c.stopped) {
      ASSERT_GE(bridge.requests.size(), 2u) << c.what;
      EXPECT_EQ(Bytes(bridge.requests.front().begin(), bridge.requests.front().begin() + 2),
                (Bytes{0xC4, 0x02}));
      EXPECT_EQ(Bytes(bridge.requests.back().begin(), bridge.requests.back().begin() + 2),
                (Bytes{0xC4, 0x03}));
    } else {
      EXPECT_TRUE(bridge.requests.empty()) << c.what;
    }
  }
}

TEST_F(AdcCaptureTest, ReferenceThatIsNoPositiveNumberIsShownNotSilentlyTaken) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back(i % 2 == 0 ? 100 : 104);
  Queue(values);
  EXPECT_TRUE(capture.CatchACDCOM("-2.4", kModeAdc));
  EXPECT_EQ(host.status[2], ReferenceNotice("-2.4"));
  const double atFallback = bench.noise.groups[0].rmsNv;
  EXPECT_GT(atFallback, 0) << "never a negative reference";
  Queue(values);
  capture.CatchACDCOM("1.2", kModeAdc);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].rmsNv, atFallback);

  Queue(std::vector<uint32_t>(64, 7));
  EXPECT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(host.status[2], kReadComplete);
}

TEST_F(AdcCaptureTest, CaptureOnAClosedLinkReopensTheBridgeFirst) {
  Points(0);
  Queue(std::vector<uint32_t>(64, 7));
  // A failed transfer closed the link; the bridge answers again.
  bench.usb.UsbClose(bench.target.Usb);
  EXPECT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.FailureReason(), "");
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
  EXPECT_EQ(capture.Count(), 64);
}

TEST_F(AdcCaptureTest, NoSampleAtAllGivesZeroFigures) {
  Points(0);
  bridge.respond = [](const Bytes&) { return Bytes(64, 0); };
  EXPECT_FALSE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.Count(), 0);
  const NoiseFigures& f = bench.noise.groups[0];
  EXPECT_EQ(f.enob, 0);
  EXPECT_EQ(f.noiseFreeBits, 0);
  EXPECT_EQ(f.vppCodes, 0);
  EXPECT_FALSE(std::isnan(capture.Mean()));
}

TEST_F(AdcCaptureTest, FiveSeventyTwoNanovoltsForOneCodeAtTwentyThreeBits) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back(i % 2 == 0 ? 1000 : 1002);
  Queue(values);
  ASSERT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  const NoiseFigures& f = bench.noise.groups[0];
  EXPECT_DOUBLE_EQ(f.mean, 1001.0);
  EXPECT_DOUBLE_EQ(f.rmsCodes, 1.0);
  EXPECT_NEAR(f.rmsNv, 572.2046, 1e-4);
  EXPECT_DOUBLE_EQ(f.enob, 23.0);
  EXPECT_DOUBLE_EQ(f.vppCodes, 2.0);
  EXPECT_DOUBLE_EQ(f.noiseFreeBits, 22.0);
  EXPECT_NEAR(f.vppNv, 1144.409, 1e-3);
  EXPECT_EQ(bench.noise.groups[1].mean, 0) << "the second group is never written";
  EXPECT_NEAR(*capture.Panels().vrms, std::sqrt((1000.0 * 1000 + 1002.0 * 1002) / 2), 1e-9);
}

TEST_F(AdcCaptureTest, GainDividesTheNanovoltFigures) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  bench.chip.PgaGain = {1, 2, 4, 8, 16, 32, 64, 128};
  bench.chip.AdgnGain = {1, 2, 4, 8};
  bench.chip.AdcField("PGA").value = 3;
  bench.chip.AdcField("ADGN").value = 1;
  bench.chip.AdcField("FSRB").value = 1;
  EXPECT_EQ(capture.GetGain(), 32.0f);
  std::vector<uint32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back(i % 2 == 0 ? 0 : 2);
  Queue(values);
  capture.CatchACDCOM("2.4", kModeAdc);
  EXPECT_NEAR(bench.noise.groups[0].rmsNv, 572.2046 / 32, 1e-4);
}

TEST_F(AdcCaptureTest, GainTableZeroReadsAsOne) {
  bench.chip.PgaGain[2] = 0;
  bench.chip.AdcField("PGA").value = 2;
  EXPECT_EQ(capture.GetGain(), 1.0f);
}

TEST_F(AdcCaptureTest, AllEqualSamplesGiveTheFullResolution) {
  Points(0);
  capture.TXScaleChange(4);  // 12 bits
  Queue(std::vector<uint32_t>(64, 0x012345));
  capture.CatchACDCOM("abc", kModeAdc);
  const NoiseFigures& f = bench.noise.groups[0];
  EXPECT_EQ(f.rmsCodes, 0);
  EXPECT_EQ(f.enob, 12);
  EXPECT_EQ(f.vppCodes, 1) << "no spread is taken as one code";
  EXPECT_EQ(f.noiseFreeBits, 12);
  // 1.2 V for "abc": one code at 12 bits is 1.2e9 / 2^11 nV.
  EXPECT_NEAR(f.vppNv, 1.2e9 / 2048, 1e-6);
}

TEST_F(AdcCaptureTest, CaptureTruncatesMagnitudesAndReaveragingFloors) {
  Points(0);
  capture.TXScaleChange(kScale22Bits);  // D = 2
  capture.fullWidth = true;
  Queue(std::vector<uint32_t>(64, 0xFFFFFD));  // -3 in full width
  capture.CatchACDCOM("2.4", kModeAdc);
  EXPECT_EQ(capture.Cells().Text(0), "-1");
  bench.settings.CMAVR = 0;  // M = 1
  capture.ReCalADC();
  EXPECT_EQ(capture.Cells().Text(0), "-2");
  EXPECT_EQ(capture.Cells().Text(63), "-2");
}

TEST_F(AdcCaptureTest, ReaveragingGroupsAndChartPoints) {
  Points(1);  // 128, of which 100 arrive before the stop
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < 100; ++i) values.push_back(i);
  Queue(values);
  perPoll = 1;
  host.onPump = [&] {
    if (slots.empty()) capture.idle = 1;
  };
  capture.CatchACDCOM("2.4", kModeAdc);
  ASSERT_EQ(capture.Count(), 100);

  bench.settings.CMAVR = 5;  // M = 32
  capture.ReCalADC();
  EXPECT_EQ(capture.ReducedCount(), 3);
  EXPECT_EQ(capture.ChartCount(), 2);
  EXPECT_DOUBLE_EQ(capture.Working(0), 15.5);
  EXPECT_DOUBLE_EQ(capture.Working(2), 79.5);
  EXPECT_EQ(capture.Cells().Text(0), "15.50");
  EXPECT_EQ(capture.Cells().Text(3), "") << "cells of averaged samples are blanked";
  EXPECT_EQ(capture.Cells().Text(96), "96") << "samples after the last group keep their text";

  bench.settings.CMAVR = 3;  // M = 8, repeated from the captured samples
  capture.ReCalADC();
  EXPECT_EQ(capture.ReducedCount(), 12);
  EXPECT_EQ(capture.ChartCount(), 8);
  EXPECT_DOUBLE_EQ(capture.Working(0), 3.5);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].mean, (3.5 + 91.5) / 2);
  EXPECT_EQ(capture.Count(), 100) << "re-averaging keeps the captured count";
}

TEST_F(AdcCaptureTest, ReaveragingByOneKeepsSmallNoiseOnALargeLevel) {
  // Near full scale, one code of noise must survive the sums: 8388605 and 8388607 alternate, so
  // the mean is 8388606 and the standard deviation exactly one code.
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back(i % 2 ? 0x7FFFFF : 0x7FFFFD);
  Queue(values);
  capture.CatchACDCOM("2.4", kModeAdc);
  bench.settings.CMAVR = 0;  // M = 1
  capture.ReCalADC();
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].mean, 8388606.0);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].rmsCodes, 1.0);
  EXPECT_EQ(bench.noise.groups[0].vppCodes, 2);
  EXPECT_EQ(capture.Cells().Text(1), "8388607");
}

TEST_F(AdcCaptureTest, ReaveragingByMoreThanTheSamplesLeavesZeroFigures) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  perPoll = 1;
  Queue(std::vector<uint32_t>(20, 8));
  host.onPump = [&] {
    if (slots.empty()) capture.idle = 1;
  };
  capture.CatchACDCOM("2.4", kModeAdc);
  ASSERT_EQ(capture.Count(), 20);
  bench.settings.CMAVR = 5;
  capture.ReCalADC();
  EXPECT_EQ(capture.ReducedCount(), 0);
  EXPECT_FALSE(std::isnan(bench.noise.groups[0].mean));
  EXPECT_EQ(bench.noise.groups[0].enob, 0);
}

TEST_F(AdcCaptureTest, ChartShowsWindowSumsInAverageMode) {
  Points(0);
  capture.TXScaleChange(kScale22Bits);
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < 64; ++i) values.push_back(i * i);
  Queue(values);
  capture.CatchACDCOM("2.4", kModeAdc);
  // Window of 16 differences of i^2 starting at k: (k+16)^2 - k^2.
  EXPECT_DOUBLE_EQ(capture.WindowSum(0), 256.0);
  EXPECT_DOUBLE_EQ(capture.WindowSum(10), 26.0 * 26 - 100);
  EXPECT_EQ(capture.ChartValue(9), 81 / 2);
  bench.settings.AverageChart = true;
  EXPECT_EQ(capture.ChartValue(10), (26 * 26 - 100) / 2);
  capture.ClrTMP();
  EXPECT_FALSE(bench.settings.AverageChart);
  EXPECT_EQ(capture.Cells().Text(5), "");
  EXPECT_EQ(capture.Working(5), 0);
}

TEST_F(AdcCaptureTest, NoPointCountChosenCapturesTheDefaultRun) {
  bench.settings.PointCount = 0;
  EXPECT_EQ(capture.GridRows(), 1);
  Queue(std::vector<uint32_t>(300, 5));
  EXPECT_TRUE(capture.CatchACDCOM("2.4", kModeAdc));
  EXPECT_EQ(capture.Count(), AdcCapture::kDefaultTarget);
}

TEST_F(AdcCaptureTest, ScaleAndPointItemsSetTheSharedSettings) {
  capture.TXScaleChange(0);
  EXPECT_EQ(capture.Bits(), 8);
  EXPECT_EQ(bench.settings.CodeDivisor, 32768);
  capture.TXScaleChange(16);
  EXPECT_EQ(capture.Bits(), 8) << "an index out of range changes nothing";
  capture.NPointIndexChange(10);
  EXPECT_EQ(bench.settings.PointCount, 65536);
  EXPECT_EQ(capture.GridRows(), 4097);
  EXPECT_EQ(AdcCapture::ColumnHeader(16), "0F");
  EXPECT_EQ(AdcCapture::RowHeader(32), "001F");
}

TEST_F(AdcCaptureTest, SaveFileHoldsTwoBytesPerSample) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values(64, 5);
  values[0] = 0x1234;
  values[2] = 0xFFFED4 << 0;  // -300 in full width
  Queue(values);
  capture.fullWidth = true;
  capture.CatchACDCOM("2.4", kModeAdc);
  const std::string bytes = capture.SaveBytes();
  ASSERT_EQ(bytes.size(), 128u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0x12, 0x34, 0x00, 0x05, 0xFF, 0xD4}));
}

TEST_F(AdcCaptureTest, WaitTrigerShowsTheSecondsAndLetsMessagesRun) {
  capture.WaitTRIGER(3);
  EXPECT_GT(clock.NowMs(), 3000);
  EXPECT_EQ(host.status[2], "03");
  EXPECT_GT(host.pumps, 100);
}

TEST_F(AdcCaptureTest, WaitTrigerEndsWithinAPollOnceTheRunStops) {
  const double start = clock.NowMs();
  EXPECT_FALSE(capture.WaitTRIGER(30, [&] { return clock.NowMs() - start < 1500; }));
  EXPECT_LT(clock.NowMs() - start, 1600);
  // A run that goes on waits the whole time.
  const double again = clock.NowMs();
  EXPECT_TRUE(capture.WaitTRIGER(2, [] { return true; }));
  EXPECT_GT(clock.NowMs() - again, 2000);
}

TEST_F(AdcCaptureTest, OfflineSlotsGiveTheSameFiguresAsTheCapture) {
  Points(0);
  capture.TXScaleChange(kScale23Bits);
  std::vector<uint32_t> values;
  for (int i = 0; i < 64; ++i) values.push_back(static_cast<uint32_t>(500 + (i * 7) % 11));
  Queue(values);
  capture.halving = true;
  capture.CatchACDCOM("2.4", kModeInterrupt);
  const NoiseFigures live = bench.noise.groups[0];

  std::vector<uint32_t> recorded(13, 0);
  recorded.insert(recorded.end(), values.begin(), values.end());
  EXPECT_TRUE(capture.AnalyseSlots(recorded, 13, "2.4", kModeInterrupt));
  EXPECT_EQ(capture.Count(), 64);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].rmsNv, live.rmsNv);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].mean, live.mean);
  EXPECT_DOUBLE_EQ(bench.noise.groups[0].vppCodes, live.vppCodes);
}

}  // namespace
}  // namespace qx::analysis::test
