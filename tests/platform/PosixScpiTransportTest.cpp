#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiServer.h"
#include "platform/PosixScpiTransport.h"

namespace qx::platform {
namespace {

using namespace std::chrono_literals;

class StubDevice : public remote::ScpiDevice {
 public:
  remote::ScpiIdentity Identity() override { return {"Maker", "Model", "SN7", "2.0"}; }
  int SelfTest() override { return 0; }
};

const std::string kIdn = "Maker,Model,SN7,2.0\n";

/// A raw TCP client: bytes out, bytes in, with a deadline on every read.
class Client {
 public:
  explicit Client(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~Client() { Close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool Connected() const { return connected_; }
  int Fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  /// False when the server has closed the connection.
  bool Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n < 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  /// Reads until `count` bytes came, the server closed, or 3 s passed.
  std::string Read(size_t count) {
    std::string in;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (in.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, count - in.size()), 0);
      if (n <= 0) {
        closedByServer_ = true;
        break;
      }
      in.append(buffer, static_cast<size_t>(n));
    }
    return in;
  }
  std::string Ask(const std::string& message, size_t replyLength) {
    Send(message);
    return Read(replyLength);
  }
  bool ClosedByServer() const { return closedByServer_; }

 private:
  int fd_ = -1;
  bool connected_ = false;
  bool closedByServer_ = false;
};

/// The transport on a free loopback port, served by a thread of its own.
class PosixScpiTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(transport.Listen({remote::kLoopback, 0}, error)) << error;
    port = transport.Local().port;
    ASSERT_NE(port, 0);
    serving = std::thread([this] { served = transport.Run({}, {}, runError); });
  }
  void TearDown() override {
    transport.Stop();
    if (serving.joinable()) serving.join();
    EXPECT_TRUE(served) << runError;
  }

  StubDevice device;
  remote::ScpiServer server{device};
  std::ostringstream log;
  PosixScpiTransport transport{server, log};
  uint16_t port = 0;
  std::thread serving;
  bool served = false;
  std::string runError;
};

TEST_F(PosixScpiTransportTest, GarbageAndAnEndlessLineLeaveOthersAnswered) {
  Client a(port), b(port);
  ASSERT_TRUE(a.Connected() && b.Connected());
  EXPECT_EQ(a.Ask("*IDN?\n", kIdn.size()), kIdn);
  EXPECT_EQ(a.Ask(std::string("\0\xff\x01;:#9", 7) + "\n*TST?\n", 2), "0\n");
  // 100 KiB without LF: b is answered while a's line is still open.
  ASSERT_TRUE(a.Send(std::string(100 * 1024, 'x')));
  EXPECT_EQ(b.Ask("*IDN?\n", kIdn.size()), kIdn);
  const std::string errors =
      "-102,\"Syntax error\";-363,\"Input buffer overrun;message over 64 KiB dropped\"\n";
  EXPECT_EQ(a.Ask("\n*IDN?\nSYST:ERR?;ERR?\n", kIdn.size() + errors.size()), kIdn + errors);
}

TEST_F(PosixScpiTransportTest, NinthClientIsClosedAndEightIdleOnesStay) {
  std::vector<std::unique_ptr<Client>> clients;
  for (size_t i = 0; i < remote::ScpiServer::kMaxConnections; ++i) {
    clients.push_back(std::make_unique<Client>(port));
    ASSERT_EQ(clients.back()->Ask("*TST?\n", 2), "0\n") << i;
  }
  Client ninth(port);
  EXPECT_EQ(ninth.Read(1), "");
  EXPECT_TRUE(ninth.ClosedByServer());
  EXPECT_EQ(clients[7]->Ask("*IDN?\n", kIdn.size()), kIdn);
  clients[2]->Close();
  std::this_thread::sleep_for(50ms);  // the server sees the close before the next connect
  Client tenth(port);
  EXPECT_EQ(tenth.Ask("*IDN?\n", kIdn.size()), kIdn);
}

TEST_F(PosixScpiTransportTest, ClientThatNeverReadsIsDroppedOthersGoOn) {
  Client hog(port), other(port);
  const int small = 4096;
  ::setsockopt(hog.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  std::string burst;
  for (int i = 0; i < 2000; ++i) burst += "*IDN?\n";
  bool dropped = false;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!dropped && std::chrono::steady_clock::now() < deadline) {
    dropped = !hog.Send(burst);
    EXPECT_EQ(other.Ask("*TST?\n", 2), "0\n");
  }
  EXPECT_TRUE(dropped);
  EXPECT_EQ(other.Ask("*IDN?\n", kIdn.size()), kIdn);
  transport.Stop();
  serving.join();
  EXPECT_NE(log.str().find("dropped: it does not read its replies"), std::string::npos)
      << log.str();
}

TEST_F(PosixScpiTransportTest, ClientGoneMidReplyLeavesOthersAnswered) {
  Client gone(port), other(port);
  std::string burst;
  for (int i = 0; i < 20000; ++i) burst += "*IDN?\n";
  ASSERT_TRUE(gone.Send(burst));
  gone.Close();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(other.Ask("*IDN?\n", kIdn.size()), kIdn);
}

TEST(PosixScpiTransportTimers, WaitEndsAtTheDeadlineAndTheCompletionGoesOut) {
  StubDevice device;
  remote::ScpiServer server{device};
  std::ostringstream log;
  PosixScpiTransport transport{server, log};
  // A slow query that the "event loop" ends 30 ms after it started.
  std::vector<remote::ScpiOperation> running;
  std::chrono::steady_clock::time_point due;
  server.Commands().Add("TEST:SLOW?", [&](remote::ScpiCall& c) {
    running.push_back(server.Defer(c));
    due = std::chrono::steady_clock::now() + 30ms;
  });
  const auto timeout = [&] {
    if (running.empty()) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        due - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
  };
  const auto wake = [&] {
    if (running.empty() || std::chrono::steady_clock::now() < due) return;
    for (const remote::ScpiOperation& o : running) server.Complete(o, "42");
    running.clear();
  };
  std::string error;
  ASSERT_TRUE(transport.Listen({remote::kLoopback, 0}, error)) << error;
  bool served = false;
  std::thread serving([&] { served = transport.Run(timeout, wake, error); });
  Client slow(transport.Local().port), other(transport.Local().port);
  ASSERT_TRUE(slow.Send("TEST:SLOW?;*TST?\n"));
  EXPECT_EQ(other.Ask("*IDN?\n", kIdn.size()), kIdn);  // served while the query runs
  EXPECT_EQ(slow.Read(5), "42;0\n");
  transport.Stop();
  serving.join();
  EXPECT_TRUE(served) << error;
}

TEST(PosixScpiTransportLongWork, ClientsAreAnsweredDuringALongOperationAndAStopEndsIt) {
  StubDevice device;
  remote::ScpiServer server{device};
  std::ostringstream log;
  PosixScpiTransport transport{server, log};
  // An operation that runs from the loop until a stop is asked, serving the clients meanwhile,
  // as a capture or a temperature run does through its event pump.
  std::optional<remote::ScpiOperation> asked;
  std::atomic<bool> running{false};
  bool endedByStop = false;
  server.Commands().Add("TEST:LONG", [&](remote::ScpiCall& c) { asked = server.Defer(c); });
  const auto wake = [&] {
    if (!asked) return;
    running = true;
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (transport.ServeNow() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    endedByStop = std::chrono::steady_clock::now() < deadline;
    server.Complete(*asked);
    asked.reset();
  };
  std::string error;
  ASSERT_TRUE(transport.Listen({remote::kLoopback, 0}, error)) << error;
  bool served = false;
  std::thread serving([&] { served = transport.Run({}, wake, error); });
  Client starter(transport.Local().port), other(transport.Local().port);
  ASSERT_TRUE(starter.Send("TEST:LONG;*OPC?\n"));
  for (int i = 0; i < 300 && !running; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(running);
  EXPECT_EQ(other.Ask("*IDN?\n", kIdn.size()), kIdn);
  transport.Stop();
  // The stop ends the operation first; its completion still goes out before Run returns.
  EXPECT_EQ(starter.Read(2), "1\n");
  serving.join();
  EXPECT_TRUE(served) << error;
  EXPECT_TRUE(endedByStop);
}

}  // namespace
}  // namespace qx::platform
