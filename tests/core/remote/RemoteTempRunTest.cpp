#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/app/RemoteBench.h"
#include "core/app/RemoteTempRun.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiServer.h"
#include "support/FakeBridge.h"

namespace qx::app {
namespace {

/// A front end's run: it records what it was asked for and lets the test act while it runs.
class FakeStarter : public TempRunStarter {
 public:
  explicit FakeStarter(autotest::TempTest& test) : test_(test) {}
  std::string RunTemperature(bool chamber, Unfinished how) override {
    ++runs;
    withChamber = chamber;
    unfinished = how;
    test_.Running = true;
    if (during) during();
    const bool stopped = !test_.Running;
    test_.Running = false;
    return stopped ? "stopped at the panel" : result;
  }

  int runs = 0;
  bool withChamber = false;
  Unfinished unfinished = Unfinished::New;
  std::function<void()> during;
  std::string result;  ///< why the run did not complete; empty: it did

 private:
  autotest::TempTest& test_;
};

/// TEST:TEMPerature over the server core, two connections, no link.
class RemoteTempRunTest : public ::testing::Test {
 protected:
  RemoteTempRunTest() {
    remote.AddCommands(server.Commands());
    remote.Serve(server);
    remote.SetTempRunStarter(&starter);
    a = *server.Open();
    b = *server.Open();
  }
  std::string Ask(uint64_t connection, const std::string& in) {
    server.Receive(connection, in);
    std::string out(server.Unsent(connection));
    server.Sent(connection, out.size());
    return out;
  }

  base::FakeClock clock;
  base::RecordingHost host;
  test::FakeHid hid;
  test::FakeBulk bulk;
  Workbench bench{clock, host, hid, bulk};
  RemoteBench remote{bench};
  remote::ScpiServer server{remote};
  FakeStarter starter{bench.tempTest};
  uint64_t a = 0, b = 0;
};

TEST_F(RemoteTempRunTest, StartTakesChamberAndWhatToDoWithAnUnfinishedRun) {
  using U = TempRunStarter::Unfinished;
  const struct {
    const char* in;
    bool chamber;
    U unfinished;
  } kStarts[] = {
      {"TEST:TEMP:STAR\n", true, U::Refuse},
      {"test:temperature:start noch\n", false, U::Refuse},
      {"TEST:TEMP:STAR CHAM,RES\n", true, U::Resume},
      {"TEST:TEMP:STAR NOCHAMBER,NEW\n", false, U::New},
  };
  for (const auto& s : kStarts) {
    EXPECT_EQ(Ask(a, s.in), "") << s.in;
    EXPECT_TRUE(remote.HasPending()) << s.in;
    remote.RunPending();
    EXPECT_EQ(starter.withChamber, s.chamber) << s.in;
    EXPECT_EQ(starter.unfinished, s.unfinished) << s.in;
    EXPECT_EQ(Ask(a, "*OPC?;:SYST:ERR?\n"), "1;0,\"No error\"\n") << s.in;
  }

  const struct {
    const char* in;
    const char* error;
  } kRefused[] = {
      {"TEST:TEMP:STAR OVEN\n", "-224,\"Illegal parameter value;CHAMber or NOCHamber\"\n"},
      {"TEST:TEMP:STAR CHAM,MAYBE\n", "-224,\"Illegal parameter value;RESume or NEW\"\n"},
      {"TEST:TEMP:STAR RES\n", "-224,\"Illegal parameter value;CHAMber or NOCHamber\"\n"},
  };
  for (const auto& r : kRefused) {
    EXPECT_EQ(Ask(a, std::string(r.in) + "SYST:ERR?\n"), r.error) << r.in;
    EXPECT_FALSE(remote.HasPending()) << r.in;
  }
  EXPECT_EQ(starter.runs, 4);
}

TEST_F(RemoteTempRunTest, WhileARunIsUnderWayNothingChangesTheBenchButStopEndsIt) {
  EXPECT_EQ(Ask(a, "TEST:TEMP:STAR NOCH;*OPC?\n"), "");
  std::string during;
  bool capturing = false;
  starter.during = [&] {
    bench.capture.idle = 0;  // a mode of the run captures
    during += Ask(b, "TEST:TEMP:STAT?\n");
    for (const char* change : {"REG:VAL 1,2", "INIT", "SENS:ADC:POIN 1024", "LINK:KIND 4",
                               "TEST:TEMP:STAR NOCH", "ABOR"})
      during += Ask(b, std::string(change) + ";:SYST:ERR?\n");
    capturing = bench.capture.idle == 0;
    bench.capture.idle = 1;
    during += Ask(b, "TEST:TEMP:STOP\n");
  };
  remote.RunPending();
  const std::string busy = "12,\"a temperature run is under way; TEST:TEMPerature:STOP ends it\"\n";
  EXPECT_EQ(during, "RUNNING,0,0,0\n" + busy + busy + busy + busy + busy + busy);
  EXPECT_TRUE(capturing);  // ABORt left the run's capture alone
  EXPECT_EQ(bench.target.LinkKind, 0);
  // The run that a client stopped says so to the one that started it.
  EXPECT_EQ(Ask(a, ""), "1\n");
  EXPECT_EQ(Ask(a, "SYST:ERR?\n"),
            "11,\"stopped by TEST:TEMPerature:STOP; RESume continues it\"\n");
  EXPECT_EQ(Ask(b, "TEST:TEMP:STAT?;:SYST:ERR?\n"), "IDLE;0,\"No error\"\n");
}

TEST_F(RemoteTempRunTest, ARunThatFailsOrNeverBeginsEndsTheOperationWithItsReason) {
  starter.result = "the chamber does not answer";
  EXPECT_EQ(Ask(a, "TEST:TEMP:STAR;*OPC?\n"), "");
  remote.RunPending();
  EXPECT_EQ(Ask(a, "SYST:ERR?\n"), "1\n11,\"the chamber does not answer\"\n");

  // Stopped before the loop began it: it never begins, and *OPC? is not left waiting.
  EXPECT_EQ(Ask(a, "TEST:TEMP:STAR;*OPC?\n"), "");
  EXPECT_EQ(Ask(b, "TEST:TEMP:STOP\n"), "");
  EXPECT_FALSE(remote.HasPending());
  EXPECT_EQ(Ask(a, "SYST:ERR?\n"), "1\n11,\"stopped before it began\"\n");
  EXPECT_EQ(starter.runs, 1);

  // Without a front end that runs one, a start says so at once.
  remote.SetTempRunStarter(nullptr);
  EXPECT_EQ(Ask(a, "TEST:TEMP:STAR\nSYST:ERR?\n"),
            "-200,\"Execution error;this program runs no temperature test remotely\"\n");
}

TEST(RemoteTempRunState, PlaceAndTimeLeftOfTheRun) {
  autotest::TempProgress heading;
  heading.point = 3;
  heading.mode = 7;
  heading.heading = true;
  heading.remainingS = 599.6;
  autotest::TempProgress measuring;
  measuring.point = 2;
  measuring.mode = 5;
  measuring.remainingS = 60.4;
  autotest::TempProgress waiting = measuring;
  waiting.linkWaitEndMs = 100'000;
  const struct {
    bool running;
    autotest::TempProgress progress;
    double nowMs;
    const char* text;
  } kStates[] = {
      {false, measuring, 0, "IDLE"},
      {true, heading, 0, "RUNNING,3,0,600"},
      {true, measuring, 0, "RUNNING,2,5,60"},
      {true, waiting, 40'000, "WAITING,2,5,60"},
      {true, waiting, 100'500, "WAITING,2,5,0"},
  };
  for (const auto& s : kStates)
    EXPECT_EQ(RemoteTempRun::StateText(s.running, s.progress, s.nowMs), s.text) << s.text;
}

}  // namespace
}  // namespace qx::app
