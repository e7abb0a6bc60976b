#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimBoard.h"
#include "sim/SimSerialPtyServer.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

using test::Bytes;

class SerialBridge : public ::testing::Test {
 protected:
  std::vector<uint8_t> Exchange(std::vector<uint8_t> out) {
    EXPECT_TRUE(port.Write(out));
    std::vector<uint8_t> in(port.Status().queued);
    EXPECT_EQ(port.Read(in), in.size());
    return in;
  }

  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimSerialBridge port{target};
};

TEST_F(SerialBridge, SyncReadAndWrite) {
  EXPECT_EQ(Exchange({0x55}), Bytes({0xAA}));
  EXPECT_EQ(Exchange({0x40, 0x34, 0x02, 0x03, 0x01, 0x02, 0x03}), Bytes({0xAA}));
  EXPECT_EQ(target.Memory(0x234), 0x01);
  EXPECT_EQ(target.Memory(0x236), 0x03);
  EXPECT_EQ(Exchange({0xC0, 0x33, 0x02, 0x05}), Bytes({0x00, 0x01, 0x02, 0x03, 0x00}));
  EXPECT_EQ(port.Sent().size(), 12u);
}

TEST_F(SerialBridge, FramesMayArriveInPieces) {
  target.SetMemory(7, 0x77);
  EXPECT_TRUE(Exchange({0xC0, 0x07}).empty());
  EXPECT_EQ(Exchange({0x00, 0x01}), Bytes({0x77}));
  EXPECT_TRUE(Exchange({0x40, 0x08, 0x00, 0x02, 0x88}).empty());
  EXPECT_EQ(Exchange({0x99}), Bytes({0xAA}));
  EXPECT_EQ(target.Memory(9), 0x99);
}

TEST_F(SerialBridge, LineNoiseBetweenFramesIsIgnored) {
  EXPECT_EQ(Exchange({0x00, 0xFF, 0x13, 0x55}), Bytes({0xAA}));
}

TEST_F(SerialBridge, DiscardDropsQueuedAnswers) {
  port.Write(Bytes({0x55, 0x55}));
  EXPECT_EQ(port.Status().queued, 2u);
  port.DiscardInput();
  EXPECT_EQ(port.Status().queued, 0u);
}

TEST_F(SerialBridge, SyncFaults) {
  port.Faults().silentSync = true;
  EXPECT_TRUE(Exchange({0x55}).empty());
  port.Faults().silentSync = false;
  port.Faults().wrongSyncByte = 0xA5;
  EXPECT_EQ(Exchange({0x55}), Bytes({0xA5}));
  port.Faults() = {};
  EXPECT_EQ(Exchange({0x55}), Bytes({0xAA}));
}

TEST_F(SerialBridge, ShortReadAndWriteNak) {
  for (uint8_t i = 0; i < 4; ++i) target.SetMemory(i, static_cast<uint8_t>(0x10 + i));
  port.Faults().shortReadBy = 3;
  EXPECT_EQ(Exchange({0xC0, 0x00, 0x00, 0x04}), Bytes({0x10}));
  port.Faults().shortReadBy = 9;
  EXPECT_TRUE(Exchange({0xC0, 0x00, 0x00, 0x04}).empty());
  port.Faults().writeNak = 0x5A;
  EXPECT_EQ(Exchange({0x40, 0x00, 0x00, 0x01, 0xEE}), Bytes({0x5A}));
  EXPECT_EQ(target.Memory(0), 0x10) << "a refused write changes nothing";
}

TEST_F(SerialBridge, ParityErrorShowsOnTheNextStatusOnly) {
  port.ArmParityError();
  port.Write(Bytes({0x55}));
  const base::LineStatus first = port.Status();
  EXPECT_EQ(first.errorMask, base::comm_error::kRxParity);
  EXPECT_EQ(first.queued, 1u);
  EXPECT_EQ(port.Status().errorMask, 0u);
}

TEST_F(SerialBridge, ConfigureRejectsImpossibleSettings) {
  base::LineSettings s;
  s.baudRate = 19200;
  s.parity = base::Parity::Even;
  EXPECT_TRUE(port.Configure(s));
  EXPECT_EQ(port.Settings().baudRate, 19200);
  s.byteSize = 9;
  EXPECT_FALSE(port.Configure(s));
  EXPECT_EQ(port.Settings().byteSize, 8);
}

TEST(SimSerialPorts, OneNameExclusiveOpen) {
  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  SimSerialPortProvider& ports = board.SerialPorts();
  EXPECT_EQ(ports.Open("COM2"), nullptr);
  auto port = ports.Open("COM1");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(ports.Open("COM1"), nullptr) << "already open";
  board.SerialBridge().Faults().wrongSyncByte = 0x00;
  port->Write(Bytes({0x55}));
  std::array<uint8_t, 4> in{};
  ASSERT_EQ(port->Read(in), 1u);
  EXPECT_EQ(in[0], 0x00);
  port.reset();
  EXPECT_FALSE(ports.InUse());
  ports.SetPortName("COM16");
  EXPECT_NE(ports.Open("COM16"), nullptr);
}

// The pseudo-terminal server, reached like a real port: open the slave path, raw mode.
class PtyServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Ok());
    fd = open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << server.SlavePath();
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    cfmakeraw(&tio);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
  }
  void TearDown() override {
    if (fd >= 0) close(fd);
  }
  /// Sends `out` and collects answer bytes until `expect` arrived or `limit` passed.
  std::vector<uint8_t> Exchange(const std::vector<uint8_t>& out, size_t expect,
                                std::chrono::milliseconds limit = std::chrono::seconds(2)) {
    EXPECT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    std::vector<uint8_t> in;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (in.size() < expect && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      std::array<uint8_t, 256> buf{};
      const ssize_t n = read(fd, buf.data(), buf.size());
      if (n > 0) in.insert(in.end(), buf.begin(), buf.begin() + n);
    }
    return in;
  }

  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  SimSerialPtyServer server{target};
  int fd = -1;
};

TEST_F(PtyServer, SyncReadWriteEndToEnd) {
  EXPECT_EQ(server.SlavePath().rfind("/dev/pts/", 0), 0u) << server.SlavePath();
  EXPECT_EQ(Exchange({0x55}, 1), Bytes({0xAA}));
  server.SetMemory(0x3FE, 0x0D);  // bytes that a cooked line would have mangled
  server.SetMemory(0x3FF, 0x0A);
  EXPECT_EQ(Exchange({0xC0, 0xFE, 0x03, 0x02}, 2), Bytes({0x0D, 0x0A}));
  EXPECT_EQ(Exchange({0x40, 0x10, 0x00, 0x02, 0x03, 0x7F}, 1), Bytes({0xAA}));
  EXPECT_EQ(server.Memory(0x10), 0x03);
  EXPECT_EQ(server.Memory(0x11), 0x7F);
  EXPECT_EQ(server.FramesHandled(), 3u);
}

TEST_F(PtyServer, SilentSyncGivesNothing) {
  SimSerialFaults f;
  f.silentSync = true;
  server.SetFaults(f);
  EXPECT_TRUE(Exchange({0x55}, 1, std::chrono::milliseconds(300)).empty());
  server.SetFaults({});
  EXPECT_EQ(Exchange({0x55}, 1), Bytes({0xAA}));
}

TEST(PtyServerLifetime, StopsPromptlyWithAClientStillAttached) {
  chip::ChipModel model = test::Qx740xModel();
  SimTarget target{model};
  int fd = -1;
  const auto t0 = std::chrono::steady_clock::now();
  {
    SimSerialPtyServer server{target};
    ASSERT_TRUE(server.Ok());
    fd = open(server.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(150));
  close(fd);
}

}  // namespace
}  // namespace qx::sim
