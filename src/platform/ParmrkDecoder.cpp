#include "platform/ParmrkDecoder.h"

namespace qx::platform {

size_t ParmrkDecoder::Decode(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  size_t marked = 0;
  for (uint8_t b : in) {
    switch (state_) {
      case State::Data:
        if (b == 0xFF) {
          state_ = State::Escape;
        } else {
          out.push_back(b);
        }
        break;
      case State::Escape:
        if (b == 0xFF) {
          out.push_back(0xFF);
          state_ = State::Data;
        } else if (b == 0x00) {
          state_ = State::Marked;
        } else {
          // The line discipline never sends this; keep both bytes rather than lose one.
          out.push_back(0xFF);
          out.push_back(b);
          state_ = State::Data;
        }
        break;
      case State::Marked:
        out.push_back(b);
        ++marked;
        state_ = State::Data;
        break;
    }
  }
  return marked;
}

}  // namespace qx::platform
