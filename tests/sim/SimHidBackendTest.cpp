#include <gtest/gtest.h>

#include <array>
#include <cerrno>

#include "core/base/FakeClock.h"
#include "sim/SimBoard.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

using Report = std::array<uint8_t, 65>;

Report MakeReport(std::initializer_list<uint8_t> data) {
  Report r{};
  std::copy(data.begin(), data.end(), r.begin() + 1);
  return r;
}

class HidBus : public ::testing::Test {
 protected:
  link::DeviceHandle OpenBridge() {
    bool present = false;
    const link::DeviceHandle h = hid.GetDevice(0, present);
    EXPECT_TRUE(present);
    EXPECT_TRUE(link::IsValidHandle(h));
    return h;
  }
  /// One exchange: write a report with `data`, read the answer report.
  bool Exchange(link::DeviceHandle h, std::initializer_list<uint8_t> data, Report& answer) {
    const Report out = MakeReport(data);
    if (!hid.Write(h, out)) return false;
    return hid.Read(h, answer);
  }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  SimHidBackend& hid = board.Hid();
  SimBridge& bridge = board.Bridge();
};

TEST_F(HidBus, BridgeAtIndexZeroOnly) {
  const link::DeviceHandle h = OpenBridge();
  link::HidAttributes a;
  ASSERT_TRUE(hid.GetAttributes(h, a));
  EXPECT_EQ(a.vendorId, 0x04D8);
  EXPECT_EQ(a.productId, 0x2008);
  EXPECT_EQ(a.versionNumber, 0x0727);
  EXPECT_EQ(a.inputReportLength, 65);
  EXPECT_EQ(a.outputReportLength, 65);
  for (const int index : {1, 2, 127}) {
    bool present = true;
    EXPECT_EQ(hid.GetDevice(index, present), link::kInvalidHandle);
    EXPECT_FALSE(present);
  }
}

TEST_F(HidBus, ReportsAreWholeWithReportIdZero) {
  const link::DeviceHandle h = OpenBridge();
  Report answer{};
  answer.fill(0xEE);
  ASSERT_TRUE(Exchange(h, {0xF9, 0x02, 0x00, 0x00}, answer));
  Report expected{};
  expected[1] = 0xFF;
  expected[2] = 0xFF;
  EXPECT_EQ(answer, expected);
  // The bridge saw the 64 data bytes of the report, not the report ID.
  ASSERT_EQ(bridge.Requests().size(), 1u);
  EXPECT_EQ(bridge.Requests()[0], test::Reply({0xF9, 0x02, 0x00, 0x00}));
  Report bad = MakeReport({0xF9, 0x02});
  bad[0] = 0x01;
  EXPECT_FALSE(hid.Write(h, bad));
  EXPECT_EQ(hid.LastError(), EINVAL);
}

TEST_F(HidBus, DecoysFollowTheBridgeAndNeverAnswer) {
  hid.SetDecoys({{0x046D, 0xC077, 0x0100}, {0x04D8, 0x2008, 0x0726}});
  bool present = false;
  const link::DeviceHandle d1 = hid.GetDevice(1, present);
  ASSERT_TRUE(present);
  const link::DeviceHandle d2 = hid.GetDevice(2, present);
  ASSERT_TRUE(present);
  link::HidAttributes a;
  ASSERT_TRUE(hid.GetAttributes(d1, a));
  EXPECT_EQ(a.vendorId, 0x046D);
  ASSERT_TRUE(hid.GetAttributes(d2, a));
  EXPECT_EQ(a.versionNumber, 0x0726);
  hid.GetDevice(3, present);
  EXPECT_FALSE(present);
  Report answer{};
  EXPECT_FALSE(Exchange(d2, {0xF9, 0x02}, answer));
  EXPECT_TRUE(bridge.Requests().empty());

  // Moving the bridge lets a scan meet the decoys first.
  hid.SetBridgeIndex(2);
  ASSERT_TRUE(hid.GetAttributes(hid.GetDevice(0, present), a));
  EXPECT_EQ(a.vendorId, 0x046D);
  ASSERT_TRUE(hid.GetAttributes(hid.GetDevice(2, present), a));
  EXPECT_EQ(a.productId, 0x2008);
  EXPECT_EQ(a.versionNumber, 0x0727);
}

TEST_F(HidBus, ClosedHandlesAreDead) {
  const link::DeviceHandle h = OpenBridge();
  EXPECT_EQ(hid.OpenHandles(), 1u);
  hid.Close(h);
  EXPECT_EQ(hid.OpenHandles(), 0u);
  Report answer{};
  EXPECT_FALSE(Exchange(h, {0xF9, 0x02}, answer));
  EXPECT_EQ(hid.LastError(), EBADF);
}

TEST_F(HidBus, ReadWithoutRequestTimesOutAfterOneSecond) {
  const link::DeviceHandle h = OpenBridge();
  Report answer{};
  EXPECT_FALSE(hid.Read(h, answer));
  EXPECT_EQ(hid.LastError(), ETIMEDOUT);
  EXPECT_DOUBLE_EQ(clock.NowMs(), 1000);
}

TEST_F(HidBus, DroppedReplyStillExecutesTheRequest) {
  const link::DeviceHandle h = OpenBridge();
  bridge.DropNextReply();
  Report answer{};
  EXPECT_FALSE(Exchange(h, {0xBC, 0x40, 0x10, 0x00, 0x01, 0x99}, answer));
  EXPECT_EQ(hid.LastError(), ETIMEDOUT);
  EXPECT_EQ(board.Target().Memory(0x10), 0x99);
  EXPECT_TRUE(Exchange(h, {0xBC, 0xC0, 0x10, 0x00, 0x01}, answer));
  EXPECT_EQ(answer[1], 0x99);
}

TEST_F(HidBus, CorruptedReplyIsInverted) {
  const link::DeviceHandle h = OpenBridge();
  bridge.CorruptNextReply();
  Report answer{};
  ASSERT_TRUE(Exchange(h, {0xF9, 0x02}, answer));
  EXPECT_EQ(answer[1], 0x00);
  EXPECT_EQ(answer[2], 0x00);
  EXPECT_EQ(answer[3], 0xFF);
  ASSERT_TRUE(Exchange(h, {0xF9, 0x02}, answer));
  EXPECT_EQ(answer[1], 0xFF) << "only one reply is corrupted";
}

struct DelayCase {
  double delayMs;
  bool ok;
  double elapsedMs;
};

class HidDelay : public HidBus, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(HidDelay, LateReply) {
  const link::DeviceHandle h = OpenBridge();
  bridge.DelayNextReply(GetParam().delayMs);
  Report answer{};
  EXPECT_EQ(Exchange(h, {0xF9, 0x02}, answer), GetParam().ok);
  EXPECT_DOUBLE_EQ(clock.NowMs(), GetParam().elapsedMs);
  if (!GetParam().ok) {
    EXPECT_EQ(hid.LastError(), ETIMEDOUT);
  }
  EXPECT_TRUE(Exchange(h, {0xF9, 0x02}, answer)) << "the next exchange is on time";
  EXPECT_DOUBLE_EQ(clock.NowMs(), GetParam().elapsedMs);
}

INSTANTIATE_TEST_SUITE_P(Delays, HidDelay,
                         ::testing::Values(DelayCase{250, true, 250}, DelayCase{999, true, 999},
                                           DelayCase{1000, false, 1000},
                                           DelayCase{5000, false, 1000}));

TEST_F(HidBus, FailAfterTransfersFailsExactlyOnce) {
  const link::DeviceHandle h = OpenBridge();
  bridge.FailAfterTransfers(3);
  Report answer{};
  EXPECT_TRUE(Exchange(h, {0xF9, 0x02}, answer));  // transfers 1 and 2
  EXPECT_TRUE(hid.Write(h, MakeReport({0xF9, 0x02})));
  EXPECT_FALSE(hid.Read(h, answer));  // transfer 4
  EXPECT_EQ(hid.LastError(), EIO);
  EXPECT_TRUE(Exchange(h, {0xF9, 0x02}, answer));
}

TEST_F(HidBus, UnplugKillsHandlesAndReplugComesBackUnclaimed) {
  const link::DeviceHandle h = OpenBridge();
  Report answer{};
  ASSERT_TRUE(Exchange(h, {0xF9, 0x01, 0x00, 0x00}, answer));
  ASSERT_TRUE(bridge.Claimed());
  bridge.Unplug();
  EXPECT_FALSE(Exchange(h, {0xF9, 0x02}, answer));
  EXPECT_EQ(hid.LastError(), ENODEV);
  bool present = true;
  EXPECT_EQ(hid.GetDevice(0, present), link::kInvalidHandle);
  EXPECT_FALSE(present);

  bridge.Replug();
  EXPECT_FALSE(Exchange(h, {0xF9, 0x02}, answer)) << "a handle from before the unplug";
  const link::DeviceHandle fresh = OpenBridge();
  ASSERT_TRUE(Exchange(fresh, {0xF9, 0x02, 0x00, 0x00}, answer));
  EXPECT_EQ(answer[1], 0xFF);
  EXPECT_EQ(answer[2], 0xFF);
}

TEST_F(HidBus, BulkModeHidesTheHidBridge) {
  board.UseBulkBridge(true);
  bool present = true;
  EXPECT_EQ(hid.GetDevice(0, present), link::kInvalidHandle);
  EXPECT_FALSE(present);
  EXPECT_TRUE(link::IsValidHandle(board.Bulk().Open("Qxusb-0")));
  board.UseBulkBridge(false);
  EXPECT_FALSE(link::IsValidHandle(board.Bulk().Open("Qxusb-0")));
  OpenBridge();
}

}  // namespace
}  // namespace qx::sim
