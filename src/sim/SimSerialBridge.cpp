#include "sim/SimSerialBridge.h"

#include <algorithm>

namespace qx::sim {

bool SimSerialBridge::Configure(const base::LineSettings& settings) {
  if (settings.baudRate <= 0 || settings.byteSize < 5 || settings.byteSize > 8) return false;
  settings_ = settings;
  return true;
}

bool SimSerialBridge::SetDtr(bool on) {
  dtr_ = on;
  return true;
}

base::LineStatus SimSerialBridge::Status() {
  base::LineStatus s;
  s.queued = rx_.size();
  if (parityNext_) {
    s.errorMask = base::comm_error::kRxParity;
    parityNext_ = false;
  }
  return s;
}

size_t SimSerialBridge::Read(std::span<uint8_t> buffer) {
  const size_t n = std::min(buffer.size(), rx_.size());
  std::copy_n(rx_.begin(), n, buffer.begin());
  rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

bool SimSerialBridge::Write(std::span<const uint8_t> bytes) {
  sent_.insert(sent_.end(), bytes.begin(), bytes.end());
  std::vector<uint8_t> answer;
  protocol_.Feed(bytes, answer);
  rx_.insert(rx_.end(), answer.begin(), answer.end());
  return true;
}

}  // namespace qx::sim
