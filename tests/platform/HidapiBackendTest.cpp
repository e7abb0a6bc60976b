#include "platform/HidapiBackend.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/HidOpenPolicy.h"

namespace qx::platform {
namespace {

using Bytes = std::vector<uint8_t>;

/// What the fake HID library saw and what it will answer, shared with the devices it opened.
struct HidWorld {
  std::vector<HidEntry> entries;
  std::vector<std::string> opened;
  std::set<std::string> refuseOpen;
  std::map<std::string, std::deque<Bytes>> pending;  ///< input reports per path
  std::vector<Bytes> written;
  std::vector<int> readTimeouts;
  int readError = 0;
  int enumerations = 0;
};

class FakeDevice : public HidRawDevice {
 public:
  FakeDevice(HidWorld& world, std::string path) : world_(world), path_(std::move(path)) {}
  int Write(std::span<const uint8_t> data) override {
    world_.written.emplace_back(data.begin(), data.end());
    return static_cast<int>(data.size());
  }
  int Read(std::span<uint8_t> data, int timeoutMs) override {
    world_.readTimeouts.push_back(timeoutMs);
    if (world_.readError != 0) return -world_.readError;
    auto& queue = world_.pending[path_];
    if (queue.empty()) return 0;
    const Bytes report = queue.front();
    queue.pop_front();
    const size_t n = std::min(report.size(), data.size());
    std::copy_n(report.begin(), n, data.begin());
    return static_cast<int>(n);
  }

 private:
  HidWorld& world_;
  std::string path_;
};

class FakeApi : public HidRawApi {
 public:
  explicit FakeApi(HidWorld& world) : world_(world) {}
  std::vector<HidEntry> Enumerate() override {
    ++world_.enumerations;
    return world_.entries;
  }
  std::unique_ptr<HidRawDevice> Open(const std::string& path) override {
    world_.opened.push_back(path);
    if (world_.refuseOpen.contains(path)) return nullptr;
    return std::make_unique<FakeDevice>(world_, path);
  }
  int LastErrno() const override { return EACCES; }

 private:
  HidWorld& world_;
};

constexpr uint16_t kBridgeVersion = 0x0727;

class HidBackendOverFake : public ::testing::Test {
 protected:
  HidBackendOverFake() {
    world_.entries = {
        {"/dev/hidraw0", 0x046D, 0xC52B, 0x1211},  // receiver of a wireless mouse
        {"/dev/hidraw1", 0x04D8, 0x2009, 0x0100},  // same vendor, other product
        {"/dev/hidraw2", 0x04D8, 0x2008, kBridgeVersion},
        {"/dev/hidraw3", 0x0547, 0x1004, 0x0001},
    };
  }
  HidWorld world_;
  HidapiBackend backend_{std::make_unique<FakeApi>(world_)};
};

TEST(HidOpenPolicy, OnlyTheBridgeIsOpened) {
  const struct {
    uint16_t vendor, product;
    bool open;
  } cases[] = {
      {0x04D8, 0x2008, true},  {0x04D8, 0x2009, false}, {0x04D9, 0x2008, false},
      {0x2008, 0x04D8, false}, {0x0547, 0x1004, false}, {0x0000, 0x0000, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HidOpenPolicy::ShouldOpen(c.vendor, c.product), c.open)
        << c.vendor << ":" << c.product;
  }
}

TEST_F(HidBackendOverFake, ScanOpensTheBridgeOnlyAndReportsWhatIsThere) {
  std::vector<link::DeviceHandle> handles;
  for (int i = 0; i < 128; ++i) {
    bool present = true;
    const link::DeviceHandle h = backend_.GetDevice(i, present);
    EXPECT_EQ(present, i < 4) << i;
    EXPECT_EQ(link::IsValidHandle(h), i < 4) << i;
    if (link::IsValidHandle(h)) handles.push_back(h);
  }
  EXPECT_EQ(world_.opened, std::vector<std::string>{"/dev/hidraw2"});
  EXPECT_EQ(world_.enumerations, 1) << "one enumeration should serve the whole scan";
  ASSERT_EQ(handles.size(), 4u);
  EXPECT_EQ(std::set<link::DeviceHandle>(handles.begin(), handles.end()).size(), 4u);
  for (link::DeviceHandle h : handles) {
    EXPECT_GT(h, 0);
    EXPECT_LE(h, 4);
  }

  link::HidAttributes a;
  ASSERT_TRUE(backend_.GetAttributes(handles[2], a));
  EXPECT_EQ(a.vendorId, 0x04D8);
  EXPECT_EQ(a.productId, 0x2008);
  EXPECT_EQ(a.versionNumber, kBridgeVersion);
  EXPECT_EQ(a.inputReportLength, 65);
  EXPECT_EQ(a.outputReportLength, 65);

  ASSERT_TRUE(backend_.GetAttributes(handles[0], a));
  EXPECT_EQ(a.vendorId, 0x046D);
  EXPECT_EQ(a.productId, 0xC52B);
  EXPECT_EQ(a.versionNumber, 0x1211);
  EXPECT_EQ(a.inputReportLength, 0);
}

TEST_F(HidBackendOverFake, OtherDevicesCannotBeWrittenOrRead) {
  bool present = false;
  const link::DeviceHandle mouse = backend_.GetDevice(0, present);
  ASSERT_TRUE(link::IsValidHandle(mouse));
  Bytes report(65, 0);
  EXPECT_FALSE(backend_.Write(mouse, report));
  EXPECT_EQ(backend_.LastError(), EBADF);
  EXPECT_FALSE(backend_.Read(mouse, report));
  EXPECT_TRUE(world_.opened.empty());
  EXPECT_TRUE(world_.written.empty());
}

TEST_F(HidBackendOverFake, ReportsKeepTheReportIdLayout) {
  bool present = false;
  const link::DeviceHandle h = backend_.GetDevice(2, present);
  ASSERT_TRUE(link::IsValidHandle(h));

  Bytes out(65, 0);
  out[1] = 0xF9;
  out[2] = 0xAC;
  ASSERT_TRUE(backend_.Write(h, out));
  ASSERT_EQ(world_.written.size(), 1u);
  EXPECT_EQ(world_.written[0], out);

  Bytes reply = {'Q', 'u', 'o', 'r', 'v', 'a', 'n', 'e'};
  reply.resize(64, 0x5A);
  world_.pending["/dev/hidraw2"].push_back(reply);
  Bytes in(65, 0xEE);
  ASSERT_TRUE(backend_.Read(h, in));
  EXPECT_EQ(in[0], 0x00);
  EXPECT_EQ(Bytes(in.begin() + 1, in.end()), reply);
  EXPECT_EQ(world_.readTimeouts.back(), 1000);
}

TEST_F(HidBackendOverFake, ShortReportIsZeroFilledAndSilenceFails) {
  bool present = false;
  const link::DeviceHandle h = backend_.GetDevice(2, present);
  world_.pending["/dev/hidraw2"].push_back({0x01, 0x02});
  Bytes in(65, 0xEE);
  ASSERT_TRUE(backend_.Read(h, in));
  Bytes expected(65, 0);
  expected[1] = 0x01;
  expected[2] = 0x02;
  EXPECT_EQ(in, expected);

  EXPECT_FALSE(backend_.Read(h, in));
  EXPECT_EQ(backend_.LastError(), ETIMEDOUT);

  world_.readError = EIO;
  EXPECT_FALSE(backend_.Read(h, in));
  EXPECT_EQ(backend_.LastError(), EIO);
}

TEST_F(HidBackendOverFake, RepliesLeftFromAnEarlierSessionAreDropped) {
  world_.pending["/dev/hidraw2"] = {Bytes(64, 0x11), Bytes(64, 0x22)};
  bool present = false;
  const link::DeviceHandle h = backend_.GetDevice(2, present);
  ASSERT_TRUE(link::IsValidHandle(h));
  world_.pending["/dev/hidraw2"].push_back(Bytes(64, 0x33));
  Bytes in(65);
  ASSERT_TRUE(backend_.Read(h, in));
  EXPECT_EQ(in[1], 0x33);
}

TEST_F(HidBackendOverFake, BridgeThatCannotBeOpenedGivesNoHandle) {
  world_.refuseOpen.insert("/dev/hidraw2");
  bool present = false;
  EXPECT_FALSE(link::IsValidHandle(backend_.GetDevice(2, present)));
  EXPECT_TRUE(present);
  EXPECT_EQ(backend_.LastError(), EACCES);
}

TEST_F(HidBackendOverFake, ClosedHandlesAreDeadAndNumbersAreReused) {
  bool present = false;
  const link::DeviceHandle bridge = backend_.GetDevice(2, present);
  backend_.Close(bridge);
  link::HidAttributes a;
  EXPECT_FALSE(backend_.GetAttributes(bridge, a));
  EXPECT_FALSE(backend_.Write(bridge, Bytes(65, 0)));
  backend_.Close(bridge);  // twice is harmless

  // Repeated scans (the link monitor rescans every ten seconds) keep handles small.
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 128; ++i) {
      const link::DeviceHandle h = backend_.GetDevice(i, present);
      if (i == 2) {
        ASSERT_TRUE(link::IsValidHandle(h));
        EXPECT_LE(h, 8);
        backend_.Close(h);
      }
    }
  }
}

TEST_F(HidBackendOverFake, NewScanSeesPluggedDevices) {
  bool present = false;
  backend_.GetDevice(0, present);
  world_.entries.push_back({"/dev/hidraw4", 0x1234, 0x5678, 1});
  backend_.GetDevice(0, present);  // index 0 starts a new scan
  EXPECT_TRUE(link::IsValidHandle(backend_.GetDevice(4, present)));
  EXPECT_TRUE(present);
  EXPECT_FALSE(link::IsValidHandle(backend_.GetDevice(-1, present)));
  EXPECT_FALSE(present);
}

TEST(HidapiBackend, ScanOfThisMachineFindsNoBridgeAndDoesNotCrash) {
  HidapiBackend backend;
  for (int i = 0; i < 128; ++i) {
    bool present = false;
    const link::DeviceHandle h = backend.GetDevice(i, present);
    if (!link::IsValidHandle(h)) continue;
    EXPECT_TRUE(present);
    link::HidAttributes a;
    ASSERT_TRUE(backend.GetAttributes(h, a));
    EXPECT_FALSE(HidOpenPolicy::ShouldOpen(a.vendorId, a.productId)) << "bridge at index " << i;
    EXPECT_FALSE(backend.Write(h, Bytes(65, 0)));
    backend.Close(h);
  }
}

}  // namespace
}  // namespace qx::platform
