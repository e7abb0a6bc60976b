#include "platform/PosixSerialPortProvider.h"

#include <cerrno>
#include <utility>

#include "platform/ComPortNames.h"
#include "platform/PosixSerialPort.h"

namespace qx::platform {

PosixSerialPortProvider::PosixSerialPortProvider(std::string programDir)
    : programDir_(std::move(programDir)) {}

std::unique_ptr<base::SerialPort> PosixSerialPortProvider::Open(const std::string& name) {
  const std::string path = ComPortNames::ResolveInDir(name, programDir_);
  if (path.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return PosixSerialPort::OpenPath(path);
}

}  // namespace qx::platform
