#include <gtest/gtest.h>

#include <deque>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "support/FakeBridge.h"

namespace qx::link {
namespace {

using test::Bytes;

/// A serial bridge microcontroller that answers at once: 55 -> AA, C0 reads, 40 writes.
class ScriptedMcu : public base::SerialPort {
 public:
  std::array<uint8_t, 1024> memory{};
  std::vector<Bytes> written;
  int ignoreSyncs = 0;       ///< the next N syncs get no answer
  int shortBy = 0;           ///< read replies lack this many bytes
  bool nakWrites = false;    ///< writes answered with 0x55 instead of AA
  uint32_t nextErrors = 0;   ///< error mask of the next status
  uint32_t replyErrors = 0;  ///< error mask raised with the reply to a read frame
  bool silentReads = false;  ///< read frames get no answer

  bool Configure(const base::LineSettings&) override { return true; }
  bool SetDtr(bool) override { return true; }
  base::LineStatus Status() override {
    base::LineStatus s{queue_.size(), nextErrors};
    nextErrors = 0;
    return s;
  }
  size_t Read(std::span<uint8_t> buffer) override {
    size_t n = 0;
    while (n < buffer.size() && !queue_.empty()) {
      buffer[n++] = queue_.front();
      queue_.pop_front();
    }
    return n;
  }
  bool Write(std::span<const uint8_t> bytes) override {
    written.emplace_back(bytes.begin(), bytes.end());
    if (bytes.size() == 1 && bytes[0] == 0x55) {
      if (ignoreSyncs > 0)
        --ignoreSyncs;
      else
        queue_.push_back(0xAA);
    } else if (bytes.size() == 4 && bytes[0] == 0xC0) {
      if (silentReads) return true;
      nextErrors |= replyErrors;
      const size_t at = static_cast<size_t>(bytes[1] | bytes[2] << 8);
      for (int i = 0; i < bytes[3] - shortBy; ++i) queue_.push_back(memory[(at + i) % 1024]);
    } else if (bytes.size() >= 4 && bytes[0] == 0x40) {
      const size_t at = static_cast<size_t>(bytes[1] | bytes[2] << 8);
      for (size_t i = 4; i < bytes.size(); ++i) memory[(at + i - 4) % 1024] = bytes[i];
      queue_.push_back(nakWrites ? 0x55 : 0xAA);
    }
    return true;
  }
  void DiscardInput() override { queue_.clear(); }

 private:
  std::deque<uint8_t> queue_;
};

class SerialBridgeLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto port = std::make_unique<ScriptedMcu>();
    mcu = port.get();
    bench.target.ComPort = std::move(port);
    bench.target.ComOpen = true;
    bench.target.LinkKind = kLinkRs232;
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeHid hid;
  test::FakeBulk bulk;
  app::Workbench bench{clock, host, hid, bulk};
  ScriptedMcu* mcu = nullptr;
};

TEST_F(SerialBridgeLinkTest, ReadSynchronisesThenFetches) {
  mcu->memory[0x120] = 0xDE;
  mcu->memory[0x121] = 0xAD;
  ASSERT_TRUE(bench.access.ReadBytes(0x120, 2));
  EXPECT_EQ(mcu->written, (std::vector<Bytes>{{0x55}, {0xC0, 0x20, 0x01, 0x02}}));
  EXPECT_EQ(bench.frame[0], 0xDE);
  EXPECT_EQ(bench.frame[1], 0xAD);
  EXPECT_EQ(host.status[1], "");
  EXPECT_LT(clock.WaitedMs(), 200);
}

TEST_F(SerialBridgeLinkTest, SyncIsTriedThreeTimesWithFourSecondPauses) {
  mcu->ignoreSyncs = 2;
  ASSERT_TRUE(bench.access.ReadBytes(0, 1));
  EXPECT_EQ(std::count(mcu->written.begin(), mcu->written.end(), Bytes{0x55}), 3);
  EXPECT_GE(clock.WaitedMs(), 8000 + 200);
  EXPECT_LT(clock.WaitedMs(), 8000 + 400);

  mcu->written.clear();
  mcu->ignoreSyncs = 3;
  EXPECT_FALSE(bench.access.ReadBytes(0, 1));
  EXPECT_EQ(mcu->written.size(), 3u);  // no read frame after three failed syncs
}

TEST_F(SerialBridgeLinkTest, ReplyOneByteShortIsAFailedRead) {
  mcu->memory[5] = 0x42;
  mcu->memory[6] = 0x43;
  mcu->shortBy = 1;
  EXPECT_FALSE(bench.access.ReadBytes(5, 3));
  // It waited the full four seconds for the byte that never came; the line itself was clean.
  EXPECT_GE(clock.WaitedMs(), 4000);
  EXPECT_EQ(host.status[1], "");

  mcu->shortBy = 0;
  ASSERT_TRUE(bench.access.ReadBytes(5, 3));
  EXPECT_EQ(bench.frame[0], 0x42);
  EXPECT_EQ(bench.frame[1], 0x43);
}

TEST_F(SerialBridgeLinkTest, NoDataIsReportedAsDataEmpty) {
  mcu->silentReads = true;
  EXPECT_FALSE(bench.access.ReadBytes(5, 1));
  EXPECT_EQ(host.status[1], "Data Empty");
  EXPECT_GE(clock.WaitedMs(), 8000);
}

TEST_F(SerialBridgeLinkTest, ParityErrorIsShown) {
  mcu->replyErrors = base::comm_error::kRxParity;
  ASSERT_TRUE(bench.access.ReadBytes(0, 1));
  EXPECT_EQ(host.status[1], "Parity Fail");

  mcu->replyErrors = base::comm_error::kFrame;
  ASSERT_TRUE(bench.access.ReadBytes(0, 1));
  EXPECT_EQ(host.status[1], "Other Err");
}

TEST_F(SerialBridgeLinkTest, WriteMovesTheDataBehindTheHeader) {
  bench.frame[5] = 0x11;
  bench.frame[6] = 0x22;
  ASSERT_TRUE(bench.access.WriteBytes(0x0302, 2));
  EXPECT_EQ(mcu->written, (std::vector<Bytes>{{0x55}, {0x40, 0x02, 0x03, 0x02, 0x11, 0x22}}));
  EXPECT_EQ(mcu->memory[0x302], 0x11);
  EXPECT_EQ(mcu->memory[0x303], 0x22);
}

TEST_F(SerialBridgeLinkTest, RefusedWriteFailsAfterTheLongPause) {
  mcu->nakWrites = true;
  bench.frame[5] = 1;
  EXPECT_FALSE(bench.access.WriteBytes(0x10, 1));
  EXPECT_GE(clock.WaitedMs(), 4000);
  EXPECT_LT(clock.WaitedMs(), 4200);
}

TEST_F(SerialBridgeLinkTest, WriteRegReadsBack) {
  bench.access.WriteReg(0x33, 0x5A);
  EXPECT_EQ(bench.target.RegImage[0x33], 0x5A);
  EXPECT_EQ(mcu->written.size(), 4u);
}

TEST_F(SerialBridgeLinkTest, ClosedPortFailsAtOnce) {
  bench.target.ComOpen = false;
  EXPECT_FALSE(bench.access.ReadBytes(0, 1));
  EXPECT_FALSE(bench.access.WriteBytes(0, 1));
  EXPECT_TRUE(mcu->written.empty());
  EXPECT_EQ(clock.WaitedMs(), 0);
}

}  // namespace
}  // namespace qx::link
