#include <gtest/gtest.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <map>
#include <set>
#include <vector>

#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/link/ParallelLink.h"
#include "platform/LinuxDriverServices.h"
#include "platform/ParPortNames.h"
#include "platform/PpdevParallelDriver.h"
#include "sim/SimLptTarget.h"

namespace qx::platform {
namespace {

/// The kernel side of ppdev: nodes that open (or fail with an errno), a port per node with
/// the simulated target on its control lines, and a log of every ioctl.
struct FakePpdev final : PpdevSystem {
  std::map<std::string, int> nodes;  ///< path -> 0 (opens) or −errno
  std::set<std::string> present;
  std::vector<std::pair<std::string, unsigned long>> ioctls;
  std::map<int, std::string> fds;
  unsigned modes = PARPORT_MODE_PCSPP | PARPORT_MODE_ECP;
  int mode = IEEE1284_MODE_COMPAT;
  unsigned char control = 0x0C, data = 0;
  sim::SimLptTarget* target = nullptr;

  int Open(const std::string& path) override {
    const auto it = nodes.find(path);
    if (it == nodes.end()) return -ENOENT;
    if (it->second != 0) return it->second;
    const int fd = 10 + static_cast<int>(fds.size());
    fds[fd] = path;
    return fd;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    ioctls.emplace_back(fds[fd], request);
    auto* byte = static_cast<unsigned char*>(arg);
    switch (request) {
      case PPGETMODES:
        *static_cast<unsigned*>(arg) = modes;
        break;
      case PPGETMODE:
        *static_cast<int*>(arg) = mode;
        break;
      case PPSETMODE:
        mode = *static_cast<int*>(arg);
        break;
      case PPRCONTROL:
        *byte = control;
        break;
      case PPWCONTROL:
        control = *byte;
        if (target) target->ControlWritten(control);
        break;
      case PPRSTATUS:
        *byte = target && target->DataLine() ? 0x58 : 0x18;
        break;
      case PPRDATA:
        *byte = data;
        break;
      case PPWDATA:
        data = *byte;
        break;
      default:
        break;
    }
    return 0;
  }
  void Close(int) override {}
  bool Exists(const std::string& path) override { return present.count(path) > 0; }
  size_t Count(unsigned long request) const {
    size_t n = 0;
    for (const auto& [path, r] : ioctls) n += r == request;
    return n;
  }
};

TEST(ParPortNames, DefaultsAndTheTable) {
  EXPECT_EQ(ParPortNames::Resolve(0x378, ""), "/dev/parport0");
  EXPECT_EQ(ParPortNames::Resolve(0x278, ""), "/dev/parport1");
  EXPECT_EQ(ParPortNames::Resolve(0x3BC, ""), "/dev/parport2");
  EXPECT_EQ(ParPortNames::Resolve(0x3F8, ""), "");
  const std::string table =
      "# bench 3\n0x378 /dev/parport3\nLPT2 /dev/parport0\n378H /dev/other\n"
      "0x3F8 /dev/parport1\nPRN1 relative/path\n";
  EXPECT_EQ(ParPortNames::Resolve(0x378, table), "/dev/parport3") << "first line wins";
  EXPECT_EQ(ParPortNames::Resolve(0x278, table), "/dev/parport0");
  EXPECT_EQ(ParPortNames::Resolve(0x3BC, table), "/dev/parport2") << "paths must be absolute";
  EXPECT_EQ(ParPortNames::BaseOf("lpt1"), 0x378);
  EXPECT_EQ(ParPortNames::BaseOf("0x3f8"), 0) << "a serial port base";
}

class PpdevParallelDriverTest : public ::testing::Test {
 protected:
  PpdevParallelDriverTest() {
    link.Attach(driver, services);
    kernel.present = {"/sys/module/ppdev", "/dev/parport0"};
    kernel.nodes["/dev/parport0"] = 0;
    kernel.target = &target;
  }
  chip::ChipModel model;
  sim::SimTarget memory{model};
  sim::SimLptTarget target{memory};
  FakePpdev kernel;
  PpdevParallelDriver driver{"", kernel};
  LinuxDriverServices services{kernel};
  link::IoFrame frame{};
  base::Settings settings;
  base::FakeClock clock;
  base::RecordingHost host;
  link::ParallelLink link{frame, settings, clock, host};
};

TEST_F(PpdevParallelDriverTest, InitClaimsTheNodeAndSetsTheEcpModeAndControlLines) {
  link.LptInit();
  ASSERT_TRUE(link.Ready()) << host.status[0];
  const std::vector<std::pair<std::string, unsigned long>> expected{
      {"/dev/parport0", PPCLAIM},   {"/dev/parport0", PPGETMODES}, {"/dev/parport0", PPGETMODE},
      {"/dev/parport0", PPSETMODE}, {"/dev/parport0", PPWDATA},    {"/dev/parport0", PPRCONTROL},
      {"/dev/parport0", PPWCONTROL}};
  EXPECT_EQ(kernel.ioctls, expected);
  EXPECT_EQ(kernel.mode, IEEE1284_MODE_BYTE) << "ECR mode 001";
  EXPECT_EQ(kernel.control, 0x06);
}

TEST_F(PpdevParallelDriverTest, ReadOfSixtyFourBytesThroughPpdev) {
  for (size_t a = 0; a < 64; ++a) memory.SetMemory(a, static_cast<uint8_t>(a * 3));
  link.LptInit();
  kernel.ioctls.clear();
  ASSERT_TRUE(link.ReadBytes(0, 64));
  for (size_t a = 0; a < 64; ++a) EXPECT_EQ(frame[a], a * 3) << a;
  // 68 paces of 1001 data reads; 3 bytes out, 64 in, start and end.
  EXPECT_EQ(kernel.Count(PPRDATA), 68u * 1001);
  EXPECT_EQ(kernel.Count(PPRSTATUS), 64u * 8);
  EXPECT_EQ(kernel.ioctls.size(), 69748u);
}

// The requests as the link sends them, written out byte by byte: a driver that read another
// code or another buffer layout would touch the wrong line.
TEST_F(PpdevParallelDriverTest, RequestCodesAndBufferLayouts) {
  kernel.target = nullptr;  // status bit 6 stays low: a received byte is 00
  const link::DeviceHandle h = driver.Open("\\\\.\\QxParallel");
  ASSERT_NE(h, link::kInvalidHandle);
  const struct {
    const char* name;
    uint32_t code;
    std::vector<uint8_t> in;
    unsigned long ioctl;  ///< the kernel request it must come down to
    size_t times;
    int out;  ///< the byte answered, -1 for a request without output
  } cases[] = {
      {"port write, data register", 0x9C402414, {0x78, 0x03, 0xA5}, PPWDATA, 1, -1},
      {"port read, data register", 0x9C402410, {0x78, 0x03}, PPRDATA, 1, 0xA5},
      {"port write, control register", 0x9C402414, {0x7A, 0x03, 0x0E}, PPWCONTROL, 1, -1},
      {"port read, control register", 0x9C402410, {0x7A, 0x03}, PPRCONTROL, 1, 0x0E},
      {"start: frame up and down", 0x9C402434, {0x78, 0x03}, PPWCONTROL, 2, -1},
      {"pace of 0x0102, count low byte first",
       0x9C402440,
       {0x78, 0x03, 0x02, 0x01},
       PPRDATA,
       0x0103,
       -1},
      {"send byte: eight clock pulses", 0x9C40241C, {0x78, 0x03, 0x3C}, PPWCONTROL, 24, -1},
      {"receive byte: eight status reads", 0x9C402418, {0x78, 0x03}, PPRSTATUS, 8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kernel.ioctls.clear();
    std::array<uint8_t, 1> out{0xEE};
    const std::span<uint8_t> outSpan = c.out < 0 ? std::span<uint8_t>() : std::span<uint8_t>(out);
    EXPECT_TRUE(driver.Control(h, c.code, c.in, outSpan));
    EXPECT_EQ(kernel.Count(c.ioctl), c.times);
    if (c.out >= 0) {
      EXPECT_EQ(out[0], c.out);
    }
  }
  EXPECT_EQ(kernel.data, 0xA5);
  EXPECT_FALSE(driver.Control(h, 0x9C402420, std::vector<uint8_t>{0x78, 0x03}, {}))
      << "a code the driver does not have";
}

TEST_F(PpdevParallelDriverTest, WithoutEcpTheExtendedRegisterIsLeftAlone) {
  kernel.modes = PARPORT_MODE_PCSPP;
  link.LptInit();
  ASSERT_TRUE(link.Ready());
  EXPECT_EQ(kernel.Count(PPSETMODE), 0u);
  EXPECT_EQ(kernel.Count(PPGETMODE), 0u);
}

TEST_F(PpdevParallelDriverTest, MissingModuleNodeOrPermissionSaysWhatToDo) {
  struct Row {
    std::set<std::string> present;
    int node;
    const char* expected;
  };
  const std::vector<Row> rows{
      {{},
       0,
       "Parallel 0x378 not open: the ppdev module is not loaded (sudo modprobe ppdev; see "
       "Hardware access in the README)"},
      {{"/sys/module/ppdev"},
       -EACCES,
       "Parallel 0x378 not open: /dev/parport0: permission denied (add the bench user to the lp "
       "group; see Hardware access in the README)"},
      {{"/sys/module/ppdev"},
       -ENOENT,
       "Parallel 0x378 not open: /dev/parport0 does not exist (sudo modprobe ppdev, or map the "
       "port in ParPorts.txt)"},
  };
  for (const Row& r : rows) {
    FakePpdev k;
    k.present = r.present;
    if (r.node != -ENOENT) k.nodes["/dev/parport0"] = r.node;
    PpdevParallelDriver d{"", k};
    LinuxDriverServices s{k};
    link::ParallelLink l{frame, settings, clock, host};
    l.Attach(d, s);
    l.LptInit();
    EXPECT_FALSE(l.Ready());
    EXPECT_EQ(host.status[0], r.expected);
    EXPECT_FALSE(l.ReadBytes(3, 4));
  }
}

}  // namespace
}  // namespace qx::platform
