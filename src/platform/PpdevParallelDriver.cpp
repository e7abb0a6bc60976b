#include "platform/PpdevParallelDriver.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/base/FileBytes.h"
#include "core/link/LptSequences.h"
#include "platform/ParPortNames.h"

namespace qx::platform {

namespace lpt = link::lpt;

namespace {

constexpr link::DeviceHandle kDriverHandle = 0x1284;
constexpr const char* kModuleDir = "/sys/module/ppdev";
constexpr const char* kSetupHint = "see Hardware access in the README";

class PosixPpdev final : public PpdevSystem {
 public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    return ::ioctl(fd, request, arg) < 0 ? -errno : 0;
  }
  void Close(int fd) override { ::close(fd); }
  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
  }
};

/// ECR mode bits 5..7 and the IEEE 1284 modes that stand for them.
uint8_t EcrModeOf(int mode) {
  if (mode == IEEE1284_MODE_BYTE) return 1;
  if (mode == IEEE1284_MODE_ECP) return 3;
  return 0;
}
int ModeOfEcr(uint8_t ecr) {
  switch (ecr >> 5) {
    case 1:
      return IEEE1284_MODE_BYTE;
    case 3:
      return IEEE1284_MODE_ECP;
    default:
      return IEEE1284_MODE_COMPAT;
  }
}

}  // namespace

PpdevSystem& PpdevSystem::Posix() {
  static PosixPpdev posix;
  return posix;
}

PpdevParallelDriver::PpdevParallelDriver(std::string tableText, PpdevSystem& system)
    : table_(std::move(tableText)), system_(system) {}

PpdevParallelDriver::~PpdevParallelDriver() {
  CloseAll();
}

std::string PpdevParallelDriver::ReadTable(const std::string& programDir) {
  // The table is a few lines: a larger file, or one that is no regular file, is no table.
  constexpr size_t kMaxTableBytes = 64 * 1024;
  const base::FileRead table =
      base::ReadRegularFile(programDir + "/" + ParPortNames::kTableFile, kMaxTableBytes);
  if (!table.Ok() && table.status != base::FileRead::Status::Missing)
    std::fprintf(stderr, "%s\n", table.error.c_str());
  return table.bytes;
}

link::DeviceHandle PpdevParallelDriver::Open(const std::string& name) {
  if (name != lpt::kDeviceName) return link::kInvalidHandle;
  bool nodes = system_.Exists(kModuleDir);
  for (uint16_t base : {uint16_t{0x378}, uint16_t{0x278}, uint16_t{0x3BC}})
    nodes = nodes || system_.Exists(ParPortNames::Resolve(base, table_));
  if (!nodes) {
    problem_ =
        "the ppdev module is not loaded (sudo modprobe ppdev; " + std::string(kSetupHint) + ")";
    return link::kInvalidHandle;
  }
  open_ = true;
  return kDriverHandle;
}

void PpdevParallelDriver::Close(link::DeviceHandle h) {
  if (h != kDriverHandle) return;
  CloseAll();
  open_ = false;
}

void PpdevParallelDriver::CloseAll() {
  for (auto& [base, p] : ports_) {
    if (p.fd < 0) continue;
    system_.Ioctl(p.fd, PPRELEASE, nullptr);
    system_.Close(p.fd);
  }
  ports_.clear();
}

PpdevParallelDriver::Port* PpdevParallelDriver::PortOf(uint16_t base) {
  if (auto it = ports_.find(base); it != ports_.end()) return &it->second;
  const std::string path = ParPortNames::Resolve(base, table_);
  const int fd = system_.Open(path);
  if (fd < 0) {
    if (fd == -EACCES || fd == -EPERM)
      problem_ =
          path + ": permission denied (add the bench user to the lp group; " + kSetupHint + ")";
    else if (fd == -ENOENT || fd == -ENODEV || fd == -ENXIO)
      problem_ = path + " does not exist (sudo modprobe ppdev, or map the port in " +
                 ParPortNames::kTableFile + ")";
    else
      problem_ = path + ": " + std::strerror(-fd);
    return nullptr;
  }
  if (system_.Ioctl(fd, PPCLAIM, nullptr) != 0) {
    problem_ = path + ": the port is claimed by another program";
    system_.Close(fd);
    return nullptr;
  }
  Port p;
  p.fd = fd;
  unsigned int modes = 0;
  p.ecp = system_.Ioctl(fd, PPGETMODES, &modes) == 0 && (modes & PARPORT_MODE_ECP) != 0;
  problem_.clear();
  return &ports_.emplace(base, p).first->second;
}

bool PpdevParallelDriver::Call(Port& p, unsigned long request, void* arg, const char* what) {
  const int rc = system_.Ioctl(p.fd, request, arg);
  if (rc != 0) problem_ = std::string(what) + " failed: " + std::strerror(-rc);
  return rc == 0;
}

bool PpdevParallelDriver::ReadRegister(uint16_t port, uint8_t& value) {
  for (uint16_t base : {uint16_t{0x378}, uint16_t{0x278}, uint16_t{0x3BC}}) {
    const int offset = port - base;
    if (offset != lpt::kData && offset != lpt::kStatus && offset != lpt::kControl &&
        offset != lpt::kEcr)
      continue;
    Port* p = PortOf(base);
    if (!p) return false;
    unsigned char byte = 0;
    switch (offset) {
      case lpt::kData:
        if (!Call(*p, PPRDATA, &byte, "PPRDATA")) return false;
        break;
      case lpt::kStatus:
        if (!Call(*p, PPRSTATUS, &byte, "PPRSTATUS")) return false;
        break;
      case lpt::kControl:
        if (!Call(*p, PPRCONTROL, &byte, "PPRCONTROL")) return false;
        byte = static_cast<unsigned char>((byte & 0x0F) | (p->reverse ? 0x20 : 0));
        break;
      default: {
        // Without ECP nothing answers at +0x402, as on the bus.
        if (!p->ecp) {
          byte = 0xFF;
          break;
        }
        int mode = 0;
        if (!Call(*p, PPGETMODE, &mode, "PPGETMODE")) return false;
        byte = static_cast<unsigned char>(EcrModeOf(mode) << 5 | 0x15);
      }
    }
    value = byte;
    return true;
  }
  problem_ = "no parallel port at this address";
  return false;
}

bool PpdevParallelDriver::WriteRegister(uint16_t port, uint8_t value) {
  for (uint16_t base : {uint16_t{0x378}, uint16_t{0x278}, uint16_t{0x3BC}}) {
    const int offset = port - base;
    if (offset != lpt::kData && offset != lpt::kStatus && offset != lpt::kControl &&
        offset != lpt::kEcr)
      continue;
    Port* p = PortOf(base);
    if (!p) return false;
    unsigned char byte = value;
    switch (offset) {
      case lpt::kData:
        return Call(*p, PPWDATA, &byte, "PPWDATA");
      case lpt::kStatus:
        return true;  // read-only register
      case lpt::kControl: {
        // ppdev takes the direction bit apart from the four line bits.
        const bool reverse = (value & 0x20) != 0;
        if (reverse != p->reverse) {
          int dir = reverse ? 1 : 0;
          if (!Call(*p, PPDATADIR, &dir, "PPDATADIR")) return false;
          p->reverse = reverse;
        }
        byte = static_cast<unsigned char>(value & 0x0F);
        return Call(*p, PPWCONTROL, &byte, "PPWCONTROL");
      }
      default: {
        if (!p->ecp) return true;
        int mode = ModeOfEcr(value);
        return Call(*p, PPSETMODE, &mode, "PPSETMODE");
      }
    }
  }
  problem_ = "no parallel port at this address";
  return false;
}

uint8_t PpdevParallelDriver::Registers::Read(uint16_t port) {
  uint8_t value = 0;
  if (!owner_.ReadRegister(port, value)) failed = true;
  return value;
}

void PpdevParallelDriver::Registers::Write(uint16_t port, uint8_t value) {
  if (!owner_.WriteRegister(port, value)) failed = true;
}

bool PpdevParallelDriver::Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                                  std::span<uint8_t> out) {
  if (h != kDriverHandle || !open_) return false;
  Registers registers(*this);
  return link::LptSequences::Serve(registers, code, in, out) && !registers.failed;
}

uint8_t PpdevParallelDriver::PortIn(uint16_t port) {
  uint8_t value = 0xFF;
  ReadRegister(port, value);
  return value;
}

void PpdevParallelDriver::PortOut(uint16_t port, uint8_t value) {
  WriteRegister(port, value);
}

}  // namespace qx::platform
