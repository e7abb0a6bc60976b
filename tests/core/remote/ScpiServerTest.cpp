#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiServer.h"

namespace qx::remote {
namespace {

class StubDevice : public ScpiDevice {
 public:
  ScpiIdentity Identity() override { return {"Maker", "Model", "SN7", "2.0"}; }
  int SelfTest() override { return 0; }
};

/// A server over a setting that the lock guards and a slow query that the test ends by hand,
/// as the event loop would end a capture.
class ScpiServerTest : public ::testing::Test {
 protected:
  ScpiServerTest() {
    server.Commands().AddChange("TEST:SET", [this](ScpiCall& c) {
      if (!c.Count(1, 1)) return;
      if (const auto v = c.Integer(0, 0, 255)) value = *v;
    });
    server.Commands().Add("TEST:SET?", [this](ScpiCall& c) { c.Reply(std::to_string(value)); });
    server.Commands().Add("TEST:SLOW?", [this](ScpiCall& c) { ops.push_back(server.Defer(c)); });
    a = *server.Open();
    b = *server.Open();
  }
  /// Sends `in` on `connection` and takes everything the connection has to send.
  std::string Ask(uint64_t connection, const std::string& in) {
    server.Receive(connection, in);
    std::string out(server.Unsent(connection));
    server.Sent(connection, out.size());
    return out;
  }

  StubDevice device;
  ScpiServer server{device};
  long long value = 0;
  std::vector<ScpiOperation> ops;
  uint64_t a = 0;
  uint64_t b = 0;
};

struct Step {
  char who;  ///< 'a' or 'b'
  std::string in;
  std::string out;
};
struct LockCase {
  const char* name;
  std::vector<Step> steps;
};

class LockSteps : public ScpiServerTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockSteps, ExactReplies) {
  for (const Step& s : GetParam().steps)
    EXPECT_EQ(Ask(s.who == 'a' ? a : b, s.in), s.out) << s.who << ": " << s.in;
}

const std::string kProtected =
    "-203,\"Command protected;the remote lock is held by another connection\"\n";

INSTANTIATE_TEST_SUITE_P(
    Lock, LockSteps,
    ::testing::Values(
        LockCase{"NoLockEveryoneChanges",
                 {{'b', "TEST:SET 4;SET?\n", "4\n"}, {'a', "TEST:SET 5;SET?\n", "5\n"}}},
        LockCase{"GrantedToOneAtATime",
                 {{'a', "SYST:LOCK:REQ?\n", "1\n"},
                  {'b', "system:lock:request?\n", "0\n"},
                  {'a', "SYSTem:LOCK:REQuest?\n", "1\n"}}},
        LockCase{"OthersMayAskButNotChange",
                 {{'a', "SYST:LOCK:REQ?\n", "1\n"},
                  {'b', "TEST:SET 5\nSYST:ERR?\n", kProtected},
                  {'b', "TEST:SET?;*IDN?\n", "0;Maker,Model,SN7,2.0\n"},
                  {'a', "TEST:SET 7;SET?\n", "7\n"}}},
        LockCase{"ReleaseLetsOthersChange",
                 {{'a', "SYST:LOCK:REQ?\n", "1\n"},
                  {'a', "SYST:LOCK:REL\n", ""},
                  {'b', "TEST:SET 3;SET?\n", "3\n"},
                  {'b', "SYST:LOCK:REQ?\n", "1\n"}}},
        LockCase{"OnlyTheHolderReleases",
                 {{'a', "SYST:LOCK:REQ?\n", "1\n"},
                  {'b', "SYST:LOCK:REL\nSYST:ERR?\n",
                   "-200,\"Execution error;the remote lock is held by another connection\"\n"},
                  {'b', "TEST:SET 3\nSYST:ERR?\n", kProtected}}},
        LockCase{"ReleaseWithoutLockIsHarmless",
                 {{'b', "SYST:LOCK:REL\nSYST:ERR?\n", "0,\"No error\"\n"}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScpiServerTest, ClosingTheHolderReleasesTheLock) {
  EXPECT_EQ(Ask(a, "SYST:LOCK:REQ?\n"), "1\n");
  server.Close(a);
  EXPECT_EQ(server.LockHolder(), std::nullopt);
  EXPECT_EQ(Ask(b, "TEST:SET 9;SET?\n"), "9\n");
}

TEST_F(ScpiServerTest, LocalTakesControlFromTheHolderUntilGivenBack) {
  const std::string local =
      "-203,\"Command protected;control was taken back at the panel (Local)\"\n";
  EXPECT_EQ(Ask(a, "SYST:LOCK:REQ?\n"), "1\n");
  server.TakeLocal();
  const std::vector<Step> whileLocal = {
      {'a', "TEST:SET 5\nSYST:ERR?\n", local},
      {'b', "TEST:SET 6\nSYST:ERR?\n", local},
      {'a', "SYST:LOCK:REQ?\n", "0\n"},
      {'a', "SYST:LOCK:REL\nSYST:ERR?\n",
       "-200,\"Execution error;control was taken back at the panel (Local)\"\n"},
      {'b', "TEST:SET?\n", "0\n"}};
  for (const Step& s : whileLocal)
    EXPECT_EQ(Ask(s.who == 'a' ? a : b, s.in), s.out) << s.who << ": " << s.in;
  server.Close(a);  // a closing client leaves the panel's lock alone
  EXPECT_TRUE(server.LocalHolds());
  server.GiveBackLocal();
  EXPECT_EQ(Ask(b, "SYST:LOCK:REQ?\n"), "1\n");
  EXPECT_EQ(Ask(b, "TEST:SET 8;SET?\n"), "8\n");
}

TEST_F(ScpiServerTest, NinthConnectionIsRefusedUntilOneCloses) {
  std::vector<uint64_t> ids = {a, b};
  while (server.Connections() < ScpiServer::kMaxConnections) ids.push_back(*server.Open());
  EXPECT_EQ(server.Open(), std::nullopt);
  server.Close(ids[3]);
  const auto again = server.Open();
  ASSERT_TRUE(again);
  EXPECT_NE(*again, ids[3]);  // ids are never reused
  EXPECT_EQ(Ask(*again, "*TST?\n"), "0\n");
}

TEST_F(ScpiServerTest, CompletionReachesTheConnectionThatStartedIt) {
  EXPECT_EQ(Ask(a, "TEST:SLOW?;*TST?\n"), "");
  EXPECT_EQ(Ask(b, "TEST:SLOW?\n"), "");
  EXPECT_EQ(Ask(b, "*IDN?\n"), "");  // b waits for its own query, in order
  ASSERT_EQ(ops.size(), 2u);
  server.Complete(ops[1], "22");
  EXPECT_EQ(server.Unsent(a), "");
  EXPECT_EQ(Ask(b, ""), "22\nMaker,Model,SN7,2.0\n");
  server.Fail(ops[0], 5, "capture failed");
  EXPECT_EQ(Ask(a, "SYST:ERR?\n"), "0\n5,\"capture failed\"\n");
}

TEST_F(ScpiServerTest, CompletionAfterItsConnectionClosedReachesNobody) {
  Ask(a, "TEST:SLOW?\n");
  server.Close(a);
  const uint64_t c = *server.Open();
  server.Complete(ops.at(0), "1");
  EXPECT_EQ(server.Unsent(c), "");
  EXPECT_EQ(server.Unsent(b), "");
  EXPECT_TRUE(server.TakeDropped().empty());
}

TEST_F(ScpiServerTest, UnsentOutputIsTakenAsSent) {
  server.Receive(a, "*IDN?\n*TST?\n");
  server.Sent(a, 6);
  EXPECT_EQ(server.Unsent(a), "Model,SN7,2.0\n0\n");
  server.Sent(a, 100);
  EXPECT_EQ(server.Unsent(a), "");
}

TEST_F(ScpiServerTest, ClientThatNeverReadsIsDroppedAndOthersGoOn) {
  EXPECT_EQ(Ask(a, "SYST:LOCK:REQ?\n"), "1\n");
  const std::string many = [] {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += "*IDN?\n";
    return s;
  }();
  size_t rounds = 0;
  while (server.IsOpen(a) && rounds < 1000) {
    server.Receive(a, many);
    // b reads everything it is sent, however long it goes on.
    EXPECT_EQ(Ask(b, "*TST?\n"), "0\n");
    ++rounds;
  }
  EXPECT_FALSE(server.IsOpen(a));
  EXPECT_GT(rounds, 1u);
  EXPECT_EQ(server.TakeDropped(), std::vector<uint64_t>{a});
  EXPECT_TRUE(server.TakeDropped().empty());
  EXPECT_EQ(server.LockHolder(), std::nullopt);
  EXPECT_EQ(Ask(b, "TEST:SET 2;SET?\n"), "2\n");
}

}  // namespace
}  // namespace qx::remote
