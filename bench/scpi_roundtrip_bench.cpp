// `*IDN?` round trip on loopback: a C++ client on a TCP socket, the PosixScpiTransport in a
// thread of its own, the bench's identity on the simulated board (bridge on line).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>

#include "core/app/RemoteBench.h"
#include "core/app/Workbench.h"
#include "core/base/FakeClock.h"
#include "core/base/RecordingHost.h"
#include "core/remote/ScpiServer.h"
#include "platform/PosixScpiTransport.h"
#include "sim/SimBoard.h"

namespace {

struct Served {
  qx::base::FakeClock clock;
  qx::base::RecordingHost host;
  qx::chip::ChipModel chip;
  qx::sim::SimBoard board{clock, chip};
  qx::app::Workbench bench{clock, host, board.Hid(), board.Bulk()};
  qx::app::RemoteBench remote{bench};
  qx::remote::ScpiServer server{remote};
  std::ostringstream log;
  qx::platform::PosixScpiTransport transport{server, log};
  std::thread thread;
  std::string error;

  Served() {
    bench.target.LinkKind = qx::link::kLinkQx740x;
    bench.monitor.USBConnect();
    remote.AddCommands(server.Commands());
    if (!transport.Listen({qx::remote::kLoopback, 0}, error)) return;
    thread = std::thread([this] { transport.Run({}, {}, error); });
  }
  ~Served() {
    transport.Stop();
    if (thread.joinable()) thread.join();
  }
};

int Connect(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

void BM_IdnRoundTrip(benchmark::State& state) {
  Served s;
  const int fd = s.error.empty() ? Connect(s.transport.Local().port) : -1;
  if (fd < 0) {
    state.SkipWithError("no server to connect to");
    return;
  }
  char reply[256];
  for (auto _ : state) {
    if (::send(fd, "*IDN?\n", 6, 0) != 6) {
      state.SkipWithError("send failed");
      break;
    }
    size_t got = 0;
    while (got == 0 || reply[got - 1] != '\n') {
      const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got == 0 || reply[got - 1] != '\n') {
      state.SkipWithError("no reply");
      break;
    }
  }
  ::close(fd);
}
BENCHMARK(BM_IdnRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
