#include "sim/SimInstrumentPort.h"

#include <algorithm>

namespace qx::sim {

SimInstrumentPort::SimInstrumentPort(base::Clock& clock, SimInstrument& instrument,
                                     std::shared_ptr<bool> inUse)
    : clock_(clock), instrument_(instrument), inUse_(std::move(inUse)) {}

SimInstrumentPort::~SimInstrumentPort() {
  *inUse_ = false;
}

bool SimInstrumentPort::Configure(const base::LineSettings& settings) {
  if (Gone() || settings.baudRate <= 0 || settings.byteSize < 5 || settings.byteSize > 8) {
    return false;
  }
  instrument_.SetSettings(settings);
  return true;
}

bool SimInstrumentPort::SetDtr(bool on) {
  if (Gone()) return false;
  instrument_.SetDtr(on);
  return true;
}

void SimInstrumentPort::ReleaseDue() {
  const double now = clock_.NowMs();
  while (!pending_.empty() && pending_.front().dueMs <= now) {
    rx_.insert(rx_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
    pending_.pop_front();
  }
}

base::LineStatus SimInstrumentPort::Status() {
  if (Gone()) return {};
  ReleaseDue();
  return base::LineStatus{rx_.size(), 0};
}

size_t SimInstrumentPort::Read(std::span<uint8_t> buffer) {
  if (Gone()) return 0;
  ReleaseDue();
  const size_t n = std::min(buffer.size(), rx_.size());
  std::copy_n(rx_.begin(), n, buffer.begin());
  rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

bool SimInstrumentPort::Write(std::span<const uint8_t> bytes) {
  if (Gone()) return false;
  std::vector<uint8_t> answer;
  instrument_.Feed(bytes, answer);
  if (answer.empty()) return true;
  const double delay = instrument_.ReplyDelayMs();
  if (delay <= 0 && pending_.empty()) {
    rx_.insert(rx_.end(), answer.begin(), answer.end());
    return true;
  }
  // Never let an answer overtake an earlier, still travelling one.
  double due = clock_.NowMs() + delay;
  if (!pending_.empty()) due = std::max(due, pending_.back().dueMs);
  pending_.push_back(Pending{due, std::move(answer)});
  return true;
}

void SimInstrumentPort::DiscardInput() {
  // Only what has arrived is purged; an answer still on its way arrives later.
  ReleaseDue();
  rx_.clear();
}

}  // namespace qx::sim
