#include "core/link/ParallelLink.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "core/link/LptSequences.h"

namespace qx::link {

namespace {
constexpr int kLinkStatusPanel = 0;

std::array<uint8_t, 2> PortBytes(uint16_t port) {
  return {static_cast<uint8_t>(port & 0xFF), static_cast<uint8_t>(port >> 8)};
}

std::string Hex(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03X", v);
  return text;
}
}  // namespace

ParallelLink::ParallelLink(IoFrame& frame, const base::Settings& settings, base::Clock& clock,
                           base::Host& host)
    : frame_(frame), settings_(settings), clock_(clock), host_(host) {}

ParallelLink::~ParallelLink() {
  if (driver_ && IsValidHandle(handle_)) driver_->Close(handle_);
}

void ParallelLink::Attach(ParallelDriver& driver, DriverServices& services) {
  driver_ = &driver;
  services_ = &services;
}

bool ParallelLink::LptOpen() {
  if (!driver_ || !services_) return false;
  const uint32_t version = services_->Version();
  if (IsValidHandle(handle_)) return false;
  const uint32_t major = version & 0xFF;
  const bool ntFamily = (version & 0x80000000u) == 0;
  if (major < 3 || (major <= 4 && !ntFamily)) {
    driverMode_ = false;
    return false;
  }
  driverMode_ = true;
  handle_ = driver_->Open(lpt::kDeviceName);
  if (IsValidHandle(handle_)) return true;

  CopyDriverFile();
  // A service that did not exist has just been created and needs a second start.
  if (StartService() == service::kDoesNotExist) StartService();
  handle_ = driver_->Open(lpt::kDeviceName);
  return IsValidHandle(handle_);
}

void ParallelLink::CopyDriverFile() {
  std::string folder = services_->SystemDirectory();
  if (folder.size() > service::kSystemFolderLimit) folder.resize(service::kSystemFolderLimit);
  services_->CopyFile(service::kDriverFile, folder + "\\Drivers\\" + service::kDriverFile);
}

int ParallelLink::StartService() {
  const int opened = services_->OpenService(service::kName);
  if (opened == service::kAccessDenied || opened == service::kInvalidName) return opened;
  if (opened == service::kDoesNotExist) {
    CopyDriverFile();
    services_->CreateService({service::kName, service::kName, service::kBinaryPath});
    services_->CloseService();
    return service::kDoesNotExist;
  }
  if (opened != service::kOk) return service::kStartFailed;
  const int started = services_->StartService();
  services_->CloseService();
  if (started == service::kOk || started == service::kAlreadyRunning) return started;
  return service::kStartFailed;
}

void ParallelLink::LptInit() {
  LptOpen();
  const uint16_t base = settings_.LptPortBase;
  const bool open = driver_ && (!driverMode_ || IsValidHandle(handle_));
  failed_ = false;
  if (open && lpt::IsPortBase(base)) {
    const uint16_t ecr = static_cast<uint16_t>(base + lpt::kEcr);
    // Mode 001 of the extended control register: the port's lines are driven directly.
    LptPortWrite(ecr, static_cast<uint8_t>((LptPortRead(ecr) & 0x1F) | 0x20));
    LptPortWrite(static_cast<uint16_t>(base + lpt::kData), 0);
    const uint16_t control = static_cast<uint16_t>(base + lpt::kControl);
    LptPortWrite(control, static_cast<uint8_t>((LptPortRead(control) & 0xD0) | 0x06));
  }
  ready_ = open && lpt::IsPortBase(base) && !failed_;

  if (ready_) {
    status_ = "Parallel " + Hex(base) + " On Line";
  } else {
    status_ = "Parallel " + Hex(base) + " not open";
    const std::string problem = driver_ ? driver_->Problem() : std::string();
    if (!driver_)
      status_ += ": this run has no parallel-port backend";
    else if (open && !lpt::IsPortBase(base))
      status_ += ": not a parallel port base (0x378, 0x278 or 0x3BC)";
    else if (!problem.empty())
      status_ += ": " + problem;
  }
  host_.SetStatus(kLinkStatusPanel, status_);
}

bool ParallelLink::Request(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out) {
  for (int attempt = 0; attempt < kRequestTries; ++attempt)
    if (driver_ && driver_->Control(handle_, code, in, out)) return true;
  failed_ = true;
  return false;
}

uint8_t ParallelLink::LptPortRead(uint16_t port) {
  if (!driverMode_) return driver_ ? direct_.Read(port) : 0;
  const auto in = PortBytes(port);
  std::array<uint8_t, 1> out{};
  Request(lpt::kPortRead, in, out);
  return out[0];
}

void ParallelLink::LptPortWrite(uint16_t port, uint8_t value) {
  if (!driverMode_) {
    if (driver_) direct_.Write(port, value);
    return;
  }
  const auto p = PortBytes(port);
  const std::array<uint8_t, 3> in{p[0], p[1], value};
  Request(lpt::kPortWrite, in, {});
}

void ParallelLink::LptStart(uint16_t base) {
  if (!driverMode_) {
    if (driver_) LptSequences::Start(direct_, base);
    return;
  }
  Request(lpt::kStart, PortBytes(base), {});
}

void ParallelLink::LptEnd(uint16_t base) {
  // The driver has no request of its own for this one.
  const uint16_t port = static_cast<uint16_t>(base + lpt::kControl);
  LptPortWrite(port, static_cast<uint8_t>(LptPortRead(port) | lpt::kFrame));
}

void ParallelLink::LptPace(uint16_t base, uint16_t count) {
  if (!driverMode_) {
    if (driver_) LptSequences::Pace(direct_, base, count);
    return;
  }
  const auto p = PortBytes(base);
  const std::array<uint8_t, 4> in{p[0], p[1], static_cast<uint8_t>(count & 0xFF),
                                  static_cast<uint8_t>(count >> 8)};
  Request(lpt::kPace, in, {});
}

void ParallelLink::LptSendByte(uint16_t base, uint8_t value) {
  if (!driverMode_) {
    if (driver_) LptSequences::SendByte(direct_, base, value);
    return;
  }
  const auto p = PortBytes(base);
  const std::array<uint8_t, 3> in{p[0], p[1], value};
  Request(lpt::kSendByte, in, {});
}

uint8_t ParallelLink::LptReceiveByte(uint16_t base) {
  if (!driverMode_) return driver_ ? LptSequences::ReceiveByte(direct_, base) : 0;
  std::array<uint8_t, 1> out{};
  Request(lpt::kReceiveByte, PortBytes(base), out);
  return out[0];
}

bool ParallelLink::ReadBytes(uint16_t address, uint8_t count) {
  return Transfer(kReadCommand, address, count);
}

bool ParallelLink::WriteBytes(uint16_t address, uint8_t count) {
  return Transfer(kWriteCommand, address, count);
}

bool ParallelLink::Transfer(uint8_t command, uint16_t address, uint8_t count) {
  // The lines give no sign of a missing driver or port; without this a failed transfer
  // would look like a good one.
  if (!ready_) return false;
  const uint16_t base = settings_.LptPortBase;
  const size_t n = std::min<size_t>(count, frame_.size() - 5);
  failed_ = false;
  const std::array<uint8_t, 3> header{command, static_cast<uint8_t>(address & 0xFF),
                                      static_cast<uint8_t>(address >> 8)};
  LptStart(base);
  LptPace(base, kPace);
  for (uint8_t b : header) {
    LptSendByte(base, b);
    LptPace(base, kPace);
  }
  if (command == kReadCommand) {
    for (size_t i = 0; i < n; ++i) {
      frame_[i] = LptReceiveByte(base);
      LptPace(base, kPace);
    }
  } else {
    for (size_t i = 0; i < n; ++i) {
      LptSendByte(base, frame_[5 + i]);
      LptPace(base, kPace);
    }
  }
  LptEnd(base);
  if (trace_) {
    if (command == kReadCommand) {
      trace_(TransferDirection::Sent, header);
      trace_(TransferDirection::Received, std::span<const uint8_t>(frame_.data(), n));
    } else {
      std::vector<uint8_t> sent(header.begin(), header.end());
      sent.insert(sent.end(), frame_.begin() + 5, frame_.begin() + 5 + static_cast<long>(n));
      trace_(TransferDirection::Sent, sent);
    }
  }
  clock_.WaitMs(kSettleMs);
  return !failed_;
}

}  // namespace qx::link
