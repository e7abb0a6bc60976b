// libFuzzer target: the simulated serial bridge microcontroller fed arbitrary line bytes in
// arbitrary pieces (the first byte seeds the cut points). Cutting changes no answer, a frame
// never reaches outside the target's memory, and every answer byte comes from a frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzInput.h"
#include "sim/SimSerialProtocol.h"
#include "sim/SimTarget.h"
#include "sim/SimTestChip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx;
  if (size == 0) return 0;
  const std::span<const uint8_t> line(data + 1, size - 1);
  const chip::ChipModel model = sim::test::Qx740xModel();

  sim::SimTarget wholeTarget(model);
  sim::SimSerialProtocol whole(wholeTarget);
  std::vector<uint8_t> once;
  whole.Feed(line, once);

  sim::SimTarget cutTarget(model);
  sim::SimSerialProtocol pieces(cutTarget);
  std::vector<uint8_t> cut;
  fuzz::Pieces cuts(data[0], 8);
  for (size_t at = 0; at < line.size();) {
    const size_t n = std::min(line.size() - at, cuts.Next());
    pieces.Feed(line.subspan(at, n), cut);
    at += n;
  }
  if (cut != once || pieces.FramesHandled() != whole.FramesHandled()) __builtin_trap();
  for (size_t a = 0; a < sim::SimTarget::kMemorySize; ++a) {
    if (cutTarget.Memory(a) != wholeTarget.Memory(a)) __builtin_trap();
  }
  // Each sync byte answers one byte and each read frame at most 255: nothing else is sent.
  if (once.size() > whole.FramesHandled() * 255) __builtin_trap();
  return 0;
}
