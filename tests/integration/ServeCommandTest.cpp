#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/LinkCommands.h"
#include "core/remote/ScpiServer.h"
#include "platform/PosixScpiTransport.h"
#include "support/QxctlRun.h"

namespace qx::cli {
namespace {

using test::Qxctl;
using Args = std::vector<std::string>;

TEST(ServeCommand, BadCommandLinesAreOneLineUsageErrorsBeforeListening) {
  struct Case {
    Args args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--listen", "127.0.0.1"},
       "serve: --listen: not an IPv4 address and port (A.B.C.D:PORT): 127.0.0.1"},
      {{"--listen", "localhost:5025"},
       "serve: --listen: not an IPv4 address and port (A.B.C.D:PORT): localhost:5025"},
      {{"--listen", "127.0.0.1:70000"},
       "serve: --listen: port must be a number from 0 to 65535: 127.0.0.1:70000"},
      {{"--allow", "10.0.0.0/33"}, "serve: --allow: not an IPv4 network (A.B.C.D/N): 10.0.0.0/33"},
      {{"--allow", "10.0.0.0/8,"}, "serve: --allow: not an IPv4 network (A.B.C.D/N): "},
      {{"--port", "COM3", "--timeout", "5"}, "serve: unknown option --timeout"},
      {{"now"}, "serve takes no arguments: now"},
  };
  for (const Case& c : cases) {
    Args argv = {"--simulate", "serve"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const test::QxctlResult r = Qxctl(argv);
    EXPECT_EQ(r.status, kExitUsage) << c.message;
    EXPECT_EQ(r.err, "qxctl: " + c.message + " (see qxctl serve --help)\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST(ServeCommand, PortInUseIsAFailureNotAServer) {
  const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(holder, 1), 0);
  socklen_t len = sizeof a;
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len);
  const std::string where = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  const test::QxctlResult r = Qxctl({"--simulate", "serve", "--listen", where});
  ::close(holder);
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("qxctl: serve: cannot listen on " + where + ": ", 0), 0u) << r.err;
}

class NoDevice : public remote::ScpiDevice {
 public:
  remote::ScpiIdentity Identity() override { return {"M", "N", "0", "1"}; }
  int SelfTest() override { return 0; }
};

TEST(ServeCommand, ClientOutsideTheAllowedNetworksIsClosedAtOnce) {
  NoDevice device;
  remote::ScpiServer server(device);
  std::ostringstream log;
  platform::PosixScpiTransport transport(server, log);
  transport.Allow({{0x0A000000, 8}});  // 10.0.0.0/8: not the loopback client below
  std::string error;
  ASSERT_TRUE(transport.Listen({remote::kLoopback, 0}, error)) << error;
  std::thread serving([&] { transport.Run({}, {}, error); });
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(transport.Local().port);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::send(fd, "*IDN?\n", 6, MSG_NOSIGNAL);
  timeval wait{3, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char c;
  EXPECT_LE(::recv(fd, &c, 1, 0), 0);  // closed, or reset: no reply
  ::close(fd);
  transport.Stop();
  serving.join();
  EXPECT_NE(log.str().find("refused: not in --allow"), std::string::npos) << log.str();
  EXPECT_EQ(server.Connections(), 0u);
}

}  // namespace
}  // namespace qx::cli
