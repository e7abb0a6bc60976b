#pragma once

#include <string>

namespace qx::platform {

/// The system calls the ppdev backend makes, so tests can stand in for the kernel.
class PpdevSystem {
 public:
  virtual ~PpdevSystem() = default;
  /// A file descriptor, or −errno.
  virtual int Open(const std::string& path) = 0;
  /// 0, or −errno.
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void Close(int fd) = 0;
  virtual bool Exists(const std::string& path) = 0;

  /// The real calls.
  static PpdevSystem& Posix();
};

}  // namespace qx::platform
