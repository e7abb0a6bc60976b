#include <gtest/gtest.h>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace qx::link {
namespace {

using test::Bytes;

/// The target access operations over the bulk path, where every transfer keeps its own length.
class TargetAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bulk.bridge = &bridge;
    ASSERT_TRUE(bench.usb.UsbOpen(bench.target.Usb));
    bridge.requests.clear();
    bulk.controls.clear();
  }
  void Use(uint16_t kind) { bench.target.LinkKind = kind; }
  /// Length of the read that followed request `i`.
  size_t ReadLength(size_t i) const {
    size_t reads = 0;
    for (const auto& c : bulk.controls)
      if (c.code == bulk::kBulkRead && reads++ == i) return c.length;
    return 0;
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  TargetAccess& access = bench.access;
  IoFrame& frame = bench.frame;
};

struct FrameCase {
  const char* name;
  uint16_t kind;
  bool photo;
  const char* model;
  bool write;
  uint16_t address;
  uint8_t count;
  Bytes request;
  size_t readLength;
  double waitMs;
};

class AccessFrames : public TargetAccessTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(AccessFrames, RequestBytesAndLengths) {
  const FrameCase& c = GetParam();
  Use(c.kind);
  bench.settings.Photo = c.photo;
  bench.chip.ModelName = c.model;
  // Link kind 4 wants FA after the data of a read and AA for a write.
  bridge.respond = [&](const Bytes&) {
    Bytes out(64, 0);
    out[0] = c.kind == kLinkUart && c.write ? 0xAA : 0xFA;
    if (c.kind == kLinkUart && !c.write) out[c.count] = 0xFA;
    return out;
  };
  for (uint8_t i = 0; i < c.count; ++i) frame[5 + i] = static_cast<uint8_t>(0x11 * (i + 1));
  const double before = clock.WaitedMs();

  const bool ok =
      c.write ? access.WriteBytes(c.address, c.count) : access.ReadBytes(c.address, c.count);

  EXPECT_TRUE(ok);
  ASSERT_EQ(bridge.requests.size(), 1u);
  EXPECT_EQ(bridge.requests[0], c.request);
  EXPECT_EQ(ReadLength(0), c.readLength);
  EXPECT_EQ(clock.WaitedMs() - before, c.waitMs);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, AccessFrames,
                         ::testing::Values(FrameCase{"SpiReadPhoto",
                                                     kLinkSpi,
                                                     true,
                                                     "",
                                                     false,
                                                     0x1234,
                                                     3,
                                                     {0xBC, 0xC0, 0x34, 0x12, 0x03},
                                                     3,
                                                     50},
                                           FrameCase{"SpiReadPlain",
                                                     kLinkSpi,
                                                     false,
                                                     "",
                                                     false,
                                                     0x0040,
                                                     1,
                                                     {0xB1, 0xC0, 0x40, 0x00, 0x01},
                                                     1,
                                                     50},
                                           FrameCase{"SpiWrite",
                                                     kLinkSpi,
                                                     true,
                                                     "",
                                                     true,
                                                     0x0105,
                                                     2,
                                                     {0xBC, 0x40, 0x05, 0x01, 0x02, 0x11, 0x22},
                                                     1,
                                                     50},
                                           FrameCase{"SpecialReadBanked",
                                                     kLinkSpecial,
                                                     true,
                                                     "7R501",
                                                     false,
                                                     0x0321,
                                                     2,
                                                     {0xBE, 0x8C, 0x21, 0x02, 0x02},
                                                     2,
                                                     50},
                                           FrameCase{"SpecialReadPlainModel",
                                                     kLinkSpecial,
                                                     false,
                                                     "7R402",
                                                     false,
                                                     0x0321,
                                                     2,
                                                     {0xBA, 0xC0, 0x21, 0x02, 0x02},
                                                     2,
                                                     50},
                                           FrameCase{"SpecialWriteBanked",
                                                     kLinkSpecial,
                                                     true,
                                                     "7R501",
                                                     true,
                                                     0x1F10,
                                                     1,
                                                     {0xBE, 0x7C, 0x10, 0x01, 0x01, 0x11},
                                                     1,
                                                     50},
                                           FrameCase{"SpecialWrite7R411",
                                                     kLinkSpecial,
                                                     true,
                                                     "7R411",
                                                     true,
                                                     0x0110,
                                                     1,
                                                     {0xBE, 0x40, 0x10, 0x01, 0x01, 0x11},
                                                     1,
                                                     50},
                                           FrameCase{"UartRead",
                                                     kLinkUart,
                                                     true,
                                                     "",
                                                     false,
                                                     0x0208,
                                                     4,
                                                     {0xC1, 0x80, 0x08, 0x02, 0x04},
                                                     5,
                                                     50},
                                           FrameCase{"UartWrite",
                                                     kLinkUart,
                                                     true,
                                                     "",
                                                     true,
                                                     0x0030,
                                                     1,
                                                     {0xC1, 0x00, 0x30, 0x00, 0x01, 0x11},
                                                     1,
                                                     50},
                                           FrameCase{"Qx740xRead",
                                                     kLinkQx740x,
                                                     true,
                                                     "",
                                                     false,
                                                     3,
                                                     4,
                                                     {0xC4, 0x01, 0xA0, 0x03, 0x04, 0x11, 0x22,
                                                      0x33, 0x44},
                                                     64,
                                                     0}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(TargetAccessTest, Qx740xWriteTakesItsDataFromTheShadow) {
  Use(kLinkQx740x);
  access.AdcRegShadow() = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4};
  frame[5] = 0x55;
  frame[6] = 0x66;
  ASSERT_TRUE(access.WriteBytes(3, 3));
  ASSERT_EQ(bridge.requests.size(), 1u);
  const Bytes& r = bridge.requests[0];
  ASSERT_EQ(r.size(), 10u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), (Bytes{0xC4, 0x00, 0xA0, 0x03, 0x03}));
  EXPECT_EQ(Bytes(r.begin() + 7, r.end()), (Bytes{0xA3, 0xA4, 0x00}));
  EXPECT_EQ(ReadLength(0), 64u);
}

TEST_F(TargetAccessTest, Qx740xReadUpdatesOnlyTheFiveRegisters) {
  Use(kLinkQx740x);
  access.AdcRegShadow() = {1, 2, 3, 4, 5};
  bridge.scripted.push_back({0xFA, 0x33, 0x44, 0x55, 0x66});
  ASSERT_TRUE(access.ReadBytes(3, 4));
  EXPECT_EQ(access.AdcRegShadow(), (std::array<uint8_t, 5>{1, 2, 3, 0x33, 0x44}));
  EXPECT_EQ(frame[1], 0x33);
  EXPECT_EQ(frame[4], 0x66);
}

TEST_F(TargetAccessTest, UartReplyMustEndInFaAndWriteInAa) {
  Use(kLinkUart);
  bridge.scripted.push_back({0x10, 0x20, 0xFB});
  EXPECT_FALSE(access.ReadBytes(0x10, 2));
  bridge.scripted.push_back({0xAB});
  EXPECT_FALSE(access.WriteBytes(0x10, 1));
  // A refused write is no transfer failure: the link stays open.
  EXPECT_TRUE(bench.target.Usb.Opened);
  EXPECT_EQ(clock.WaitedMs(), 100);
}

TEST_F(TargetAccessTest, SpiReadNeedsAnOpenLink) {
  Use(kLinkSpi);
  bench.usb.UsbClose(bench.target.Usb);
  EXPECT_FALSE(access.ReadBytes(0, 1));
  EXPECT_TRUE(bridge.requests.empty());
}

TEST_F(TargetAccessTest, UnknownAndParallelKindsFail) {
  for (uint16_t kind : {uint16_t{3}, uint16_t{6}, uint16_t{0xFFFF}}) {
    Use(kind);
    EXPECT_FALSE(access.ReadBytes(0, 1));
    EXPECT_FALSE(access.WriteBytes(0, 1));
  }
  EXPECT_TRUE(bridge.requests.empty());
}

TEST_F(TargetAccessTest, RegImageAccessorsStayInside) {
  access.SetRegImage(1023, 0x5A);
  access.SetRegImage(1024, 0x77);
  access.SetRegImage(-1, 0x77);
  EXPECT_EQ(access.GetRegImage(1023), 0x5A);
  EXPECT_EQ(access.GetRegImage(1024), 0);
  EXPECT_EQ(access.GetRegImage(-5), 0);
  access.StoreAndRefresh(7, 0x42);
  EXPECT_EQ(bench.target.RegImage[7], 0x42);
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{7}));
}

TEST_F(TargetAccessTest, WriteRegStoresTheReadBack) {
  Use(kLinkSpi);
  bridge.respond = [](const Bytes& r) {
    Bytes out(64, 0);
    out[0] = r[1] == 0xC0 ? 0x3C : 0x00;  // the chip keeps only some bits
    return out;
  };
  access.WriteReg(0x40, 0xFF);
  ASSERT_EQ(bridge.requests.size(), 2u);
  EXPECT_EQ(bridge.requests[0], (Bytes{0xBC, 0x40, 0x40, 0x00, 0x01, 0xFF}));
  EXPECT_EQ(bridge.requests[1], (Bytes{0xBC, 0xC0, 0x40, 0x00, 0x01}));
  EXPECT_EQ(bench.target.RegImage[0x40], 0x3C);
}

TEST_F(TargetAccessTest, WriteReg27GoesOutAsAPairWith26) {
  Use(kLinkSpi);
  bench.target.RegImage[26] = 0x9A;
  bench.target.RegImage[27] = 0x11;
  access.WriteReg(27, 0x5B);
  ASSERT_EQ(bridge.requests.size(), 1u);
  EXPECT_EQ(bridge.requests[0], (Bytes{0xBC, 0x40, 0x1A, 0x00, 0x02, 0x9A, 0x5B}));
  EXPECT_EQ(bench.target.RegImage[27], 0);
}

TEST_F(TargetAccessTest, WriteReg49WaitsASecondBeforeTheReadBack) {
  Use(kLinkSpi);
  bridge.scripted.push_back({0x00});
  bridge.scripted.push_back({0x77});
  access.WriteReg(49, 0x12);
  EXPECT_EQ(clock.WaitedMs(), 50 + 1000 + 50);
  EXPECT_EQ(bench.target.RegImage[49], 0x77);
}

TEST_F(TargetAccessTest, FailedWriteRegChangesNothing) {
  Use(kLinkSpi);
  bench.target.RegImage[0x41] = 0x21;
  bridge.failReads = 2;  // the write's acknowledgement read fails and closes the link
  access.WriteReg(0x41, 0x99);
  EXPECT_EQ(bench.target.RegImage[0x41], 0x21);
  EXPECT_TRUE(host.changedAddresses.empty());
  EXPECT_FALSE(bench.target.Usb.Opened);
  EXPECT_EQ(host.status[2], "Register 41: write failed") << "the user sees why nothing changed";
}

TEST_F(TargetAccessTest, WriteRegOnQx740xUsesTheShadowAndIgnoresOtherAddresses) {
  Use(kLinkQx740x);
  access.WriteReg(5, 0x12);
  EXPECT_TRUE(bridge.requests.empty());
  EXPECT_EQ(host.status[2], "the QX740x link reaches registers 0 to 4 only");

  bridge.scripted.push_back({0xFA});
  bridge.scripted.push_back({0xFA, 0x3E});
  access.WriteReg(2, 0x3F);
  ASSERT_EQ(bridge.requests.size(), 2u);
  EXPECT_EQ(bridge.requests[0][7], 0x3F);
  EXPECT_EQ(bench.target.RegImage[2], 0x3E);
  EXPECT_EQ(access.AdcRegShadow()[2], 0x3E);
}

TEST_F(TargetAccessTest, WriteRegOnUartNeedsTheProbe) {
  Use(kLinkUart);
  bridge.failReads = 1;  // the probe gets no answer
  access.WriteReg(0x20, 1);
  ASSERT_EQ(bridge.requests.size(), 1u);
  EXPECT_EQ(bridge.requests[0], (Bytes{0xC0, 0x00, 0x00, 0x06, 0x81, 0x02}));
  EXPECT_EQ(ReadLength(0), 1u);
  EXPECT_EQ(bench.target.RegImage[0x20], 0);
}

TEST_F(TargetAccessTest, PresetsFollowTheAnalysisFunction) {
  Use(kLinkSpi);
  bridge.respond = [](const Bytes&) { return Bytes(64, 0x01); };
  bench.settings.ComFun = 0;
  access.WriteReg(60, 0xA0);
  access.WriteReg(48, 0xA5);
  bench.settings.ComFun = 1;
  access.WriteReg(64, 0xD4);
  access.WriteReg(59, 0xEE);
  EXPECT_EQ(bench.settings.ScalePreset, (std::array<uint8_t, 6>{0xA0, 0, 0, 0, 0, 0xA5}));
  EXPECT_EQ(bench.settings.DmmPreset, (std::array<uint8_t, 6>{0, 0, 0, 0, 0xD4, 0}));
  // The requested value is kept, not the read-back.
  EXPECT_EQ(bench.target.RegImage[60], 0x01);
}

TEST_F(TargetAccessTest, BridgeFramesAndTheirReplies) {
  Use(kLinkQx740x);
  bridge.scripted.push_back({0x00, 0x21, 0x10, 0x07});
  std::array<uint8_t, 3> flags{};
  ASSERT_TRUE(access.ReadBridgeFlags(flags));
  EXPECT_EQ(flags, (std::array<uint8_t, 3>{0x21, 0x10, 0x07}));

  bridge.scripted.push_back({'E', 'N', 'O', 'B', '-', 'V', '2', '1'});
  std::string name;
  ASSERT_TRUE(access.ReadBridgeName(name));
  EXPECT_EQ(name, "ENOB-V21");

  bridge.scripted.push_back({0xFA, 0x80, 0x00, 0x01});
  ASSERT_TRUE(access.ReadAdcResult());
  EXPECT_EQ(access.LastAdcReading(), (std::array<uint8_t, 3>{0x80, 0x00, 0x01}));

  bridge.scripted.push_back({0xFA, 0x12, 0x34});
  ASSERT_TRUE(access.ReadAdcWord());
  EXPECT_EQ(access.LastWordReading(), (std::array<uint8_t, 3>{0x12, 0x34, 0}));

  bridge.scripted.push_back({0xFB, 0x99, 0x99, 0x99});
  EXPECT_FALSE(access.ReadAdcResult());
  EXPECT_EQ(access.LastAdcReading(), (std::array<uint8_t, 3>{0x80, 0x00, 0x01}));

  const std::vector<Bytes> expected = {{0xB5, 0x07, 0x00},
                                       {0xF9, 0x05, 0, 0, 0, 0, 0, 0},
                                       {0xC4, 0x01, 0xA0, 0x05, 0x03, 0x00},
                                       {0xC4, 0x01, 0xA0, 0x06, 0x02, 0x00},
                                       {0xC4, 0x01, 0xA0, 0x05, 0x03, 0x00}};
  EXPECT_EQ(bridge.requests, expected);
  EXPECT_EQ(ReadLength(0), 4u);
  EXPECT_EQ(ReadLength(1), 8u);
  EXPECT_EQ(ReadLength(2), 64u);
}

TEST_F(TargetAccessTest, StreamFrames) {
  Use(kLinkQx740x);
  bench.chip.AdcFields["IRQEN"] = {1, 1, 4, 0, true};
  bench.chip.AdcFields["TS"] = {2, 1, 0, 0, true};
  access.AdcRegShadow() = {0, 0x0A, 0x0B, 0, 0};
  bench.target.RegImage[1] = 0x41;

  ASSERT_TRUE(access.StartAdcStream(3));
  ASSERT_EQ(bridge.requests.size(), 2u);
  EXPECT_EQ(bridge.requests[0], (Bytes{0xC4, 0x02, 0x03, 0x0A, 0x0B}));
  // The interrupt enables (decimal 14: bits 1 to 3) go back to the IRQEN register through the
  // shadow; bit 4, HS on the QX740x, stays as the image has it.
  EXPECT_EQ(access.AdcRegShadow()[1], 0x4F);
  EXPECT_EQ(bridge.requests[1][3], 0x01);
  EXPECT_EQ(bridge.requests[1][7], 0x4F);

  Bytes poll(64, 0);
  poll[0] = 2;
  poll[1] = 0x7F, poll[2] = 0xFF, poll[3] = 0xFE;
  poll[4] = 0x80, poll[5] = 0x00, poll[6] = 0x02;
  bridge.scripted.push_back(poll);
  int count = -1;
  const double before = clock.WaitedMs();
  ASSERT_TRUE(access.PollAdcStream(count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(access.StreamResult(0), 0x7FFFFEu);
  EXPECT_EQ(access.StreamResult(1), 0x800002u);
  EXPECT_EQ(clock.WaitedMs() - before, 10);

  bridge.scripted.push_back({22});
  ASSERT_TRUE(access.PollAdcStream(count));
  EXPECT_EQ(count, 0);

  ASSERT_TRUE(access.StopAdcStream());
  EXPECT_EQ(bridge.requests.back(), (Bytes{0xC4, 0x03, 0x01, 0x00, 0x00, 0x00}));
}

TEST_F(TargetAccessTest, StreamStartRewritesIrqenEvenWhenRefused) {
  Use(kLinkQx740x);
  bench.chip.AdcFields["IRQEN"] = {0, 1, 2, 0, true};
  bridge.scripted.push_back({0x00});
  EXPECT_FALSE(access.StartAdcStream(1));
  EXPECT_EQ(bridge.requests.size(), 2u);
  EXPECT_EQ(bridge.requests[1][0], 0xC4);
  EXPECT_EQ(bridge.requests[1][1], 0x00);
}

TEST_F(TargetAccessTest, StreamStartWhoseInterruptEnableWriteFailsHasNotStarted) {
  Use(kLinkQx740x);
  bench.chip.AdcFields["IRQEN"] = {1, 1, 4, 0, true};
  // The bridge accepts C4 02, then the transfer of the IRQEN write fails.
  bridge.respond = [this](const Bytes& r) {
    if (r.size() >= 2 && r[0] == 0xC4 && r[1] == 0x02) bridge.failWrites = 1;
    return bridge.DefaultReply(r);
  };
  EXPECT_FALSE(access.StartAdcStream(1));
  ASSERT_EQ(bridge.requests.size(), 1u);
  EXPECT_EQ(bridge.requests[0][1], 0x02);
}

TEST_F(TargetAccessTest, SetTsBit0WritesTheTsRegister) {
  Use(kLinkQx740x);
  bench.chip.AdcFields["TS"] = {4, 1, 0, 0, true};
  bench.target.RegImage[4] = 0x80;
  ASSERT_TRUE(access.SetTsBit0());
  EXPECT_EQ(bridge.requests[0], (Bytes{0xC4, 0x00, 0xA0, 0x04, 0x01, 0x00, 0x00, 0x81}));
  EXPECT_EQ(clock.WaitedMs(), 50);
}

TEST_F(TargetAccessTest, OneShotAdcFrame) {
  bench.settings.Photo = true;
  bench.settings.CFunADC = 3;
  Use(kLinkSpi);
  bridge.scripted.push_back({0xFA, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0x0C});
  uint32_t a = 0, b = 0;
  ASSERT_TRUE(access.ReadOneShotAdc(0x0125, a, b));
  EXPECT_EQ(bridge.requests[0], (Bytes{0xBD, 0x00, 0x03, 0x25, 0x01, 0xF0, 0x00, 0x08, 0x64}));
  EXPECT_EQ(ReadLength(0), 7u);
  EXPECT_EQ(a, 0x030201u);
  EXPECT_EQ(b, 0x0C0B0Au);

  bench.settings.Photo = false;
  bench.settings.CFunADC = 7;  // not one of the four functions
  Use(kLinkSpecial);
  ASSERT_TRUE(access.ReadOneShotAdc(0x10, a, b));
  EXPECT_EQ(bridge.requests[1], (Bytes{0xBA, 0x01, 0x00, 0x10, 0x00, 0xF0, 0x00, 0x08, 0x64}));
}

}  // namespace
}  // namespace qx::link
