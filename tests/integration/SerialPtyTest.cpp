#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/app/Workbench.h"
#include "core/base/Clock.h"
#include "core/base/RecordingHost.h"
#include "platform/PosixSerialPortProvider.h"
#include "sim/SimBoard.h"
#include "sim/SimSerialPtyServer.h"

namespace qx {
namespace {

/// Virtual time that still lets the pseudo-terminal's server thread run: every wait advances
/// the clock by its full length but sleeps at most a fraction of a millisecond.
class YieldingClock final : public base::Clock {
 public:
  double NowMs() override { return now_; }
  void WaitMs(double ms) override {
    if (ms <= 0) return;
    now_ += ms;
    std::this_thread::sleep_for(std::chrono::microseconds(ms >= 1 ? 200 : 50));
  }

 private:
  double now_ = 0;
};

/// Link kind 0 end to end: core serial link, termios backend, a pty, the simulated bridge MCU.
class SerialPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Ok());
    auto port = ports.Open(server.SlavePath());
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->Configure(base::LineSettings{}));
    bench.target.ComPort = std::move(port);
    bench.target.ComOpen = true;
    bench.target.LinkKind = link::kLinkRs232;
  }

  YieldingClock clock;
  base::RecordingHost host;
  chip::ChipModel chip;
  sim::SimBoard board{clock, chip};
  sim::SimSerialPtyServer server{board.Target()};
  platform::PosixSerialPortProvider ports{"."};
  app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
};

TEST_F(SerialPtyTest, ReadAndWriteThroughThePseudoTerminal) {
  server.SetMemory(0x1F0, 0x0D);  // a CR must arrive as it is, not as a line end
  server.SetMemory(0x1F1, 0xFF);  // and FF must not be taken for a parity mark
  server.SetMemory(0x1F2, 0x11);
  ASSERT_TRUE(bench.access.ReadBytes(0x1F0, 3));
  EXPECT_EQ(bench.frame[0], 0x0D);
  EXPECT_EQ(bench.frame[1], 0xFF);
  EXPECT_EQ(bench.frame[2], 0x11);

  bench.access.WriteReg(0x40, 0xA7);
  EXPECT_EQ(server.Memory(0x40), 0xA7);
  EXPECT_EQ(bench.target.RegImage[0x40], 0xA7);
  EXPECT_EQ(host.status[1], "");
}

TEST_F(SerialPtyTest, SilentBridgeCostsThreeRetriesOfVirtualTimeOnly) {
  sim::SimSerialFaults faults;
  faults.silentSync = true;
  server.SetFaults(faults);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(bench.access.ReadBytes(0, 1));
  const auto real = std::chrono::steady_clock::now() - start;
  EXPECT_GE(clock.NowMs(), 3 * 4000.0);
  EXPECT_LT(real, std::chrono::seconds(2));
}

TEST_F(SerialPtyTest, RefusedWriteIsAFailure) {
  sim::SimSerialFaults faults;
  faults.writeNak = 0x5A;
  server.SetFaults(faults);
  bench.target.RegImage[0x41] = 0x01;
  bench.access.WriteReg(0x41, 0x02);
  EXPECT_EQ(bench.target.RegImage[0x41], 0x01);
  EXPECT_TRUE(host.changedAddresses.empty());
}

TEST_F(SerialPtyTest, ShortReplyIsAFailedRead) {
  sim::SimSerialFaults faults;
  faults.shortReadBy = 1;
  server.SetFaults(faults);
  server.SetMemory(8, 0x61);
  server.SetMemory(9, 0x62);
  bench.frame[1] = 0xEE;
  EXPECT_FALSE(bench.access.ReadBytes(8, 2));
  EXPECT_EQ(bench.frame[0], 0x61);
  EXPECT_EQ(bench.frame[1], 0xEE);  // nothing is made up for the missing byte
}

}  // namespace
}  // namespace qx
