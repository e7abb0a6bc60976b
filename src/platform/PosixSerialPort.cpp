#include "platform/PosixSerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

namespace qx::platform {
namespace {

struct BaudEntry {
  int32_t baud;
  speed_t code;
};

constexpr BaudEntry kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
};

std::optional<speed_t> SpeedCode(int32_t baud) {
  for (const BaudEntry& e : kBauds) {
    if (e.baud == baud) return e.code;
  }
  return std::nullopt;
}

std::optional<tcflag_t> SizeFlag(uint16_t byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    case 8:
      return CS8;
    default:
      return std::nullopt;
  }
}

// Raw bytes both ways, but keep PARMRK: it is how a parity error reaches us in-band. The reader
// decodes the marks (and the doubled FF bytes that come with them).
void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | IMAXBEL);
  t.c_iflag |= PARMRK;
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

}  // namespace

std::unique_ptr<PosixSerialPort> PosixSerialPort::OpenPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // TIOCEXCL alone does not stop root; the lock stops every other open that asks for it,
  // including a second open in this process.
  termios t{};
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcgetattr(fd, &t) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  MakeRaw(t);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) {
    const int error = errno;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    errno = error;
    return nullptr;
  }
  return std::unique_ptr<PosixSerialPort>(new PosixSerialPort(fd, path));
}

PosixSerialPort::PosixSerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
  counters_ = ReadCounters();
}

PosixSerialPort::~PosixSerialPort() {
  // The exclusive flag outlives the descriptor on a terminal that stays open elsewhere (the
  // master side of a pseudo-terminal), so take it back before closing.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
}

bool PosixSerialPort::SupportsBaud(int32_t baud) {
  return SpeedCode(baud).has_value();
}

std::optional<base::LineSettings> PosixSerialPort::CurrentSettings() {
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return std::nullopt;
  base::LineSettings s;
  s.baudRate = 0;
  const speed_t speed = ::cfgetospeed(&t);
  for (const BaudEntry& e : kBauds) {
    if (e.code == speed) s.baudRate = e.baud;
  }
  switch (t.c_cflag & CSIZE) {
    case CS5:
      s.byteSize = 5;
      break;
    case CS6:
      s.byteSize = 6;
      break;
    case CS7:
      s.byteSize = 7;
      break;
    default:
      s.byteSize = 8;
  }
  if ((t.c_cflag & PARENB) == 0) {
    s.parity = base::Parity::None;
  } else {
#ifdef CMSPAR
    if ((t.c_cflag & CMSPAR) != 0) {
      s.parity = (t.c_cflag & PARODD) != 0 ? base::Parity::Mark : base::Parity::Space;
      s.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 0;
      return s;
    }
#endif
    s.parity = (t.c_cflag & PARODD) != 0 ? base::Parity::Odd : base::Parity::Even;
  }
  s.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 0;
  return s;
}

bool PosixSerialPort::Configure(const base::LineSettings& s) {
  const std::optional<speed_t> speed = SpeedCode(s.baudRate);
  const std::optional<tcflag_t> size = SizeFlag(s.byteSize);
  if (!speed || !size || s.stopBits > 2) return false;

  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return false;
  MakeRaw(t);
  tcflag_t parity = 0;
  switch (s.parity) {
    case base::Parity::None:
      break;
    case base::Parity::Odd:
      parity = PARENB | PARODD;
      break;
    case base::Parity::Even:
      parity = PARENB;
      break;
#ifdef CMSPAR
    case base::Parity::Mark:
      parity = PARENB | PARODD | CMSPAR;
      break;
    case base::Parity::Space:
      parity = PARENB | CMSPAR;
      break;
#endif
    default:
      return false;
  }
  tcflag_t clear = CSIZE | PARENB | PARODD | CSTOPB;
#ifdef CMSPAR
  clear |= CMSPAR;
#endif
  t.c_cflag &= ~clear;
  t.c_cflag |= *size | parity;
  // One and a half stop bits do not exist here; two is the safe side for the receiver.
  if (s.stopBits != 0) t.c_cflag |= CSTOPB;
  if (parity != 0) {
    t.c_iflag |= INPCK;
  } else {
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  }
  if (::cfsetispeed(&t, *speed) != 0 || ::cfsetospeed(&t, *speed) != 0) return false;
  if (::tcsetattr(fd_, TCSANOW, &t) != 0) return false;
  // tcsetattr succeeds when any part was applied; a driver that cannot do the rate keeps
  // another one. (Pseudo-terminals ignore size and parity, so those are not compared.)
  termios check{};
  return ::tcgetattr(fd_, &check) == 0 && ::cfgetospeed(&check) == *speed;
}

bool PosixSerialPort::SetDtr(bool on) {
  int bits = TIOCM_DTR;
  return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

void PosixSerialPort::Pull() {
  uint8_t chunk[4096];
  while (queue_.size() - head_ < kQueueLimit) {
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      if (decoder_.Decode(std::span<const uint8_t>(chunk, static_cast<size_t>(n)), queue_) > 0) {
        errors_ |= base::comm_error::kRxParity;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Nothing more for now (EAGAIN), or the other end hung up (0, or EIO on a terminal).
    break;
  }
}

std::optional<PosixSerialPort::Counters> PosixSerialPort::ReadCounters() const {
  serial_icounter_struct ic{};
  if (::ioctl(fd_, TIOCGICOUNT, &ic) != 0) return std::nullopt;
  return Counters{ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
}

void PosixSerialPort::SampleCounters() {
  const std::optional<Counters> now = ReadCounters();
  if (now && counters_) {
    if (now->frame != counters_->frame) errors_ |= base::comm_error::kFrame;
    if (now->overrun != counters_->overrun) errors_ |= base::comm_error::kOverrun;
    if (now->parity != counters_->parity) errors_ |= base::comm_error::kRxParity;
    if (now->brk != counters_->brk) errors_ |= base::comm_error::kBreak;
    if (now->bufOverrun != counters_->bufOverrun) errors_ |= base::comm_error::kRxOver;
  }
  counters_ = now;
}

base::LineStatus PosixSerialPort::Status() {
  Pull();
  SampleCounters();
  base::LineStatus status;
  status.queued = queue_.size() - head_;
  status.errorMask = std::exchange(errors_, 0u);
  return status;
}

size_t PosixSerialPort::Read(std::span<uint8_t> buffer) {
  Pull();
  const size_t n = std::min(buffer.size(), queue_.size() - head_);
  std::copy_n(queue_.begin() + static_cast<std::ptrdiff_t>(head_), n, buffer.begin());
  head_ += n;
  if (head_ == queue_.size()) {
    queue_.clear();
    head_ = 0;
  } else if (head_ > kQueueLimit / 2) {
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  return n;
}

bool PosixSerialPort::Write(std::span<const uint8_t> bytes) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
  }
  return true;
}

void PosixSerialPort::DiscardInput() {
  ::tcflush(fd_, TCIFLUSH);
  queue_.clear();
  head_ = 0;
  decoder_.Reset();
}

}  // namespace qx::platform
