#include "core/views/RamCommands.h"

#include <gtest/gtest.h>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/views/ReadRamPlan.h"
#include "support/FakeBridge.h"

namespace qx::views {
namespace {

using test::Bytes;

std::vector<RamBlock> B(std::initializer_list<RamBlock> b) {
  return b;
}

TEST(ReadRamPlan, BlocksByLinkKindAndGroups) {
  chip::ChipModel chip;
  const auto base = B({{0, 26}, {28, 36}, {64, 64}, {128, 64}, {192, 64}});
  chip.RamBank[1] = {0x80, 0x80};  // empty: first not below last
  EXPECT_EQ(ReadRamPlan::For(1, chip), base);
  EXPECT_EQ(ReadRamPlan::For(3, chip), base);

  chip.RamBank[1] = {0x180, 0x1FF};
  chip.Reg1Range = {0x100, 0x17F};
  chip.RamBank[2] = {0x280, 0x2FF};
  auto expected = base;
  for (RamBlock b :
       B({{256, 64}, {320, 64}, {384, 64}, {448, 64}, {512, 64}, {576, 64}, {640, 64}, {704, 64}}))
    expected.push_back(b);
  EXPECT_EQ(ReadRamPlan::For(2, chip), expected);

  EXPECT_EQ(ReadRamPlan::For(4, chip), B({{0, 26},
                                          {28, 36},
                                          {64, 48},
                                          {112, 48},
                                          {160, 48},
                                          {208, 48},
                                          {256, 48},
                                          {304, 48},
                                          {352, 32},
                                          {384, 48},
                                          {432, 48},
                                          {480, 32},
                                          {512, 56},
                                          {568, 56},
                                          {624, 56},
                                          {680, 56},
                                          {736, 32}}));
}

TEST(ReadRamPlan, SerialLinkReadsEachRangeInTwoHalves) {
  chip::ChipModel chip;
  chip.RamBank[1] = {0x100, 0x17E};  // 127 bytes: 63 then 64
  chip.RamBank[2] = {0x200, 0x2FF};
  chip.Reg1Range = {0x180, 0x181};
  chip.RamBank[4] = {0x000, 0x3FF};  // too long for one read per half
  EXPECT_EQ(ReadRamPlan::For(0, chip), B({{0, 26},
                                          {28, 100},
                                          {128, 128},
                                          {0x100, 63},
                                          {0x13F, 64},
                                          {0x200, 128},
                                          {0x280, 128},
                                          {0x180, 1},
                                          {0x181, 1},
                                          {0, 255},
                                          {255, 255},
                                          {510, 2},
                                          {512, 255},
                                          {767, 255},
                                          {1022, 2}}));
}

/// Read RAM over the SPI link of a fake bridge whose memory byte at a is a + 1 (mod 256).
class RamCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bulk.bridge = &bridge;
    ASSERT_TRUE(bench.usb.UsbOpen(bench.target.Usb));
    bridge.requests.clear();
    bridge.respond = [this](const Bytes& r) {
      Bytes out(64, 0);
      if (++reads == failAt) bridge.failReads = 1;
      const int address = r[2] | (r[3] << 8);
      for (int i = 0; i < r[4] && i < 64; ++i)
        out[static_cast<size_t>(i)] = uint8_t(address + i + 1);
      return out;
    };
    bench.target.LinkKind = link::kLinkSpi;
    bench.settings.Photo = false;
    bench.target.RegImage.fill(0xEE);
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeBridge bridge;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  RamCommands commands{bench.target, bench.frame, bench.access, bench.chip, host};
  int reads = 0;
  int failAt = -1;
};

TEST_F(RamCommandsTest, ReadsEveryBlockSkips26And27AndRefreshesOnce) {
  EXPECT_TRUE(commands.ReadRam());
  EXPECT_EQ(bridge.Heads(5), (std::vector<Bytes>{{0xB1, 0xC0, 0, 0, 26},
                                                 {0xB1, 0xC0, 28, 0, 36},
                                                 {0xB1, 0xC0, 64, 0, 64},
                                                 {0xB1, 0xC0, 128, 0, 64},
                                                 {0xB1, 0xC0, 192, 0, 64}}));
  const auto& image = bench.target.RegImage;
  EXPECT_EQ(image[0], 1);
  EXPECT_EQ(image[25], 26);
  EXPECT_EQ(image[26], 0xEE);
  EXPECT_EQ(image[27], 0xEE);
  EXPECT_EQ(image[28], 29);
  EXPECT_EQ(image[255], 0x00);
  EXPECT_EQ(image[256], 0xEE) << "bank 1 is empty";
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{kWholeImage}));
}

TEST_F(RamCommandsTest, FailedThirdBlockKeepsEarlierBlocksAndDoesNotRefresh) {
  failAt = 3;
  EXPECT_FALSE(commands.ReadRam());
  EXPECT_EQ(bridge.requests.size(), 3u);
  EXPECT_EQ(bench.target.RegImage[63], 64);
  EXPECT_EQ(bench.target.RegImage[64], 0xEE);
  EXPECT_EQ(bench.target.RegImage[1023], 0xEE);
  EXPECT_TRUE(host.changedAddresses.empty());
}

TEST_F(RamCommandsTest, Qx740xLinkReadsTheFiveRegistersThenTheAdc) {
  bench.target.LinkKind = link::kLinkQx740x;
  bridge.respond = [](const Bytes& r) {
    Bytes out(64, 0);
    out[0] = 0xFA;
    out[1] = static_cast<uint8_t>(0x40 + r[3]);
    return out;
  };
  EXPECT_TRUE(commands.ReadRam());
  EXPECT_EQ(bridge.Heads(5), (std::vector<Bytes>{{0xC4, 0x01, 0xA0, 0, 1},
                                                 {0xC4, 0x01, 0xA0, 1, 1},
                                                 {0xC4, 0x01, 0xA0, 2, 1},
                                                 {0xC4, 0x01, 0xA0, 3, 1},
                                                 {0xC4, 0x01, 0xA0, 4, 1},
                                                 {0xC4, 0x01, 0xA0, 0x05, 0x03},
                                                 {0xC4, 0x01, 0xA0, 0x06, 0x02}}));
  EXPECT_EQ(bench.target.RegImage[0], 0x40);
  EXPECT_EQ(bench.target.RegImage[4], 0x44);
  EXPECT_EQ(bench.target.RegImage[5], 0xEE);
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{kWholeImage}));
}

TEST_F(RamCommandsTest, Qx740xLinkRefreshesEvenWhenEveryReadFails) {
  bench.target.LinkKind = link::kLinkQx740x;
  bench.access.AdcRegShadow() = {9, 8, 7, 6, 5};
  bridge.failWrites = 100;
  EXPECT_TRUE(commands.ReadRam());
  EXPECT_EQ(bench.target.RegImage[0], 9) << "the shadow is stored whatever the read did";
  EXPECT_EQ(bench.target.RegImage[4], 5);
  EXPECT_EQ(host.changedAddresses, (std::vector<int>{kWholeImage}));
}

TEST_F(RamCommandsTest, ParallelLinkHasNoTransportYetAndStops) {
  bench.target.LinkKind = link::kLinkParallel;
  EXPECT_FALSE(commands.ReadRam());
  EXPECT_TRUE(bridge.requests.empty());
  EXPECT_TRUE(host.changedAddresses.empty());
}

TEST_F(RamCommandsTest, UartLinkStopsWhenTheProbeFails) {
  bench.target.LinkKind = link::kLinkUart;
  bridge.failWrites = 1;  // the probe gets no answer
  EXPECT_FALSE(commands.ReadRam());
  EXPECT_TRUE(bridge.requests.empty()) << "no block read follows a failed probe";
  EXPECT_TRUE(host.changedAddresses.empty());
}

TEST_F(RamCommandsTest, SleepWritesA5ToFD) {
  EXPECT_TRUE(commands.Sleep());
  EXPECT_EQ(bridge.requests.back(), (Bytes{0xB1, 0x40, 0xFD, 0x00, 0x01, 0xA5}));
}

TEST_F(RamCommandsTest, SleepOnTheQx740xLinkCarriesA5NotTheRegisterShadow) {
  bench.target.LinkKind = link::kLinkQx740x;
  EXPECT_TRUE(commands.Sleep());
  const Bytes& sent = bridge.requests.back();
  ASSERT_GE(sent.size(), 8u);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 5), (Bytes{0xC4, 0x00, 0xA0, 0xFD, 0x01}));
  EXPECT_EQ(sent[7], 0xA5);
}

}  // namespace
}  // namespace qx::views
