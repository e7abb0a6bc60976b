#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <vector>

#include "core/base/FakeClock.h"
#include "sim/SimBoard.h"
#include "sim/SimTestChip.h"

namespace qx::sim {
namespace {

constexpr std::array<uint8_t, 4> kPipe0{0, 0, 0, 0};
constexpr std::array<uint8_t, 4> kPipe1{1, 0, 0, 0};

class BulkBus : public ::testing::Test {
 protected:
  void SetUp() override {
    board.UseBulkBridge(true);
    h = bulk.Open("Qxusb-0");
    ASSERT_TRUE(link::IsValidHandle(h));
  }
  bool Write(std::vector<uint8_t> frame) {
    size_t returned = 0;
    return bulk.Control(h, link::bulk::kBulkWrite, kPipe1, frame, returned);
  }
  bool Read(std::vector<uint8_t>& into, size_t& returned) {
    return bulk.Control(h, link::bulk::kBulkRead, kPipe0, into, returned);
  }

  base::FakeClock clock;
  chip::ChipModel model = test::Qx740xModel();
  SimBoard board{clock, model};
  SimBulkDriver& bulk = board.Bulk();
  link::DeviceHandle h = link::kInvalidHandle;
};

TEST_F(BulkBus, OnlyQxusb0Exists) {
  EXPECT_EQ(bulk.Open("Qxusb-1"), link::kInvalidHandle);
  EXPECT_EQ(bulk.Open("qxusb-0"), link::kInvalidHandle);
  bulk.SetAbsent(true);
  EXPECT_EQ(bulk.Open("Qxusb-0"), link::kInvalidHandle);
}

TEST_F(BulkBus, DeviceDescriptorBytes) {
  std::array<uint8_t, 148> d{};
  d.fill(0xEE);
  size_t returned = 0;
  ASSERT_TRUE(bulk.Control(h, link::bulk::kGetDeviceDescriptor, d, d, returned));
  EXPECT_EQ(returned, 148u);
  const std::vector<uint8_t> head(d.begin(), d.begin() + 18);
  EXPECT_EQ(head, (std::vector<uint8_t>{18, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 64, 0x47, 0x05,
                                        0x04, 0x10, 0x01, 0x00, 1, 2, 0, 1}));
  EXPECT_TRUE(std::all_of(d.begin() + 18, d.end(), [](uint8_t b) { return b == 0; }));
  bulk.SetProductId(0x100A);
  ASSERT_TRUE(bulk.Control(h, link::bulk::kGetDeviceDescriptor, d, d, returned));
  EXPECT_EQ(d[10], 0x0A);
  EXPECT_EQ(d[11], 0x10);
  std::array<uint8_t, 100> small{};
  EXPECT_FALSE(bulk.Control(h, link::bulk::kGetDeviceDescriptor, {}, small, returned));
}

TEST_F(BulkBus, PipeTableBytes) {
  std::array<uint8_t, 356> b{};
  b.fill(0xEE);
  size_t returned = 0;
  ASSERT_TRUE(bulk.Control(h, link::bulk::kGetPipeInfo, {}, b, returned));
  EXPECT_EQ(returned, 356u);
  const std::vector<uint8_t> header(b.begin(), b.begin() + 16);
  EXPECT_EQ(header,
            (std::vector<uint8_t>{56, 0, 0, 0, 0xFF, 0, 0, 0, 0x00, 0x00, 0xA0, 0x00, 2, 0, 0, 0}));
  const std::vector<uint8_t> pipe0(b.begin() + 16, b.begin() + 36);
  EXPECT_EQ(pipe0, (std::vector<uint8_t>{64,   0,    0x81, 0,    2, 0, 0, 0, 0x00, 0x00,
                                         0xB0, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0,    0}));
  const std::vector<uint8_t> pipe1(b.begin() + 36, b.begin() + 56);
  EXPECT_EQ(pipe1, (std::vector<uint8_t>{64,   0,    0x02, 0,    2, 0, 0, 0, 0x01, 0x00,
                                         0xB0, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0,    0}));
  EXPECT_TRUE(std::all_of(b.begin() + 56, b.end(), [](uint8_t x) { return x == 0; }));

  bulk.SetWrongPipeDirections(true);
  ASSERT_TRUE(bulk.Control(h, link::bulk::kGetPipeInfo, {}, b, returned));
  EXPECT_EQ(b[16 + 2], 0x02);
  EXPECT_EQ(b[36 + 2], 0x81);
}

TEST_F(BulkBus, FramesTravelThroughThePipes) {
  ASSERT_TRUE(Write({0xF9, 0x02, 0x00, 0x00}));
  std::vector<uint8_t> reply(8, 0xEE);
  size_t returned = 0;
  ASSERT_TRUE(Read(reply, returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(reply, (std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
  // A bulk request is exactly the bytes written, not a padded report.
  EXPECT_EQ(board.Bridge().Requests().back(), (std::vector<uint8_t>{0xF9, 0x02, 0x00, 0x00}));

  board.Target().SetMemory(0x20, 0x42);
  ASSERT_TRUE(Write({0xC1, 0x80, 0x20, 0x00, 0x01}));
  reply.assign(2, 0);
  ASSERT_TRUE(Read(reply, returned));
  EXPECT_EQ(reply, (std::vector<uint8_t>{0x42, 0xFA}));
}

TEST_F(BulkBus, WrongDirectionPipesRefuseTransfers) {
  bulk.SetWrongPipeDirections(true);
  EXPECT_FALSE(Write({0xF9, 0x02, 0x00, 0x00}));
  EXPECT_EQ(bulk.LastError(), EINVAL);
  EXPECT_TRUE(board.Bridge().Requests().empty());
  std::vector<uint8_t> reply(8);
  size_t returned = 0;
  EXPECT_FALSE(Read(reply, returned));
}

TEST_F(BulkBus, UnplugFailsRequestsAndOpen) {
  board.Bridge().Unplug();
  std::array<uint8_t, 148> d{};
  size_t returned = 0;
  EXPECT_FALSE(bulk.Control(h, link::bulk::kGetDeviceDescriptor, d, d, returned));
  EXPECT_EQ(bulk.LastError(), ENODEV);
  EXPECT_EQ(bulk.Open("Qxusb-0"), link::kInvalidHandle);
  board.Bridge().Replug();
  EXPECT_FALSE(Write({0xF9, 0x02})) << "the old handle stays dead";
  bulk.Close(h);
  h = bulk.Open("Qxusb-0");
  EXPECT_TRUE(Write({0xF9, 0x02}));
  bulk.Close(h);
  EXPECT_EQ(bulk.OpenHandles(), 0u);
}

}  // namespace
}  // namespace qx::sim
