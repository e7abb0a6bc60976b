#include "platform/PosixSerialPortProvider.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/ComPortNames.h"
#include "platform/PosixSerialPort.h"

namespace qx::platform {

PosixSerialPortProvider::PosixSerialPortProvider(std::string programDir)
    : programDir_(std::move(programDir)) {}

std::string PosixSerialPortProvider::OpenFailure(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return path + ": no such device (unplugged?)";
    case EACCES:
    case EPERM:
      return path + ": permission denied (is the user in the dialout group?)";
    case EWOULDBLOCK:
    case EBUSY:
      return path + ": in use by another program";
    case ENOTTY:
    case EINVAL:
      return path + ": not a serial port";
    case EIO:
      return path + ": input/output error (the device has gone)";
    default:
      return path + ": " + std::strerror(error);
  }
}

std::unique_ptr<base::SerialPort> PosixSerialPortProvider::Open(const std::string& name) {
  lastError_.clear();
  std::string problem;
  const std::string path = ComPortNames::ResolveInDir(name, programDir_, &problem);
  if (!problem.empty()) {
    // The open fails like a missing port; the reason goes where the user looks.
    if (report_)
      report_(problem);
    else
      std::fprintf(stderr, "%s\n", problem.c_str());
    lastError_ = problem;
    errno = EINVAL;
    return nullptr;
  }
  if (path.empty()) {
    lastError_ = "\"" + name + "\" names no port: COM1 to COM17 or a device path";
    errno = ENOENT;
    return nullptr;
  }
  auto port = PosixSerialPort::OpenPath(path);
  if (!port) lastError_ = OpenFailure(path, errno);
  return port;
}

}  // namespace qx::platform
