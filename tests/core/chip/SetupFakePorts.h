#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/base/SerialPort.h"

namespace qx::chip::test {

/// What happened to one port the fake provider handed out; outlives the port object.
struct FakePortLog {
  std::string name;
  std::vector<base::LineSettings> configured;
  bool closed = false;
};

/// A serial port that only records its line settings.
class FakeSetupPort final : public base::SerialPort {
 public:
  FakeSetupPort(std::shared_ptr<FakePortLog> log, bool acceptLine)
      : log_(std::move(log)), acceptLine_(acceptLine) {}
  ~FakeSetupPort() override { log_->closed = true; }
  bool Configure(const base::LineSettings& s) override {
    log_->configured.push_back(s);
    return acceptLine_;
  }
  bool SetDtr(bool) override { return true; }
  base::LineStatus Status() override { return {}; }
  size_t Read(std::span<uint8_t>) override { return 0; }
  bool Write(std::span<const uint8_t>) override { return true; }
  void DiscardInput() override {}

 private:
  std::shared_ptr<FakePortLog> log_;
  bool acceptLine_;
};

/// Ports that exist by name; each open is logged, in order.
class FakeSetupPorts final : public base::SerialPortProvider {
 public:
  std::unique_ptr<base::SerialPort> Open(const std::string& name) override {
    openAttempts.push_back(name);
    if (!existing.count(name)) return nullptr;
    auto log = std::make_shared<FakePortLog>();
    log->name = name;
    opened.push_back(log);
    return std::make_unique<FakeSetupPort>(log, !refusingLine.count(name));
  }

  std::set<std::string> existing;
  std::set<std::string> refusingLine;  ///< ports whose driver rejects the line settings
  std::vector<std::string> openAttempts;
  std::vector<std::shared_ptr<FakePortLog>> opened;
};

}  // namespace qx::chip::test
