#include <gtest/gtest.h>

#include "core/link/UsbTransport.h"
#include "support/FakeBridge.h"

namespace qx::link {
namespace {

using test::Bytes;

class UsbTransportTest : public ::testing::Test {
 protected:
  IoFrame frame{};
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  UsbTransport usb{frame, hid, bulk};
  UsbLink link;
};

TEST_F(UsbTransportTest, HidScanSkipsStrangersAndClaimsTheBridge) {
  hid.devices[0] = {0x046D, 0xC52B, 0x0100};  // a keyboard receiver
  hid.devices[1] = {0x04D8, 0x2008, 0x0726};  // right product, wrong version
  hid.AttachBridge(bridge, 3);

  ASSERT_TRUE(usb.UsbOpen(link));

  EXPECT_EQ(bulk.opened.size(), 32u);
  EXPECT_EQ(bulk.opened.front(), "Qxusb-0");
  EXPECT_EQ(bulk.opened.back(), "Qxusb-31");
  EXPECT_EQ(hid.getDeviceCalls, 4);
  EXPECT_TRUE(usb.HidMode());
  EXPECT_TRUE(link.Opened);
  EXPECT_EQ(link.Handle, 103);
  // Claim test, then commands 1, 4, 6 chained through their reply words, then the init pair.
  const std::vector<Bytes> expected = {{0xF9, 0x02, 0x00, 0x00}, {0xF9, 0x01, 0x03, 0x00},
                                       {0xF9, 0x04, 0x03, 0x00}, {0xF9, 0x06, 0x03, 0x00},
                                       {0xC5, 0xFF, 0x01, 0x00}, {0xC5, 0xFF, 0x00, 0x00}};
  EXPECT_EQ(bridge.Heads(4), expected);
  // Every HID transfer is a whole 64-byte frame.
  for (const Bytes& r : bridge.requests) EXPECT_EQ(r.size(), 64u);
  EXPECT_EQ(hid.closed, (std::vector<DeviceHandle>{100, 101}));
}

TEST_F(UsbTransportTest, BridgeLostDuringItsSetUpIsNotOpen) {
  hid.AttachBridge(bridge, 0);
  // The claim succeeds, then the reply to the first set-up command never comes.
  bridge.respond = [this](const Bytes& r) {
    if (r[0] == 0xF9 && r[1] == 0x01) bridge.failReads = 1;
    return bridge.DefaultReply(r);
  };

  EXPECT_FALSE(usb.UsbOpen(link));
  EXPECT_FALSE(link.Opened);
  EXPECT_EQ(link.Handle, kInvalidHandle);
}

TEST_F(UsbTransportTest, ClaimedBridgeIsSkippedButHidModeStays) {
  hid.AttachBridge(bridge, 0);
  bridge.claimed = true;

  EXPECT_FALSE(usb.UsbOpen(link));
  EXPECT_TRUE(usb.HidMode());
  EXPECT_FALSE(link.Opened);
  EXPECT_EQ(link.Handle, kInvalidHandle);
  EXPECT_EQ(hid.getDeviceCalls, 128);
  EXPECT_EQ(bridge.requests.size(), 1u);
}

TEST_F(UsbTransportTest, NothingAttachedTriesEveryNameAndIndex) {
  EXPECT_FALSE(usb.UsbOpen(link));
  EXPECT_EQ(bulk.opened.size(), 32u);
  EXPECT_EQ(hid.getDeviceCalls, 128);
  EXPECT_FALSE(usb.HidMode());
  EXPECT_EQ(link.Handle, kInvalidHandle);
  EXPECT_TRUE(link.DeviceName.empty());
}

TEST_F(UsbTransportTest, OpenLinkIsOnlyReidentified) {
  hid.AttachBridge(bridge);
  ASSERT_TRUE(usb.UsbOpen(link));
  const size_t before = bridge.requests.size();
  const int scans = hid.getDeviceCalls;

  ASSERT_TRUE(usb.UsbOpen(link));
  EXPECT_EQ(hid.getDeviceCalls, scans);
  ASSERT_EQ(bridge.requests.size(), before + 1);
  EXPECT_EQ(bridge.Heads(2, before), (std::vector<Bytes>{{0xF9, 0xAC}}));
}

TEST_F(UsbTransportTest, WrongIdentityIsNotRescannedUntilClosed) {
  hid.AttachBridge(bridge);
  ASSERT_TRUE(usb.UsbOpen(link));
  const int scans = hid.getDeviceCalls;
  bridge.respond = [](const Bytes&) {
    Bytes out(64, 0);
    std::memcpy(out.data(), "quorvane", 8);  // case matters
    return out;
  };

  EXPECT_FALSE(usb.UsbOpen(link));
  EXPECT_EQ(hid.getDeviceCalls, scans);
  EXPECT_TRUE(link.Opened);

  usb.UsbClose(link);
  bridge.respond = [this](const Bytes& r) { return bridge.DefaultReply(r); };
  EXPECT_TRUE(usb.UsbOpen(link));
  EXPECT_GT(hid.getDeviceCalls, scans);
}

TEST_F(UsbTransportTest, BulkBridgeIsFoundByDescriptorAndUsesPipeLengths) {
  bulk.bridge = &bridge;
  bulk.number = 2;
  bulk.product = 0x100A;

  ASSERT_TRUE(usb.UsbOpen(link));
  EXPECT_FALSE(usb.HidMode());
  EXPECT_EQ(link.DeviceName, "Qxusb-2");
  EXPECT_EQ(link.VendorId(), 0x0547);
  EXPECT_EQ(link.Pipes[0].EndpointAddress, 0x81);
  EXPECT_EQ(link.Pipes[1].EndpointAddress, 0x02);
  EXPECT_EQ(link.Pipes[0].MaximumPacketSize, 64);
  // Bulk path: no command 6; the write goes out with its own length on pipe 1, reads on pipe 0.
  const std::vector<Bytes> expected = {{0xF9, 0x02, 0x00, 0x00},
                                       {0xF9, 0x01, 0x02, 0x00},
                                       {0xF9, 0x04, 0x02, 0x00},
                                       {0xC5, 0xFF, 0x01, 0x00},
                                       {0xC5, 0xFF, 0x00, 0x00}};
  EXPECT_EQ(bridge.requests, expected);
  ASSERT_GE(bulk.controls.size(), 5u);
  EXPECT_EQ(bulk.controls[0].code, bulk::kGetDeviceDescriptor);
  EXPECT_EQ(bulk.controls[0].length, 148u);
  EXPECT_EQ(bulk.controls[1].code, bulk::kGetPipeInfo);
  EXPECT_EQ(bulk.controls[1].length, 356u);
  EXPECT_EQ(bulk.controls[3].code, bulk::kBulkWrite);
  EXPECT_EQ(bulk.controls[3].pipe, 1u);
  EXPECT_EQ(bulk.controls[3].length, 4u);
  EXPECT_EQ(bulk.controls[4].code, bulk::kBulkRead);
  EXPECT_EQ(bulk.controls[4].pipe, 0u);
  EXPECT_EQ(bulk.controls[4].length, 8u);
  EXPECT_EQ(hid.getDeviceCalls, 0);
}

TEST_F(UsbTransportTest, ForeignBulkDeviceIsClosedAndScanGoesOn) {
  bulk.bridge = &bridge;
  bulk.vendor = 0x1234;
  hid.AttachBridge(bridge, 5);
  ASSERT_TRUE(usb.UsbOpen(link));
  EXPECT_EQ(bulk.closes, 1);
  EXPECT_TRUE(usb.HidMode());
}

TEST_F(UsbTransportTest, PipeOfWrongDirectionClosesTheLink) {
  bulk.bridge = &bridge;
  bulk.outEndpoint = 0x82;  // an IN endpoint where the OUT pipe should be
  EXPECT_FALSE(usb.UsbOpen(link));
  EXPECT_TRUE(bridge.requests.empty());
  EXPECT_EQ(link.Handle, kInvalidHandle);
}

TEST_F(UsbTransportTest, FailedTransferClosesAndRecordsNothingStale) {
  hid.AttachBridge(bridge);
  ASSERT_TRUE(usb.UsbOpen(link));
  usb.IdleTicks() = 500;
  bridge.failReads = 1;
  frame[0] = 0xF9;
  frame[1] = 0xAC;
  EXPECT_TRUE(usb.UsbWrite(link, 2));
  EXPECT_EQ(usb.IdleTicks(), 0u);
  usb.IdleTicks() = 500;
  EXPECT_FALSE(usb.UsbRead(link, 8));
  EXPECT_EQ(usb.IdleTicks(), 500u);
  EXPECT_FALSE(link.Opened);
  EXPECT_EQ(link.Handle, kInvalidHandle);
  // The next transfer fails at once, without touching the device.
  const size_t sent = bridge.requests.size();
  EXPECT_FALSE(usb.UsbWrite(link, 2));
  EXPECT_EQ(bridge.requests.size(), sent);
}

TEST_F(UsbTransportTest, HidReadOfOneByteDeliversTheWholeReport) {
  hid.AttachBridge(bridge);
  ASSERT_TRUE(usb.UsbOpen(link));
  Bytes reply(64);
  for (size_t i = 0; i < 64; ++i) reply[i] = static_cast<uint8_t>(i + 1);
  bridge.scripted.push_back(reply);
  frame.fill(0xEE);
  ASSERT_TRUE(usb.UsbWrite(link, 1));
  ASSERT_TRUE(usb.UsbRead(link, 1));
  EXPECT_TRUE(std::equal(reply.begin(), reply.end(), frame.begin()));
  EXPECT_EQ(frame[64], 0xEE);
}

TEST_F(UsbTransportTest, CloseResetsTheLinkRecord) {
  bulk.bridge = &bridge;
  ASSERT_TRUE(usb.UsbOpen(link));
  usb.UsbClose(link);
  EXPECT_EQ(link.Handle, kInvalidHandle);
  EXPECT_TRUE(link.DeviceName.empty());
  EXPECT_EQ(link.VendorId(), 0);
  EXPECT_EQ(link.ProductId(), 0);
  EXPECT_EQ(link.DeviceRelease(), 0);
  EXPECT_FALSE(link.Opened);
  EXPECT_EQ(bulk.closes, 1);
}

TEST_F(UsbTransportTest, TraceShowsBothDirections) {
  hid.AttachBridge(bridge);
  std::vector<std::pair<TransferDirection, Bytes>> seen;
  usb.SetTrace([&](TransferDirection d, std::span<const uint8_t> b) {
    seen.emplace_back(d, Bytes(b.begin(), b.end()));
  });
  ASSERT_TRUE(usb.UsbOpen(link));
  ASSERT_EQ(seen.size(), 12u);
  EXPECT_EQ(seen[0].first, TransferDirection::Sent);
  EXPECT_EQ(seen[0].second.size(), 64u);
  EXPECT_EQ(seen[1].first, TransferDirection::Received);
  EXPECT_EQ(seen[1].second[0], 0xFF);
}

}  // namespace
}  // namespace qx::link
