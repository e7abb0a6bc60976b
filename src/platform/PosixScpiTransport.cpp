#include "platform/PosixScpiTransport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace qx::platform {

namespace {

/// The write end of the transport that signals stop; -1 when none listens for them.
std::atomic<int> g_signalWake{-1};

extern "C" void OnStopSignal(int) {
  const int fd = g_signalWake.load();
  if (fd >= 0) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
}

void NonBlocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

std::string Endpoint(const sockaddr_in& a) {
  return remote::FormatIpv4(ntohl(a.sin_addr.s_addr)) + ":" + std::to_string(ntohs(a.sin_port));
}

/// Bytes read from one client in one wake: one client that floods cannot starve the others.
constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

PosixScpiTransport::PosixScpiTransport(remote::ScpiServer& server, std::ostream& log)
    : server_(server), log_(log) {
  int fds[2];
  if (::pipe(fds) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    NonBlocking(wakeRead_);
    NonBlocking(wakeWrite_);
  }
}

PosixScpiTransport::~PosixScpiTransport() {
  int expected = wakeWrite_;
  if (wakeWrite_ >= 0 && g_signalWake.compare_exchange_strong(expected, -1)) {
    // The signals end the program again, as they did before this transport took them.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
  for (const auto& [fd, connection] : clients_) {
    server_.Close(connection);
    ::close(fd);
  }
  if (listenFd_ >= 0) ::close(listenFd_);
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

bool PosixScpiTransport::Listen(const remote::Ipv4Endpoint& at, std::string& error) {
  const std::string where = remote::FormatIpv4(at.address) + ":" + std::to_string(at.port);
  if (wakeRead_ < 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    error = std::string("cannot make a socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(at.address);
  a.sin_port = htons(at.port);
  if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(listenFd_, 16) != 0) {
    error = "cannot listen on " + where + ": " + std::strerror(errno);
    ::close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  socklen_t len = sizeof a;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
  local_ = {ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
  return true;
}

void PosixScpiTransport::Stop() {
  if (wakeWrite_ < 0) return;
  const char byte = 's';
  [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &byte, 1);
}

void PosixScpiTransport::StopOnSignals() {
  g_signalWake.store(wakeWrite_);
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool PosixScpiTransport::Run(const std::function<int()>& timeoutMs,
                             const std::function<void()>& wake, std::string& error) {
  if (listenFd_ < 0) {
    error = "not listening";
    return false;
  }
  while (true) {
    const Step step = Poll(timeoutMs ? timeoutMs() : -1, error);
    if (step == Step::Failed) return false;
    if (step == Step::Stop) {
      char drain[64];
      while (::read(wakeRead_, drain, sizeof drain) > 0) {
      }
      stopAsked_ = false;
      return true;
    }
    if (wake) wake();
    FlushAll();
  }
}

bool PosixScpiTransport::ServeNow() {
  if (listenFd_ < 0) return true;
  std::string error;
  if (Poll(0, error) == Step::Stop) stopAsked_ = true;
  FlushAll();
  return !stopAsked_;
}

PosixScpiTransport::Step PosixScpiTransport::Poll(int timeoutMs, std::string& error) {
  std::vector<pollfd> fds;
  while (true) {
    fds.clear();
    fds.push_back({wakeRead_, POLLIN, 0});
    fds.push_back({listenFd_, POLLIN, 0});
    for (const auto& [fd, connection] : clients_) {
      const short events = server_.Unsent(connection).empty() ? POLLIN : POLLIN | POLLOUT;
      fds.push_back({fd, events, 0});
    }
    // A stop asked during a long operation stays asked (the pipe is drained only by Run).
    if (::poll(fds.data(), fds.size(), stopAsked_ ? 0 : timeoutMs) < 0) {
      if (errno == EINTR) continue;
      error = std::string("poll failed: ") + std::strerror(errno);
      return Step::Failed;
    }
    break;
  }
  if (fds[0].revents != 0) return Step::Stop;
  if (fds[1].revents & POLLIN) Accept();
  for (size_t i = 2; i < fds.size(); ++i) {
    const int fd = fds[i].fd;
    const auto it = clients_.find(fd);
    if (it == clients_.end() || fds[i].revents == 0) continue;
    const uint64_t connection = it->second;
    if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) && !Read(fd, connection)) {
      Drop(fd, "closed");
      continue;
    }
    if (!Flush(fd, connection)) Drop(fd, "closed mid-reply");
  }
  return Step::Served;
}

void PosixScpiTransport::FlushAll() {
  // Completions may have left output; and the server may have closed some connections.
  for (const uint64_t gone : server_.TakeDropped()) {
    for (const auto& [fd, connection] : clients_) {
      if (connection != gone) continue;
      Drop(fd, "dropped: it does not read its replies");
      break;
    }
  }
  std::vector<int> lost;
  for (const auto& [fd, connection] : clients_)
    if (!server_.Unsent(connection).empty() && !Flush(fd, connection)) lost.push_back(fd);
  for (const int fd : lost) Drop(fd, "closed mid-reply");
}

void PosixScpiTransport::Accept() {
  while (true) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    const int fd =
        ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN: no one else waits; other errors end with this client
    const std::string peer = Endpoint(a);
    if (!remote::Allowed(allow_, ntohl(a.sin_addr.s_addr))) {
      log_ << "qxctl: serve: client " << peer << " refused: not in --allow" << std::endl;
      ::close(fd);
      continue;
    }
    const auto connection = server_.Open();
    if (!connection) {
      log_ << "qxctl: serve: client " << peer << " refused: " << remote::ScpiServer::kMaxConnections
           << " clients are connected" << std::endl;
      ::close(fd);
      continue;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    clients_[fd] = *connection;
    peers_[fd] = peer;
    log_ << "qxctl: serve: client " << peer << " connected" << std::endl;
  }
}

bool PosixScpiTransport::Read(int fd, uint64_t connection) {
  char buffer[kReadChunk];
  const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  // A connection the server drops here is closed with its reason after the wake.
  server_.Receive(connection, std::string_view(buffer, static_cast<size_t>(n)));
  return true;
}

bool PosixScpiTransport::Flush(int fd, uint64_t connection) {
  while (true) {
    const std::string_view unsent = server_.Unsent(connection);
    if (unsent.empty()) return true;
    const ssize_t n = ::send(fd, unsent.data(), unsent.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    server_.Sent(connection, static_cast<size_t>(n));
  }
}

void PosixScpiTransport::Drop(int fd, const char* why) {
  const auto it = clients_.find(fd);
  if (it == clients_.end()) return;
  server_.Close(it->second);
  log_ << "qxctl: serve: client " << peers_[fd] << " " << why << std::endl;
  clients_.erase(it);
  peers_.erase(fd);
  ::close(fd);
}

}  // namespace qx::platform
