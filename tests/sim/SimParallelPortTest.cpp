#include <gtest/gtest.h>

#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "sim/SimBoard.h"

namespace qx::sim {
namespace {

/// The panel's workbench on the simulated board, linked through the parallel port.
class SimParallelPortTest : public ::testing::Test {
 protected:
  SimParallelPortTest() {
    bench.parallel.Attach(board.Parallel(), board.DriverServices());
    bench.target.LinkKind = link::kLinkParallel;
    for (size_t a = 0; a < 16; ++a) board.Target().SetMemory(a, static_cast<uint8_t>(0xA0 + a));
  }
  std::vector<uint8_t> Frame(size_t n) const {
    return std::vector<uint8_t>(bench.frame.begin(), bench.frame.begin() + static_cast<long>(n));
  }

  chip::ChipModel model;
  base::FakeClock clock;
  base::RecordingHost host;
  SimBoard board{clock, model};
  app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
};

TEST_F(SimParallelPortTest, ReadOfFourBytesAtThreeEndToEnd) {
  bench.parallel.LptInit();
  ASSERT_TRUE(bench.parallel.Ready()) << host.status[0];
  board.Parallel().ResetAccesses();
  ASSERT_TRUE(bench.access.ReadBytes(0x03, 4));
  EXPECT_EQ(Frame(4), (std::vector<uint8_t>{0xA3, 0xA4, 0xA5, 0xA6}));
  EXPECT_EQ(board.Parallel().Target().ReadFrames(), 1);
  // Start 3, eight paces of 1001 reads, three bytes out and four in at 25 each, end 2.
  EXPECT_EQ(board.Parallel().Accesses(), 3u + 8 * 1001 + 7 * 25 + 2);
  EXPECT_EQ(board.Parallel().ControlRegister() & 0x0B, 0x02) << "frame bit up, clock low";
}

TEST_F(SimParallelPortTest, WriteRegStoresTheReadBackFromTargetMemory) {
  bench.parallel.LptInit();
  bench.access.WriteReg(0x0123, 0x5A);
  EXPECT_EQ(board.Target().Memory(0x0123), 0x5A);
  EXPECT_EQ(bench.target.RegImage[0x0123], 0x5A);
  EXPECT_EQ(board.Parallel().Target().WriteFrames(), 1);
  EXPECT_EQ(board.Parallel().Target().ReadFrames(), 1);
  // Register 27 goes out as the pair 26, 27.
  bench.target.RegImage[26] = 0x11;
  bench.access.WriteReg(27, 0x22);
  EXPECT_EQ(board.Target().Memory(26), 0x11);
  EXPECT_EQ(board.Target().Memory(27), 0x22);
}

TEST_F(SimParallelPortTest, ASilentTargetReadsAsTheStuckLevelNotAsTheRequestedValue) {
  bench.parallel.LptInit();
  board.Parallel().Target().Faults().stuckStatus = true;
  bench.access.WriteReg(10, 0x5A);
  EXPECT_EQ(bench.target.RegImage[10], 0xFF) << "the read-back is stored, not the request";
  board.Parallel().Target().Faults().stuckStatus = false;
  ASSERT_TRUE(bench.access.ReadBytes(0, 2));
  EXPECT_EQ(Frame(2), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(SimParallelPortTest, BitErrors) {
  bench.parallel.LptInit();
  auto& faults = board.Parallel().Target().Faults();
  // Clock 7 is the last bit of the command: C0 becomes C1, which the target ignores.
  faults.bitErrorAtClock = 7;
  ASSERT_TRUE(bench.access.ReadBytes(3, 2));
  EXPECT_EQ(Frame(2), (std::vector<uint8_t>{0xFF, 0xFF})) << "the line idles high";
  EXPECT_EQ(board.Parallel().Target().ReadFrames(), 0);
  // Clock 15 is the lowest address bit: 03 is heard as 02.
  faults.bitErrorAtClock = 15;
  ASSERT_TRUE(bench.access.ReadBytes(3, 1));
  EXPECT_EQ(bench.frame[0], 0xA2);
  // Clock 24 is the first data bit: the top bit of the reply is inverted.
  faults.bitErrorAtClock = 24;
  ASSERT_TRUE(bench.access.ReadBytes(3, 2));
  EXPECT_EQ(Frame(2), (std::vector<uint8_t>{0x23, 0xA4}));
  // On a write, the target stores the damaged byte.
  faults.bitErrorAtClock = 31;
  bench.frame[5] = 0x10;
  ASSERT_TRUE(bench.access.WriteBytes(5, 1));
  EXPECT_EQ(board.Target().Memory(5), 0x11);
}

TEST_F(SimParallelPortTest, NoDriverMeansNoTransferAndRegImageUnchanged) {
  board.Parallel().SetDriverPresent(false);
  bench.parallel.LptInit();
  EXPECT_FALSE(bench.parallel.Ready());
  EXPECT_EQ(host.status[0], "Parallel 0x378 not open: the simulated port driver is switched off");
  bench.target.RegImage[10] = 0x77;
  bench.access.WriteReg(10, 0x5A);
  EXPECT_EQ(bench.target.RegImage[10], 0x77);
  EXPECT_EQ(board.Target().Memory(10), 0xAA) << "nothing reached the target";
  EXPECT_FALSE(bench.access.ReadBytes(0, 1));
}

TEST_F(SimParallelPortTest, AnotherPortBaseFindsNoTarget) {
  bench.settings.LptPortBase = 0x278;
  bench.parallel.LptInit();
  ASSERT_TRUE(bench.parallel.Ready()) << "the driver answers for any port";
  ASSERT_TRUE(bench.access.ReadBytes(3, 1));
  EXPECT_EQ(bench.frame[0], 0xFF) << "an empty bus reads high";
  EXPECT_EQ(board.Parallel().Target().Frames(), 0);
}

}  // namespace
}  // namespace qx::sim
