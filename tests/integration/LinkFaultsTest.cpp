#include <gtest/gtest.h>

#include "core/analysis/SlotDecoder.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "sim/SimBoard.h"

namespace qx {
namespace {

/// The core link against the simulated board, with virtual time.
class LinkFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chip.AdcFields["IRQEN"] = {1, 1, 4, 0, true};
    chip.AdcFields["TS"] = {1, 1, 0, 0, true};
    bench.target.LinkKind = link::kLinkQx740x;
    board.Target().SetRegister(2, 0x42);
  }
  bool Online() { return bench.target.Usb.Opened && link::IsValidHandle(bench.target.Usb.Handle); }
  void Connect() { ASSERT_TRUE(bench.monitor.USBConnect()); }

  base::FakeClock clock;
  base::RecordingHost host;
  chip::ChipModel chip;
  sim::SimBoard board{clock, chip};
  app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
};

TEST_F(LinkFaultsTest, DroppedReplyClosesTheLinkAndTheNextCheckReopensIt) {
  Connect();
  const auto image = bench.target.RegImage;
  board.Bridge().DropNextReply();
  bench.access.WriteReg(2, 0x17);
  EXPECT_FALSE(Online());
  EXPECT_EQ(bench.target.RegImage, image);
  EXPECT_TRUE(host.changedAddresses.empty());

  bench.monitor.CheckLink();
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
  bench.access.WriteReg(2, 0x17);
  EXPECT_EQ(bench.target.RegImage[2], 0x17);
}

TEST_F(LinkFaultsTest, CorruptedIdentityIsNotAcceptedWhileOpen) {
  Connect();
  board.Bridge().CorruptNextReply();
  bench.monitor.CheckLink();
  // The identity check failed on an open link: it is closed and reported, not rescanned.
  EXPECT_EQ(host.status[0], link::kUsbNotConnect);
  EXPECT_FALSE(Online());
  bench.monitor.CheckLink();
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
}

TEST_F(LinkFaultsTest, LateReplyIsAFailedTransferAfterOneSecond) {
  Connect();
  board.Bridge().DelayNextReply(1500);
  const double before = clock.NowMs();
  EXPECT_FALSE(bench.access.ReadAdcResult());
  EXPECT_FALSE(Online());
  EXPECT_LT(clock.NowMs() - before, 2000);

  // A reply late by less than the limit is still taken.
  bench.monitor.CheckLink();
  board.Bridge().DelayNextReply(300);
  EXPECT_TRUE(bench.access.ReadAdcResult());
}

TEST_F(LinkFaultsTest, UnplugDuringAStream) {
  Connect();
  ASSERT_TRUE(bench.access.StartAdcStream(1));
  clock.Advance(500);
  int count = 0;
  ASSERT_TRUE(bench.access.PollAdcStream(count));
  EXPECT_GT(count, 0);

  board.Bridge().Unplug();
  EXPECT_FALSE(bench.access.PollAdcStream(count));
  EXPECT_FALSE(Online());
  for (int i = 0; i < 1000; ++i) bench.monitor.Tick();
  EXPECT_EQ(host.status[0], link::kUsbNotConnect);

  board.Bridge().Replug();
  for (int i = 0; i < 1000; ++i) bench.monitor.Tick();
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
  EXPECT_TRUE(Online());
}

TEST_F(LinkFaultsTest, FailureInTheMiddleOfTheClaimLeavesTheBridgeUsable) {
  board.Bridge().FailAfterTransfers(2);  // the claim goes through, command 1 does not
  EXPECT_FALSE(bench.monitor.USBConnect());
  EXPECT_FALSE(Online());
  Connect();
  EXPECT_TRUE(Online());
}

TEST_F(LinkFaultsTest, StreamDeliversAtMostTwentyOneResultsPerPoll) {
  Connect();
  ASSERT_TRUE(bench.access.StartAdcStream(1));
  clock.Advance(5000);
  int count = 0;
  ASSERT_TRUE(bench.access.PollAdcStream(count));
  EXPECT_EQ(count, 21);
  ASSERT_TRUE(bench.access.PollAdcStream(count));
  EXPECT_EQ(count, 21);
  EXPECT_TRUE(bench.access.StopAdcStream());
}

TEST_F(LinkFaultsTest, BulkBridgeEndToEnd) {
  board.UseBulkBridge(true);
  Connect();
  EXPECT_FALSE(bench.usb.HidMode());
  EXPECT_EQ(bench.target.Usb.DeviceName, "Qxusb-0");
  bench.access.WriteReg(3, 0x99);
  EXPECT_EQ(bench.target.RegImage[3], 0x99);
  EXPECT_EQ(board.Target().Register(3), 0x99);
  bench.monitor.Disconnect();
  EXPECT_FALSE(board.Bridge().Claimed());
}

TEST_F(LinkFaultsTest, WrongPipeDirectionsNeverReachTheBridge) {
  board.UseBulkBridge(true);
  board.Bulk().SetWrongPipeDirections(true);
  EXPECT_FALSE(bench.monitor.USBConnect());
  EXPECT_TRUE(board.Bridge().Requests().empty());
  EXPECT_EQ(board.Bulk().OpenHandles(), 0u);
}

TEST_F(LinkFaultsTest, ReleaseOnExitIsSentBeforeTheHandleCloses) {
  Connect();
  ASSERT_TRUE(board.Bridge().Claimed());
  bench.monitor.Disconnect();
  const auto& requests = board.Bridge().Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(std::vector<uint8_t>(requests.back().begin(), requests.back().begin() + 4),
            (std::vector<uint8_t>{0xF9, 0x01, 0xFF, 0xFF}));
  EXPECT_FALSE(board.Bridge().Claimed());
  EXPECT_EQ(board.Hid().OpenHandles(), 0u);
}

TEST_F(LinkFaultsTest, UnplugBeforeACaptureFailsItAtOnceWithTheReason) {
  Connect();
  board.Bridge().Unplug();
  bench.capture.NPointIndexChange(0);
  const double start = clock.NowMs();
  EXPECT_FALSE(bench.capture.CatchACDCOM("2.4", analysis::kModeAdc));
  EXPECT_LT(clock.NowMs() - start, 1000) << "not the 10 s no-data abort";
  EXPECT_EQ(bench.capture.FailureReason(), link::kUsbNotConnect);
  EXPECT_EQ(host.status[0], link::kUsbNotConnect);
  EXPECT_EQ(host.status[2], analysis::kReadError);
}

TEST_F(LinkFaultsTest, BridgeReplugDuringACaptureThenTheMonitorReconnectsAndTheNextCaptureWorks) {
  Connect();
  bench.capture.NPointIndexChange(2);  // 256 samples
  // Gone 30 requests into the capture, back 3 s later, while the capture still waits for data.
  const unsigned long at = board.Bridge().RequestCount() + 30;
  board.Bridge().SetFaultPlan({{sim::SimFault::Kind::Unplug, at, 3000}});
  const double start = clock.NowMs();
  EXPECT_FALSE(bench.capture.CatchACDCOM("2.4", analysis::kModeAdc));
  EXPECT_GT(bench.capture.Count(), 0);
  EXPECT_LT(bench.capture.Count(), 256);
  // A bridge gone ends the capture at once, not after the no-data abort.
  EXPECT_LT(clock.NowMs() - start, 1000);
  EXPECT_FALSE(Online());
  EXPECT_EQ(bench.capture.FailureReason(), link::kUsbNotConnect);

  // The panel's timer looks for the lost bridge every second and claims it again once back.
  for (int i = 0; i < 1000 && !Online(); ++i) {
    clock.Advance(link::LinkMonitor::kTickMs);
    bench.monitor.Tick();
  }
  EXPECT_TRUE(Online());
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
  EXPECT_TRUE(bench.capture.CatchACDCOM("2.4", analysis::kModeAdc));
  EXPECT_EQ(bench.capture.Count(), 256);
}

TEST_F(LinkFaultsTest, CaptureRightAfterAReplugDoesNotWaitForTheIdleCheck) {
  Connect();
  bench.capture.NPointIndexChange(0);
  board.Bridge().Unplug();
  int count = 0;
  EXPECT_FALSE(bench.access.PollAdcStream(count));
  EXPECT_FALSE(Online());
  board.Bridge().Replug();
  EXPECT_TRUE(bench.capture.CatchACDCOM("2.4", analysis::kModeAdc));
  EXPECT_EQ(bench.capture.Count(), 64);
  EXPECT_EQ(host.status[0], link::kUsbOnLine);
}

}  // namespace
}  // namespace qx
