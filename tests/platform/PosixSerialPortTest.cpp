#include "platform/PosixSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/PosixSerialPortProvider.h"

namespace qx::platform {
namespace {

using Bytes = std::vector<uint8_t>;
using base::LineSettings;
using base::Parity;

/// A pseudo-terminal pair: the test drives the master side, the port under test opens the slave
/// by its /dev/pts path. A second slave descriptor stays open so the test can inspect termios.
class PtyPort : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    slavePath_ = ::ptsname(master_);
    inspect_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(inspect_, 0);
    port_ = provider_.Open(slavePath_);
    ASSERT_NE(port_, nullptr) << slavePath_;
  }
  void TearDown() override {
    port_.reset();
    if (inspect_ >= 0) ::close(inspect_);
    if (master_ >= 0) ::close(master_);
  }

  void MasterWrite(const Bytes& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  /// Master-side bytes until `count` arrived or `limit` passed.
  Bytes MasterRead(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(2)) {
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      uint8_t buf[512];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) got.insert(got.end(), buf, buf + n);
    }
    return got;
  }
  /// The pty moves master writes to the slave on a kernel worker, so arrival is not immediate.
  base::LineStatus WaitQueued(size_t count) {
    base::LineStatus status;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    uint32_t mask = 0;
    do {
      status = port_->Status();
      mask |= status.errorMask;
      if (status.queued >= count) break;
      ::usleep(2000);
    } while (std::chrono::steady_clock::now() < end);
    status.errorMask = mask;
    return status;
  }
  Bytes ReadAll(size_t max) {
    Bytes buf(max);
    buf.resize(port_->Read(buf));
    return buf;
  }
  termios SlaveTermios() {
    termios t{};
    EXPECT_EQ(::tcgetattr(inspect_, &t), 0);
    return t;
  }

  PosixSerialPortProvider provider_{"/nonexistent/"};
  int master_ = -1;
  int inspect_ = -1;
  std::string slavePath_;
  std::unique_ptr<base::SerialPort> port_;
};

TEST_F(PtyPort, OpensRawSoNothingIsEchoedOrTranslated) {
  const termios t = SlaveTermios();
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_NE(t.c_iflag & PARMRK, 0u);

  MasterWrite({'\r', '\n', 0x03, 0x11});
  EXPECT_EQ(WaitQueued(4).queued, 4u);
  EXPECT_EQ(ReadAll(16), (Bytes{'\r', '\n', 0x03, 0x11}));
  EXPECT_TRUE(MasterRead(1, std::chrono::milliseconds(200)).empty()) << "the slave echoed input";
}

TEST_F(PtyPort, QueuedCountAndPartialReads) {
  MasterWrite({0x55, 0xAA, 0x01, 0x02, 0x03});
  const base::LineStatus status = WaitQueued(5);
  EXPECT_EQ(status.queued, 5u);
  EXPECT_EQ(status.errorMask, 0u);
  EXPECT_EQ(ReadAll(2), (Bytes{0x55, 0xAA}));
  EXPECT_EQ(port_->Status().queued, 3u);
  EXPECT_EQ(ReadAll(16), (Bytes{0x01, 0x02, 0x03}));
  EXPECT_EQ(port_->Status().queued, 0u);
}

TEST_F(PtyPort, DataThatLooksLikeAMarkIsNotAnError) {
  // The line discipline doubles real FF bytes, so FF 00 41 on the wire is data, not a mark.
  MasterWrite({0xFF, 0x00, 0x41, 0xFF, 0xFF});
  const base::LineStatus status = WaitQueued(5);
  EXPECT_EQ(status.queued, 5u);
  EXPECT_EQ(status.errorMask, 0u);
  EXPECT_EQ(ReadAll(16), (Bytes{0xFF, 0x00, 0x41, 0xFF, 0xFF}));
}

TEST_F(PtyPort, ReadWithNothingQueuedReturnsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(ReadAll(64).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(PtyPort, DiscardInputDropsQueuedBytesOnly) {
  MasterWrite(Bytes(10, 0x5A));
  ASSERT_EQ(WaitQueued(10).queued, 10u);
  port_->DiscardInput();
  EXPECT_EQ(port_->Status().queued, 0u);
  EXPECT_TRUE(ReadAll(16).empty());

  MasterWrite({0xAA, 0x01});
  EXPECT_EQ(WaitQueued(2).queued, 2u);
  EXPECT_EQ(ReadAll(16), (Bytes{0xAA, 0x01}));
}

TEST_F(PtyPort, LargeInputArrivesCompleteAndInOrder) {
  Bytes sent(3000);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i * 7);
  Bytes got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  size_t written = 0;
  while (got.size() < sent.size() && std::chrono::steady_clock::now() < end) {
    if (written < sent.size()) {
      const ssize_t n =
          ::write(master_, sent.data() + written, std::min<size_t>(512, sent.size() - written));
      if (n > 0) written += static_cast<size_t>(n);
    }
    const Bytes part = ReadAll(700);
    got.insert(got.end(), part.begin(), part.end());
  }
  EXPECT_EQ(got, sent);
}

TEST_F(PtyPort, WriteReachesTheOtherEndUnchanged) {
  Bytes sent = {'S', 'Y', 'S', 'T', ':', 'R', 'E', 'M', '\r', '\n', 0xFF, 0x00};
  for (int i = 0; i < 300; ++i) sent.push_back(static_cast<uint8_t>(i));
  ASSERT_TRUE(port_->Write(sent));
  EXPECT_EQ(MasterRead(sent.size()), sent);
}

TEST_F(PtyPort, SecondOpenFailsUntilTheFirstCloses) {
  EXPECT_EQ(provider_.Open(slavePath_), nullptr);
  EXPECT_EQ(provider_.LastOpenError(), slavePath_ + ": in use by another program");

  // Another process is refused as well.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    PosixSerialPortProvider other("/nonexistent/");
    ::_exit(other.Open(slavePath_) == nullptr ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a second process opened the port";

  port_.reset();
  port_ = provider_.Open(slavePath_);
  EXPECT_NE(port_, nullptr);
}

TEST_F(PtyPort, ConfigureAppliesRateStopBitsAndParityChecking) {
  const struct {
    LineSettings settings;
    speed_t speed;
    bool twoStop;
    bool parityCheck;
  } cases[] = {
      {{9600, 8, Parity::None, 0}, B9600, false, false},
      {{115200, 8, Parity::Even, 0}, B115200, false, true},
      {{110, 7, Parity::Odd, 2}, B110, true, true},
      {{921600, 5, Parity::Mark, 1}, B921600, true, true},
      {{300, 6, Parity::Space, 0}, B300, false, true},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(port_->Configure(c.settings)) << c.settings.baudRate;
    const termios t = SlaveTermios();
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.settings.baudRate;
    EXPECT_EQ(cfgetispeed(&t), c.speed) << c.settings.baudRate;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop) << c.settings.baudRate;
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parityCheck) << c.settings.baudRate;
    EXPECT_NE(t.c_iflag & PARMRK, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  }
}

TEST_F(PtyPort, ConfigureRejectsWhatTheLineCannotDo) {
  ASSERT_TRUE(port_->Configure({19200, 8, Parity::None, 0}));
  const LineSettings bad[] = {
      {12345, 8, Parity::None, 0},          {0, 8, Parity::None, 0},    {-9600, 8, Parity::None, 0},
      {9600, 4, Parity::None, 0},           {9600, 9, Parity::None, 0}, {9600, 8, Parity::None, 3},
      {9600, 8, static_cast<Parity>(7), 0},
  };
  for (const LineSettings& s : bad) {
    EXPECT_FALSE(port_->Configure(s)) << s.baudRate << " " << s.byteSize << " " << s.stopBits;
  }
  // A rejected setting leaves the port as it was.
  const termios t = SlaveTermios();
  EXPECT_EQ(cfgetospeed(&t), B19200);
}

TEST_F(PtyPort, DtrOnAPseudoTerminalReportsFailureAndThePortStillWorks) {
  EXPECT_FALSE(port_->SetDtr(false));
  EXPECT_FALSE(port_->SetDtr(true));
  ASSERT_TRUE(port_->Write(Bytes{0x42}));
  EXPECT_EQ(MasterRead(1), Bytes{0x42});
}

// A port that does not open says which device it tried and why, so the status bar can too.
TEST(PosixSerialPortProvider, MissingOrUnnamedPortsDoNotOpenAndSayWhy) {
  PosixSerialPortProvider provider("/nonexistent/");
  const std::string file =
      (std::filesystem::temp_directory_path() / "qx-serial-provider-plain-file").string();
  std::ofstream(file) << "not a terminal";
  const struct {
    std::string name, why;
  } cases[] = {
      {"/dev/qx-no-such-tty", "/dev/qx-no-such-tty: no such device (unplugged?)"},
      {"/dev/null", "/dev/null: not a serial port"},
      {file, file + ": not a serial port"},
      {"COM0", "\"COM0\" names no port: COM1 to COM17 or a device path"},
      {"printer", "\"printer\" names no port: COM1 to COM17 or a device path"},
      {"", "\"\" names no port: COM1 to COM17 or a device path"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(provider.Open(c.name), nullptr) << c.name;
    EXPECT_EQ(provider.LastOpenError(), c.why);
  }
  std::filesystem::remove(file);
  EXPECT_EQ(PosixSerialPortProvider::OpenFailure("/dev/ttyUSB0", EACCES),
            "/dev/ttyUSB0: permission denied (is the user in the dialout group?)");
  EXPECT_EQ(PosixSerialPortProvider::OpenFailure("/dev/ttyUSB0", EIO),
            "/dev/ttyUSB0: input/output error (the device has gone)");
}

TEST(PosixSerialPort, BaudTableCoversTheBenchRates) {
  for (int32_t baud : {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400,
                       460800, 921600}) {
    EXPECT_TRUE(PosixSerialPort::SupportsBaud(baud)) << baud;
  }
  for (int32_t baud : {0, 14400, 56000, 128000, 256000, -1}) {
    EXPECT_FALSE(PosixSerialPort::SupportsBaud(baud)) << baud;
  }
}

}  // namespace
}  // namespace qx::platform
