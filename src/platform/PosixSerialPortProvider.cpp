#include "platform/PosixSerialPortProvider.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/ComPortNames.h"
#include "platform/PosixSerialPort.h"

namespace qx::platform {

PosixSerialPortProvider::PosixSerialPortProvider(std::string programDir)
    : programDir_(std::move(programDir)) {}

std::unique_ptr<base::SerialPort> PosixSerialPortProvider::Open(const std::string& name) {
  std::string problem;
  const std::string path = ComPortNames::ResolveInDir(name, programDir_, &problem);
  if (!problem.empty()) {
    // The open fails like a missing port; the reason goes where the user looks.
    if (report_)
      report_(problem);
    else
      std::fprintf(stderr, "%s\n", problem.c_str());
    errno = EINVAL;
    return nullptr;
  }
  if (path.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return PosixSerialPort::OpenPath(path);
}

}  // namespace qx::platform
