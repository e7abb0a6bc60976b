#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/link/LptSequences.h"
#include "core/link/ParallelLink.h"

namespace qx::link {
namespace {

/// Port registers that record every write and answer status bit 6 from a queue of bits.
struct RecordingPorts final : LptRegisters {
  std::vector<std::pair<uint16_t, uint8_t>> writes;
  std::map<uint16_t, uint8_t> regs;
  std::deque<bool> targetBits;
  int dataReads = 0;
  uint8_t Read(uint16_t port) override {
    if ((port & 0xFF) == 0x79) {  // status
      const bool bit = !targetBits.empty() && targetBits.front();
      if (!targetBits.empty()) targetBits.pop_front();
      return bit ? 0x58 : 0x18;
    }
    if ((port & 0xFF) == 0x78) ++dataReads;
    return regs[port];
  }
  void Write(uint16_t port, uint8_t value) override {
    writes.emplace_back(port, value);
    regs[port] = value;
  }
};

struct FakeDriver final : ParallelDriver {
  RecordingPorts& ports;
  std::deque<bool> opens;  ///< results of the Open calls; empty means success
  std::vector<std::string>* steps;
  int controlCalls = 0;
  int failControls = 0;
  FakeDriver(RecordingPorts& p, std::vector<std::string>* s) : ports(p), steps(s) {}
  DeviceHandle Open(const std::string& name) override {
    steps->push_back("open " + name);
    bool ok = true;
    if (!opens.empty()) {
      ok = opens.front();
      opens.pop_front();
    }
    return ok ? 7 : kInvalidHandle;
  }
  bool Control(DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out) override {
    ++controlCalls;
    if (failControls > 0) {
      --failControls;
      return false;
    }
    return h == 7 && LptSequences::Serve(ports, code, in, out);
  }
  void Close(DeviceHandle) override {}
  uint8_t PortIn(uint16_t port) override { return ports.Read(port); }
  void PortOut(uint16_t port, uint8_t value) override { ports.Write(port, value); }
  std::string Problem() const override { return "node missing"; }
};

struct FakeServices final : DriverServices {
  std::vector<std::string>& steps;
  uint32_t version = 0x0A;  ///< NT family, major 10
  std::deque<int> openResults;
  std::deque<int> startResults;
  explicit FakeServices(std::vector<std::string>& s) : steps(s) {}
  uint32_t Version() override {
    steps.push_back("version");
    return version;
  }
  std::string SystemDirectory() override {
    return "C:\\WINDOWS\\system32-with-a-very-long-folder-name-beyond-fifty-four-chars";
  }
  bool CopyFile(const std::string& from, const std::string& to) override {
    steps.push_back("copy " + from + " " + to);
    return true;
  }
  int OpenService(const std::string& name) override {
    const int r = openResults.empty() ? 0 : openResults.front();
    if (!openResults.empty()) openResults.pop_front();
    steps.push_back("open-service " + name + " " + std::to_string(r));
    return r;
  }
  bool CreateService(const ServiceDefinition& service) override {
    steps.push_back("create " + service.name + " " + service.displayName + " " +
                    service.binaryPath);
    return true;
  }
  int StartService() override {
    const int r = startResults.empty() ? 0 : startResults.front();
    if (!startResults.empty()) startResults.pop_front();
    steps.push_back("start " + std::to_string(r));
    return r;
  }
  void CloseService() override { steps.push_back("close"); }
};

class ParallelLinkTest : public ::testing::Test {
 protected:
  ParallelLinkTest() { link.Attach(driver, services); }
  /// Control register writes of one bit-level byte sent with `control` already on the port.
  static std::vector<uint8_t> SentBits(uint8_t value, uint8_t& control) {
    std::vector<uint8_t> out;
    for (int bit = 7; bit >= 0; --bit) {
      control = static_cast<uint8_t>((control & ~1) | ((value >> bit) & 1));
      out.insert(out.end(), {control, static_cast<uint8_t>(control | 8), control});
    }
    return out;
  }
  std::vector<uint8_t> ControlWrites() const {
    std::vector<uint8_t> out;
    for (const auto& [port, value] : ports.writes)
      if (port == 0x37A) out.push_back(value);
    return out;
  }

  std::vector<std::string> steps;
  RecordingPorts ports;
  FakeDriver driver{ports, &steps};
  FakeServices services{steps};
  IoFrame frame{};
  base::Settings settings;
  base::FakeClock clock;
  base::RecordingHost host;
  ParallelLink link{frame, settings, clock, host};
};

TEST_F(ParallelLinkTest, RunningDriverOpensAtTheFirstAttemptAndInstallsNothing) {
  EXPECT_TRUE(link.LptOpen());
  EXPECT_EQ(steps, (std::vector<std::string>{"version", "open \\\\.\\QxParallel"}));
  EXPECT_FALSE(link.LptOpen()) << "already open";
  EXPECT_EQ(steps.size(), 3u) << "no second open";
}

TEST_F(ParallelLinkTest, MissingServiceIsCopiedCreatedStartedTwiceAndOpened) {
  driver.opens = {false, true};
  services.openResults = {service::kDoesNotExist, service::kOk};
  const std::string copy =
      "copy QxParallel.sys C:\\WINDOWS\\system32-with-a-very-long-folder-name-beyon"
      "\\Drivers\\QxParallel.sys";
  EXPECT_TRUE(link.LptOpen());
  EXPECT_EQ(steps,
            (std::vector<std::string>{
                "version", "open \\\\.\\QxParallel", copy, "open-service QxParallel 1060", copy,
                "create QxParallel QxParallel System32\\Drivers\\QxParallel.sys", "close",
                "open-service QxParallel 0", "start 0", "close", "open \\\\.\\QxParallel"}));
}

TEST_F(ParallelLinkTest, ServiceStartResultCodes) {
  struct Row {
    int open, start, result;
  };
  for (const Row r : {Row{5, -1, 5}, Row{123, -1, 123}, Row{1060, -1, 1060}, Row{0, 0, 0},
                      Row{0, 1056, 1056}, Row{0, 2, 3}, Row{0, 1058, 3}}) {
    steps.clear();
    services.openResults = {r.open};
    services.startResults = {r.start};
    EXPECT_EQ(link.StartService(), r.result) << r.open << " " << r.start;
    const bool started =
        std::find(steps.begin(), steps.end(), "start " + std::to_string(r.start)) != steps.end();
    EXPECT_EQ(started, r.start >= 0) << r.open;
  }
}

TEST_F(ParallelLinkTest, OldSystemsUseThePortInstructions) {
  struct Row {
    uint32_t version;
    bool driverMode;
  };
  for (const Row r : {Row{0x80000004, false}, Row{0x80000003, false}, Row{0x00000002, false},
                      Row{0x80000002, false}, Row{0x00000004, true}, Row{0x00000003, true},
                      Row{0x80000005, true}, Row{0x00000106, true}}) {
    ParallelLink fresh{frame, settings, clock, host};
    fresh.Attach(driver, services);
    steps.clear();
    services.version = r.version;
    EXPECT_EQ(fresh.LptOpen(), r.driverMode) << std::hex << r.version;
    EXPECT_EQ(fresh.DriverMode(), r.driverMode) << std::hex << r.version;
    EXPECT_EQ(steps.size(), r.driverMode ? 2u : 1u) << "direct mode opens nothing";
  }
}

TEST_F(ParallelLinkTest, InitWithASerialPortBaseOpensTheDriverButTouchesNoRegister) {
  settings.LptPortBase = 0x3F8;
  link.LptInit();
  EXPECT_EQ(steps, (std::vector<std::string>{"version", "open \\\\.\\QxParallel"}));
  EXPECT_EQ(driver.controlCalls, 0);
  EXPECT_FALSE(link.Ready());
  EXPECT_FALSE(link.ReadBytes(3, 4));
  EXPECT_NE(host.status[0].find("not a parallel port base"), std::string::npos) << host.status[0];
}

TEST_F(ParallelLinkTest, InitSetsTheExtendedModeClearsDataAndRaisesTheFrameBit) {
  ports.regs = {{0x77A, 0xF5}, {0x378, 0x99}, {0x37A, 0xFF}};
  link.LptInit();
  EXPECT_TRUE(link.Ready());
  EXPECT_EQ(ports.writes, (std::vector<std::pair<uint16_t, uint8_t>>{
                              {0x77A, 0x35}, {0x378, 0x00}, {0x37A, 0xD6}}));
  EXPECT_EQ(host.status[0], "Parallel 0x378 On Line");
}

TEST_F(ParallelLinkTest, SendByteA5PresentsEachBitWithOneClockPulse) {
  ports.regs[0x37A] = 0x04;
  LptSequences::SendByte(ports, 0x378, 0xA5);
  EXPECT_EQ(ControlWrites(),
            (std::vector<uint8_t>{0x05, 0x0D, 0x05, 0x04, 0x0C, 0x04, 0x05, 0x0D,
                                  0x05, 0x04, 0x0C, 0x04, 0x04, 0x0C, 0x04, 0x05,
                                  0x0D, 0x05, 0x04, 0x0C, 0x04, 0x05, 0x0D, 0x05}));
}

TEST_F(ParallelLinkTest, ReadOfFourBytesAtThreeIsTheExactRegisterSequence) {
  for (const bool direct : {false, true}) {
    ParallelLink fresh{frame, settings, clock, host};
    fresh.Attach(driver, services);
    services.version = direct ? 0x80000004 : 0x0A;
    ports.regs = {{0x37A, 0x0C}};
    fresh.LptInit();
    ASSERT_TRUE(fresh.Ready());
    ports.writes.clear();
    ports.dataReads = 0;
    for (int b : {0x11, 0x22, 0x33, 0xC4})
      for (int bit = 7; bit >= 0; --bit) ports.targetBits.push_back((b >> bit) & 1);
    const double before = clock.NowMs();

    ASSERT_TRUE(fresh.ReadBytes(0x03, 4));
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4),
              (std::vector<uint8_t>{0x11, 0x22, 0x33, 0xC4}));
    // Init left 0x06 on the control register: frame bit up, data and clock low.
    std::vector<uint8_t> expected{0x06, 0x04};
    uint8_t control = 0x04;
    for (uint8_t b : {uint8_t{0xC0}, uint8_t{0x03}, uint8_t{0x00}}) {
      const auto bits = SentBits(b, control);
      expected.insert(expected.end(), bits.begin(), bits.end());
    }
    for (int i = 0; i < 4 * 8; ++i) expected.insert(expected.end(), {0x0C, 0x04});
    expected.push_back(0x06);
    EXPECT_EQ(ControlWrites(), expected) << (direct ? "direct" : "driver");
    EXPECT_EQ(ports.writes.size(), expected.size()) << "only the control register is written";
    EXPECT_EQ(ports.dataReads, 8 * 1001) << "eight paces of 1000";
    EXPECT_EQ(clock.NowMs() - before, 50);
  }
}

TEST_F(ParallelLinkTest, WriteSendsCommandAddressAndTheCallersBytes) {
  ports.regs = {{0x37A, 0x0C}};
  link.LptInit();
  ports.writes.clear();
  frame[5] = 0xA5;
  frame[6] = 0x0F;
  ASSERT_TRUE(link.WriteBytes(0x0123, 2));
  std::vector<uint8_t> expected{0x06, 0x04};
  uint8_t control = 0x04;
  for (uint8_t b : std::vector<uint8_t>{0x40, 0x23, 0x01, 0xA5, 0x0F}) {
    const auto bits = SentBits(b, control);
    expected.insert(expected.end(), bits.begin(), bits.end());
  }
  expected.push_back(static_cast<uint8_t>(control | 0x02));
  EXPECT_EQ(ControlWrites(), expected);
}

/// The driver's side of the requests, written out from its interface description rather than
/// from the link's constants: each request's code, input block and output size.
TEST(ParallelDriverRequestsTest, CodesAndBuffersOfInitReadAndWrite) {
  struct Logged {
    uint32_t code;
    std::vector<uint8_t> in;
    size_t out;
    bool operator==(const Logged&) const = default;
  };
  struct LoggingDriver final : ParallelDriver {
    std::vector<Logged> log;
    std::string opened;
    DeviceHandle Open(const std::string& name) override {
      opened = name;
      return 7;
    }
    bool Control(DeviceHandle, uint32_t code, std::span<const uint8_t> in,
                 std::span<uint8_t> out) override {
      log.push_back({code, {in.begin(), in.end()}, out.size()});
      if (!out.empty()) out[0] = 0x5A;  // every register and received byte reads 5A
      return true;
    }
    void Close(DeviceHandle) override {}
    uint8_t PortIn(uint16_t) override { return 0; }
    void PortOut(uint16_t, uint8_t) override {}
  };
  std::vector<std::string> steps;
  FakeServices services{steps};
  IoFrame frame{};
  base::Settings settings;
  settings.LptPortBase = 0x278;
  base::FakeClock clock;
  base::RecordingHost host;
  LoggingDriver driver;
  ParallelLink link{frame, settings, clock, host};
  link.Attach(driver, services);

  constexpr uint32_t kRead = 0x9C402410, kWrite = 0x9C402414, kReceive = 0x9C402418,
                     kSend = 0x9C40241C, kStart = 0x9C402434, kPace = 0x9C402440;
  const Logged pace{kPace, {0x78, 0x02, 0xE8, 0x03}, 0};  // 1000 data reads
  const Logged endRead{kRead, {0x7A, 0x02}, 1};
  const Logged endWrite{kWrite, {0x7A, 0x02, 0x5A}, 0};  // frame bit 1 was already up in 5A
  const struct {
    const char* name;
    std::function<bool()> run;
    std::vector<Logged> expected;
  } cases[] = {
      {"init",
       [&] {
         link.LptInit();
         return link.Ready();
       },
       {{kRead, {0x7A, 0x06}, 1},
        {kWrite, {0x7A, 0x06, 0x3A}, 0},  // ECR: bits 0-4 kept, mode 001
        {kWrite, {0x78, 0x02, 0x00}, 0},
        {kRead, {0x7A, 0x02}, 1},
        {kWrite, {0x7A, 0x02, 0x56}, 0}}},
      {"read one byte at 0x0103",
       [&] { return link.ReadBytes(0x0103, 1) && frame[0] == 0x5A; },
       {{kStart, {0x78, 0x02}, 0},
        pace,
        {kSend, {0x78, 0x02, 0xC0}, 0},
        pace,
        {kSend, {0x78, 0x02, 0x03}, 0},
        pace,
        {kSend, {0x78, 0x02, 0x01}, 0},
        pace,
        {kReceive, {0x78, 0x02}, 1},
        pace,
        endRead,
        endWrite}},
      {"write one byte A5 at 0x0004",
       [&] {
         frame[5] = 0xA5;
         return link.WriteBytes(0x0004, 1);
       },
       {{kStart, {0x78, 0x02}, 0},
        pace,
        {kSend, {0x78, 0x02, 0x40}, 0},
        pace,
        {kSend, {0x78, 0x02, 0x04}, 0},
        pace,
        {kSend, {0x78, 0x02, 0x00}, 0},
        pace,
        {kSend, {0x78, 0x02, 0xA5}, 0},
        pace,
        endRead,
        endWrite}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    driver.log.clear();
    EXPECT_TRUE(c.run());
    ASSERT_EQ(driver.log.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(driver.log[i].code, c.expected[i].code) << "request " << i;
      EXPECT_EQ(driver.log[i].in, c.expected[i].in) << "request " << i;
      EXPECT_EQ(driver.log[i].out, c.expected[i].out) << "request " << i;
    }
  }
  EXPECT_EQ(driver.opened, "\\\\.\\QxParallel");
}

TEST_F(ParallelLinkTest, NoDriverOrAFailedRequestIsAFailedTransfer) {
  driver.opens = {false, false};
  services.openResults = {service::kAccessDenied};
  link.LptInit();
  EXPECT_FALSE(link.Ready());
  EXPECT_EQ(host.status[0], "Parallel 0x378 not open: node missing");
  EXPECT_FALSE(link.ReadBytes(3, 1));
  EXPECT_FALSE(link.WriteBytes(3, 1));
  EXPECT_EQ(driver.controlCalls, 0);

  ParallelLink open{frame, settings, clock, host};
  open.Attach(driver, services);
  open.LptInit();
  ASSERT_TRUE(open.Ready());
  driver.failControls = 4;  // one request fails all four tries
  EXPECT_FALSE(open.ReadBytes(3, 1));
  driver.failControls = 3;  // the fourth try gets through
  EXPECT_TRUE(open.ReadBytes(3, 1));

  ParallelLink detached{frame, settings, clock, host};
  detached.LptInit();
  EXPECT_FALSE(detached.Ready());
  EXPECT_FALSE(detached.ReadBytes(0, 1));
}

TEST_F(ParallelLinkTest, InitThatCannotReachThePortIsNotReady) {
  link.LptOpen();
  driver.failControls = 100;
  link.LptInit();
  EXPECT_FALSE(link.Ready());
  EXPECT_EQ(driver.controlCalls, 5 * 4) << "each of the five register requests tried four times";
}

}  // namespace
}  // namespace qx::link
