// libFuzzer target: the parity mark decoder on arbitrary line bytes cut into arbitrary reads.
// The first byte seeds the cut points. Cutting changes nothing, nothing grows, and a stream the
// line discipline could have sent decodes back to the bytes and marks it was made from.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzInput.h"
#include "platform/ParmrkDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::platform::ParmrkDecoder;
  if (size == 0) return 0;
  const uint8_t seed = data[0];
  const std::span<const uint8_t> line(data + 1, size - 1);

  ParmrkDecoder whole;
  std::vector<uint8_t> once;
  const size_t marked = whole.Decode(line, once);
  if (once.size() > line.size() || marked * 3 > line.size()) __builtin_trap();

  ParmrkDecoder pieces;
  std::vector<uint8_t> cut;
  size_t markedCut = 0;
  qx::fuzz::Pieces cuts(seed, 4);
  for (size_t at = 0; at < line.size();) {
    const size_t n = std::min(line.size() - at, cuts.Next());
    markedCut += pieces.Decode(line.subspan(at, n), cut);
    at += n;
  }
  if (cut != once || markedCut != marked || pieces.Pending() != whole.Pending()) __builtin_trap();

  // The same bytes as data, every byte whose seed bit is set received with a parity error.
  std::vector<uint8_t> encoded;
  size_t flagged = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if ((seed >> (i % 8)) & 1) {
      encoded.insert(encoded.end(), {0xFF, 0x00, line[i]});
      ++flagged;
    } else if (line[i] == 0xFF) {
      encoded.insert(encoded.end(), {0xFF, 0xFF});
    } else {
      encoded.push_back(line[i]);
    }
  }
  ParmrkDecoder back;
  std::vector<uint8_t> decoded;
  if (back.Decode(encoded, decoded) != flagged || back.Pending()) __builtin_trap();
  if (!std::equal(decoded.begin(), decoded.end(), line.begin(), line.end())) __builtin_trap();
  return 0;
}
