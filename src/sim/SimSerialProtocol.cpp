#include "sim/SimSerialProtocol.h"

namespace qx::sim {

void SimSerialProtocol::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  for (const uint8_t b : in) {
    if (frame_.empty()) {
      if (b == kSync) {
        ++frames_;
        if (faults_.silentSync) continue;
        out.push_back(faults_.wrongSyncByte.value_or(kAck));
        continue;
      }
      if (b != kRead && b != kWrite) continue;
    }
    frame_.push_back(b);
    if (frame_.size() < 4) continue;
    const size_t count = frame_[3];
    if (frame_[0] == kWrite && frame_.size() < 4 + count) continue;
    Complete(out);
  }
}

void SimSerialProtocol::Complete(std::vector<uint8_t>& out) {
  ++frames_;
  const size_t address = static_cast<size_t>(frame_[1] | (frame_[2] << 8));
  const size_t count = frame_[3];
  if (frame_[0] == kRead) {
    const size_t n = count > faults_.shortReadBy ? count - faults_.shortReadBy : 0;
    for (size_t i = 0; i < n; ++i) out.push_back(target_.Memory(address + i));
  } else if (faults_.writeNak) {
    out.push_back(*faults_.writeNak);
  } else {
    target_.WriteMemory(address, std::span<const uint8_t>(frame_).subspan(4, count));
    out.push_back(kAck);
  }
  frame_.clear();
}

}  // namespace qx::sim
