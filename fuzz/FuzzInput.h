#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qx::fuzz {

/// A command line from fuzz input: the arguments are the runs between NUL bytes (the first one
/// may be empty), so any argument text, spaces and all, can be reached.
inline std::vector<std::string> SplitArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }
  return args;
}

/// Cut points for feeding bytes in pieces: a small generator seeded from one input byte gives
/// piece lengths 0 to `longest`, so the same input always arrives in the same pieces.
class Pieces {
 public:
  Pieces(uint8_t seed, size_t longest) : state_(seed | 1u), longest_(longest) {}
  size_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 16) % (longest_ + 1);
  }

 private:
  uint32_t state_;
  size_t longest_;
};

}  // namespace qx::fuzz
