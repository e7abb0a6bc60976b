#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "core/app/RemoteBench.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiServer.h"
#include "sim/SimBoard.h"

namespace qx {
namespace {

/// A host whose event pumping lets the test act while a capture runs, as the panel's clients
/// do through its event loop.
class PumpingHost : public base::RecordingHost {
 public:
  void PumpEvents() override {
    if (onPump) onPump();
  }
  std::function<void()> onPump;
};

/// The capture commands over the server core, two connections, on the simulated board.
class RemoteCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chip.AdcFields["IRQEN"] = {1, 1, 4, 0, true};
    chip.AdcFields["TS"] = {1, 1, 0, 0, true};
    bench.target.LinkKind = link::kLinkQx740x;
    ASSERT_TRUE(bench.monitor.USBConnect());
    remote.AddCommands(server.Commands());
    remote.Serve(server);
    a = *server.Open();
    b = *server.Open();
  }
  std::string Take(uint64_t connection) {
    std::string out(server.Unsent(connection));
    server.Sent(connection, out.size());
    return out;
  }
  std::string Ask(uint64_t connection, const std::string& in) {
    server.Receive(connection, in);
    return Take(connection);
  }

  base::FakeClock clock;
  PumpingHost host;
  chip::ChipModel chip;
  sim::SimBoard board{clock, chip};
  app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
  app::RemoteBench remote{bench};
  remote::ScpiServer server{remote};
  uint64_t a = 0, b = 0;
};

TEST_F(RemoteCaptureTest, ACaptureAnswersWhenItEndsAndAnotherWaitsNotBesideIt) {
  EXPECT_EQ(Ask(a, "INIT\nSYST:ERR?\n"), "8,\"Catch ADC: choose a Sample Point first\"\n");
  EXPECT_EQ(Ask(a, "SENS:ADC:POIN 1000\nSYST:ERR?\n"),
            "-224,\"Illegal parameter value;points are 64 times a power of 2\"\n");
  EXPECT_EQ(Ask(a, "SENS:ADC:POIN 1024;AVER 1;RES 23;REF 1.2\n"), "");

  // The reply waits for the capture, which runs from the loop, not inside the command.
  EXPECT_EQ(Ask(a, "INIT;*OPC?\n"), "");
  EXPECT_TRUE(remote.HasPending());
  // Meanwhile the other client asks for a capture of its own, then stops the running one.
  int pumps = 0;
  host.onPump = [&] {
    if (++pumps == 2) server.Receive(b, "INIT\nSYST:ERR?\nABOR\n");
  };
  remote.RunPending();
  host.onPump = nullptr;
  EXPECT_FALSE(remote.HasPending());
  EXPECT_EQ(Take(b), "9,\"a capture runs already\"\n");
  EXPECT_EQ(Take(a), "1\n");
  EXPECT_EQ(Ask(a, "SYST:ERR?\n"), "7,\"the capture was stopped\"\n");
  EXPECT_EQ(Ask(a, "FETC:ADC:COD?\nSYST:ERR?\n"),
            "-230,\"Data corrupt or stale;no capture has completed\"\n");

  // Left alone, MEASure gives the five figures, and the codes are those of the capture.
  EXPECT_EQ(Ask(b, "MEAS:ADC:NOIS?\n"), "");
  remote.RunPending();
  const std::string figures = Take(b);
  EXPECT_EQ(std::count(figures.begin(), figures.end(), ','), 4) << figures;
  const std::string codes = Ask(b, "FETC:ADC:COD?\n");
  EXPECT_EQ(std::count(codes.begin(), codes.end(), ','), 1023);
  EXPECT_EQ(Ask(b, "SYST:ERR?\n"), "0,\"No error\"\n");
}

TEST_F(RemoteCaptureTest, ACaptureOfAClosedConnectionEndsWithoutAnAnswerToAnyone) {
  EXPECT_EQ(Ask(a, "SENS:ADC:POIN 256;AVER 1;RES 23\nMEAS:ADC:NOIS?\n"), "");
  server.Close(a);
  remote.RunPending();
  EXPECT_EQ(Take(b), "");
  // The bench is free again.
  EXPECT_EQ(Ask(b, "INIT;*OPC?\n"), "");
  remote.RunPending();
  EXPECT_EQ(Take(b), "1\n");
}

}  // namespace
}  // namespace qx
