#include <gtest/gtest.h>

#include "support/QxctlRun.h"

namespace qx::cli {
namespace {

using test::Qxctl;

TEST(ParallelLinkCli, ReadAndWriteOnTheSimulatedPort) {
  const auto r =
      Qxctl({"--simulate", "--virtual-time", "--link-kind", "3", "--trace", "read", "3", "4"},
            [](sim::SimBoard& b) {
              for (size_t a = 3; a < 7; ++a)
                b.Target().SetMemory(a, static_cast<uint8_t>(0x10 * a + 1));
            });
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "31 41 51 61\n");
  EXPECT_EQ(r.trace, "> C0 03 00\n< 31 41 51 61\n");
  const auto w =
      Qxctl({"--simulate", "--virtual-time", "--link-kind", "3", "write", "0x20", "0xA5"});
  ASSERT_EQ(w.status, kExitOk) << w.err;
  EXPECT_EQ(w.out, "A5\n");
}

TEST(ParallelLinkCli, PortThatCannotOpenFailsWithTheReason) {
  const auto r = Qxctl({"--simulate", "--link-kind", "3", "read", "3", "4"},
                       [](sim::SimBoard& b) { b.Parallel().SetDriverPresent(false); });
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qxctl: Parallel 0x378 not open: the simulated port driver is switched off\n");
}

}  // namespace
}  // namespace qx::cli
