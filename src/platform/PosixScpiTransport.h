#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/remote/ScpiAddress.h"
#include "core/remote/ScpiServer.h"

namespace qx::platform {

/// The SCPI server on a TCP socket: non-blocking sockets and one `poll` that sleeps until a
/// client sends, a reply can go out, a timer is due or a stop is asked. It only moves bytes;
/// what they mean is the `ScpiServer`'s.
class PosixScpiTransport {
 public:
  /// `server` outlives the transport; connection events are logged to `log`.
  PosixScpiTransport(remote::ScpiServer& server, std::ostream& log);
  ~PosixScpiTransport();
  PosixScpiTransport(const PosixScpiTransport&) = delete;
  PosixScpiTransport& operator=(const PosixScpiTransport&) = delete;

  /// Clients outside these networks are closed at once; empty allows every one.
  void Allow(std::vector<remote::Ipv4Net> nets) { allow_ = std::move(nets); }
  /// Binds and listens; port 0 takes a free one. False with the reason in `error`.
  bool Listen(const remote::Ipv4Endpoint& at, std::string& error);
  /// The address actually listened on (the real port after port 0).
  remote::Ipv4Endpoint Local() const { return local_; }

  /// Serves until `Stop` (or a stop signal). `timeoutMs`, asked before every wait, gives how
  /// long the wait may be (negative: until something happens); `wake` runs after every wait,
  /// for the timers and deferred operations of the caller. False with `error` when polling
  /// itself fails.
  bool Run(const std::function<int()>& timeoutMs, const std::function<void()>& wake,
           std::string& error);
  /// Serves the clients once without waiting, from inside a long operation that `wake` runs
  /// (a capture, a temperature run), so their queries are answered meanwhile. False once a
  /// stop was asked: the operation should end, and `Run` then returns.
  bool ServeNow();
  /// Ends `Run` at its next wake; safe from a signal handler and from another thread.
  void Stop();
  /// SIGINT and SIGTERM call `Stop` of this transport until it is destroyed (then they end the
  /// program again); SIGPIPE is ignored (a client that goes away mid-reply is a closed
  /// connection, not a dead server).
  void StopOnSignals();

  size_t Clients() const { return clients_.size(); }

 private:
  enum class Step { Served, Stop, Failed };
  /// One `poll` of at most `timeoutMs` and the reads, accepts and sends it allows.
  Step Poll(int timeoutMs, std::string& error);
  /// Closes the connections the server dropped and sends what completions left.
  void FlushAll();
  void Accept();
  /// Reads what the client sent; false when it has gone.
  bool Read(int fd, uint64_t connection);
  /// Sends what the connection has waiting; false when the client has gone.
  bool Flush(int fd, uint64_t connection);
  void Drop(int fd, const char* why);

  remote::ScpiServer& server_;
  std::ostream& log_;
  std::vector<remote::Ipv4Net> allow_;
  remote::Ipv4Endpoint local_;
  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  bool stopAsked_ = false;            ///< a stop seen by `ServeNow`, for `Run` to end on
  std::map<int, uint64_t> clients_;   ///< socket -> connection of the server
  std::map<int, std::string> peers_;  ///< socket -> "A.B.C.D:PORT", for the log
};

}  // namespace qx::platform
