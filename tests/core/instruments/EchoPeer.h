#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::instruments::test {

/// The far end of an instrument port, in process: every write is logged and handed to
/// `answer`, whose bytes are queued at once.
struct PeerState {
  std::string written;
  std::deque<uint8_t> queued;
  std::function<std::string(const std::string& write)> answer;
  base::LineSettings line;
  std::vector<base::LineSettings> configured;
  std::vector<bool> dtr;
  bool open = false;
};

class PeerPort final : public base::SerialPort {
 public:
  explicit PeerPort(std::shared_ptr<PeerState> state) : s_(std::move(state)) { s_->open = true; }
  ~PeerPort() override { s_->open = false; }
  bool Configure(const base::LineSettings& settings) override {
    s_->line = settings;
    s_->configured.push_back(settings);
    return true;
  }
  bool SetDtr(bool on) override {
    s_->dtr.push_back(on);
    return true;
  }
  base::LineStatus Status() override { return {s_->queued.size(), 0}; }
  size_t Read(std::span<uint8_t> buffer) override {
    size_t n = 0;
    while (n < buffer.size() && !s_->queued.empty()) {
      buffer[n++] = s_->queued.front();
      s_->queued.pop_front();
    }
    return n;
  }
  bool Write(std::span<const uint8_t> bytes) override {
    const std::string w(bytes.begin(), bytes.end());
    s_->written += w;
    if (s_->answer)
      for (const char c : s_->answer(w)) s_->queued.push_back(static_cast<uint8_t>(c));
    return true;
  }
  void DiscardInput() override { s_->queued.clear(); }
  std::optional<base::LineSettings> CurrentSettings() override { return s_->line; }

 private:
  std::shared_ptr<PeerState> s_;
};

/// Ports by name; a name without a peer does not exist, an open port cannot be opened twice.
class PeerProvider final : public base::SerialPortProvider {
 public:
  std::shared_ptr<PeerState> Add(const std::string& name) {
    auto state = std::make_shared<PeerState>();
    peers_[name] = state;
    return state;
  }
  std::unique_ptr<base::SerialPort> Open(const std::string& name) override {
    const auto it = peers_.find(name);
    if (it == peers_.end() || it->second->open) return nullptr;
    return std::make_unique<PeerPort>(it->second);
  }

 private:
  std::map<std::string, std::shared_ptr<PeerState>> peers_;
};

}  // namespace qx::instruments::test
