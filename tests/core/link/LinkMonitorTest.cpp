#include <gtest/gtest.h>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace qx::link {
namespace {

using test::Bytes;
constexpr int kLinkMonitorLostCheckTicks = LinkMonitor::kLostCheckTicks;

class LinkMonitorTest : public ::testing::Test {
 protected:
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) bench.monitor.Tick();
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
};

TEST_F(LinkMonitorTest, IdleCheckRunsAfterAThousandQuietTicks) {
  bench.target.LinkKind = kLinkQx740x;
  hid.AttachBridge(bridge);
  Ticks(999);
  EXPECT_EQ(hid.getDeviceCalls, 0);
  EXPECT_EQ(host.status[0], "");
  Ticks(1);
  EXPECT_EQ(host.status[0], kUsbOnLine);
  EXPECT_TRUE(bench.target.Usb.Opened);
  // Only a USB Scan identifies the chip; the periodic check leaves the titles alone.
  EXPECT_EQ(host.usbClients, 0);
  EXPECT_EQ(bench.usb.IdleTicks(), 0u);
}

TEST_F(LinkMonitorTest, TrafficPostponesTheCheck) {
  bench.target.LinkKind = kLinkQx740x;
  hid.AttachBridge(bridge);
  Ticks(900);
  ASSERT_TRUE(bench.monitor.USBConnect());
  const size_t sent = bridge.requests.size();
  Ticks(999);
  EXPECT_EQ(bridge.requests.size(), sent);
  Ticks(1);
  EXPECT_EQ(bridge.requests.size(), sent + 1);  // the identify of the re-check
}

TEST_F(LinkMonitorTest, SerialAndParallelKindsAreNotChecked) {
  for (uint16_t kind : {uint16_t{kLinkRs232}, uint16_t{kLinkParallel}}) {
    bench.target.LinkKind = kind;
    Ticks(1000);
  }
  EXPECT_EQ(hid.getDeviceCalls, 0);
  EXPECT_TRUE(host.statusLog.empty());
}

TEST_F(LinkMonitorTest, LostBridgeIsReportedAndFoundAgain) {
  bench.target.LinkKind = kLinkSpi;
  hid.AttachBridge(bridge);
  bench.monitor.CheckLink();
  ASSERT_EQ(host.status[0], kUsbOnLine);

  // A failed transfer closes the link, so the same check scans again and finds the bridge.
  bridge.failReads = 1;
  bench.monitor.CheckLink();
  EXPECT_EQ(host.status[0], kUsbOnLine);

  // Unplugged: the identify fails and the scan finds nothing.
  hid.devices.clear();
  bridge.failReads = 1;
  bench.monitor.CheckLink();
  EXPECT_EQ(host.status[0], kUsbNotConnect);
  EXPECT_FALSE(bench.target.Usb.Opened);
  EXPECT_EQ(bench.target.Usb.Handle, kInvalidHandle);

  hid.AttachBridge(bridge);
  bench.monitor.CheckLink();
  EXPECT_EQ(host.status[0], kUsbOnLine);
}

TEST_F(LinkMonitorTest, PanelFollowsTheBridgeWithinASecondOfAFailedTransfer) {
  bench.target.LinkKind = kLinkQx740x;
  hid.AttachBridge(bridge);
  ASSERT_TRUE(bench.monitor.USBConnect());

  // One lost reply: the next tick finds the bridge still there and the link open again.
  bridge.failReads = 1;
  ASSERT_FALSE(bench.access.ReadAdcResult());
  ASSERT_FALSE(bench.target.Usb.Opened);
  Ticks(1);
  EXPECT_EQ(host.status[0], kUsbOnLine);
  EXPECT_TRUE(bench.target.Usb.Opened);

  // Unplugged during traffic: said at the next tick, not after ten quiet seconds.
  hid.devices.clear();
  bridge.failReads = 1;
  ASSERT_FALSE(bench.access.ReadAdcResult());
  Ticks(1);
  EXPECT_EQ(host.status[0], kUsbNotConnect);

  // Plugged back: found within a second.
  hid.AttachBridge(bridge);
  Ticks(kLinkMonitorLostCheckTicks);
  EXPECT_EQ(host.status[0], kUsbOnLine);
  EXPECT_TRUE(bench.target.Usb.Opened);

  // Released on purpose: not looked for again before the idle check.
  bench.monitor.Disconnect();
  const int scans = hid.getDeviceCalls;
  Ticks(3 * kLinkMonitorLostCheckTicks);
  EXPECT_EQ(hid.getDeviceCalls, scans);
  EXPECT_FALSE(bench.target.Usb.Opened);
}

TEST_F(LinkMonitorTest, UsbConnectRunsTheClientOnlyOnSuccess) {
  EXPECT_FALSE(bench.monitor.USBConnect());
  EXPECT_EQ(host.status[0], kUsbNotConnect);
  EXPECT_EQ(host.usbClients, 0);

  hid.AttachBridge(bridge);
  EXPECT_TRUE(bench.monitor.USBConnect());
  EXPECT_EQ(host.status[0], kUsbOnLine);
  EXPECT_EQ(host.usbClients, 1);
}

TEST_F(LinkMonitorTest, ContinuousReadingAndChartPacing) {
  bench.target.LinkKind = kLinkQx740x;
  hid.AttachBridge(bridge);
  ASSERT_TRUE(bench.monitor.USBConnect());
  bench.monitor.continuousRead = true;
  bench.monitor.streamingChart = true;
  bridge.respond = [](const Bytes&) { return Bytes{0xFA, 0x80, 0x00, 0x00}; };

  Ticks(52);
  EXPECT_EQ(host.adcReadings, 52);
  EXPECT_EQ(host.chartRedraws, 2);  // every 26th tick
  EXPECT_EQ(bench.access.LastAdcReading(), (std::array<uint8_t, 3>{0x80, 0, 0}));

  bench.monitor.streamingChart = false;
  bridge.respond = [](const Bytes&) { return Bytes{0x00}; };
  Ticks(26);
  EXPECT_EQ(host.chartRedraws, 2);
  EXPECT_EQ(host.adcReadings, 52);
}

TEST_F(LinkMonitorTest, DisconnectReleasesBeforeClosing) {
  hid.AttachBridge(bridge);
  bench.monitor.Disconnect();  // nothing open: nothing sent
  EXPECT_TRUE(bridge.requests.empty());

  ASSERT_TRUE(bench.monitor.USBConnect());
  bench.monitor.Disconnect();
  EXPECT_EQ(bridge.Heads(4).back(), (Bytes{0xF9, 0x01, 0xFF, 0xFF}));
  EXPECT_EQ(hid.closed.back(), 100);
  EXPECT_EQ(bench.target.Usb.Handle, kInvalidHandle);
}

}  // namespace
}  // namespace qx::link
