#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/FakeClock.h"
#include "core/base/SerialPort.h"

namespace qx::instruments::test {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

/// An instrument at the far end of a serial line, answering from a script on virtual time. Each
/// write takes the next scripted answer; its chunks arrive after their delays (counted from the
/// write) on the fake clock, so a poll only sees the bytes whose time has come.
class ScriptedPort final : public base::SerialPort {
 public:
  struct Chunk {
    Bytes bytes;
    double delayMs = 0;
  };
  using Answer = std::vector<Chunk>;

  explicit ScriptedPort(base::FakeClock& clock) : clock_(clock) {}

  /// The answer to the next write not yet answered; a write with no answer left gets silence.
  void Reply(Answer answer) { answers_.push_back(std::move(answer)); }
  void Reply(Bytes bytes, double delayMs = 1) { Reply(Answer{{std::move(bytes), delayMs}}); }
  void Silence() { answers_.push_back({}); }
  /// Bytes that arrive `delayMs` from now, unasked.
  void Arrive(const Bytes& bytes, double delayMs = 0) {
    for (const uint8_t b : bytes) inbound_.push_back({b, clock_.NowMs() + delayMs});
  }

  std::vector<Bytes> written;
  std::vector<double> writtenAtMs;
  size_t largestRead = 0;  ///< the largest buffer a Read was given
  /// The most one Read hands out, as a driver may return less than it reported queued.
  size_t readLimit = SIZE_MAX;
  int discards = 0;

  /// Bytes still on the way or queued, read or not.
  size_t Pending() const { return inbound_.size(); }

  bool Configure(const base::LineSettings&) override { return true; }
  bool SetDtr(bool) override { return true; }
  base::LineStatus Status() override { return {Arrived(), 0}; }
  size_t Read(std::span<uint8_t> buffer) override {
    largestRead = std::max(largestRead, buffer.size());
    const size_t n = std::min({buffer.size(), Arrived(), readLimit});
    for (size_t i = 0; i < n; ++i) {
      buffer[i] = inbound_.front().byte;
      inbound_.pop_front();
    }
    return n;
  }
  bool Write(std::span<const uint8_t> bytes) override {
    written.emplace_back(bytes.begin(), bytes.end());
    writtenAtMs.push_back(clock_.NowMs());
    if (!answers_.empty()) {
      for (const Chunk& chunk : answers_.front()) Arrive(chunk.bytes, chunk.delayMs);
      answers_.pop_front();
    }
    return true;
  }
  void DiscardInput() override {
    ++discards;
    const size_t n = Arrived();
    inbound_.erase(inbound_.begin(), inbound_.begin() + static_cast<std::ptrdiff_t>(n));
  }

 private:
  struct Timed {
    uint8_t byte;
    double atMs;
  };

  size_t Arrived() const {
    const double now = clock_.NowMs();
    size_t n = 0;
    while (n < inbound_.size() && inbound_[n].atMs <= now) ++n;
    return n;
  }

  base::FakeClock& clock_;
  std::deque<Answer> answers_;
  std::deque<Timed> inbound_;
};

}  // namespace qx::instruments::test
