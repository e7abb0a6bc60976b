// Round trips on loopback: a C++ client on a TCP socket, the PosixScpiTransport in a thread of
// its own, the bench on the simulated board (bridge on line): `*IDN?`, and the 65,536 codes of a
// capture as one INT,32 block.
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
    chip.AdcFields["IRQEN"] = {1, 1, 4, 0, true};
    chip.AdcFields["TS"] = {1, 1, 0, 0, true};
    bench.target.LinkKind = qx::link::kLinkQx740x;
    bench.monitor.USBConnect();
    remote.AddCommands(server.Commands());
    remote.Serve(server);
    if (!transport.Listen({qx::remote::kLoopback, 0}, error)) return;
    thread = std::thread([this] {
      transport.Run([this] { return remote.HasPending() ? 0 : -1; },
                    [this] { remote.RunPending(); }, error);
    });
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

/// Sends `message` and reads until `replyLength` bytes came; false when they did not.
bool Ask(int fd, const std::string& message, std::string& reply, size_t replyLength) {
  if (::send(fd, message.data(), message.size(), 0) != static_cast<ssize_t>(message.size()))
    return false;
  reply.resize(replyLength);
  size_t got = 0;
  while (got < replyLength) {
    const ssize_t n = ::recv(fd, reply.data() + got, replyLength - got, 0);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

void BM_CodesBlockInt32(benchmark::State& state) {
  Served s;
  const int fd = s.error.empty() ? Connect(s.transport.Local().port) : -1;
  if (fd < 0) {
    state.SkipWithError("no server to connect to");
    return;
  }
  constexpr size_t kCodes = 65536;
  std::string reply;
  if (!Ask(fd, "SENS:ADC:POIN 65536;AVER 1;RES 23;REF 1.2;:INIT;*OPC?;:FORM INT,32;*OPC?\n", reply,
           4) ||
      reply != "1;1\n") {
    state.SkipWithError(("capture did not complete: " + reply).c_str());
    ::close(fd);
    return;
  }
  // "#6262144" + 4 bytes a code + LF.
  const size_t length = 8 + 4 * kCodes + 1;
  for (auto _ : state) {
    if (!Ask(fd, "FETC:ADC:COD?\n", reply, length) || reply.compare(0, 8, "#6262144") != 0) {
      state.SkipWithError("no block");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
  ::close(fd);
}
BENCHMARK(BM_CodesBlockInt32)->UseRealTime()->Unit(benchmark::kMillisecond);

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
