// libFuzzer target: any bytes as a RAM file. The reader must neither crash nor read or write
// outside its 512 cells, and a file it read whole must render back to what it read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/chip/ChipModel.h"
#include "core/views/RamFile.h"
#include "core/views/RamViewModel.h"

namespace {
class Image final : public qx::views::TargetPort {
 public:
  uint8_t Get(int a) const override { return a >= 0 && a < 1024 ? bytes[a] : 0; }
  void Write(uint16_t, uint8_t) override { __builtin_trap(); }  // loading never writes
  void Store(int a, uint8_t v) override {
    if (a < 0 || a >= qx::views::RamFile::kCells) __builtin_trap();
    bytes[a] = v;
  }
  uint8_t bytes[1024] = {};
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const qx::views::RamFile::Contents c = qx::views::RamFile::Parse(text);
  if (c.values < 0 || c.values > qx::views::RamFile::kCells) __builtin_trap();
  if (c.groups < 0 || c.groups > qx::views::RamFile::kCells) __builtin_trap();
  if (c.Ok() != (c.groups == qx::views::RamFile::kCells)) __builtin_trap();

  qx::chip::ChipModel chip;
  chip.ValidBits.fill(0xFF);
  Image image;
  int bank = 0;
  qx::views::RamViewModel model(chip, image, bank);
  model.LoadText(text);
  if (!c.Ok()) return 0;
  const std::string saved = model.SaveText();
  const qx::views::RamFile::Contents again = qx::views::RamFile::Parse(saved);
  if (!again.Ok() || again.value != c.value) __builtin_trap();
  for (int a = 0; a < qx::views::RamFile::kCells; ++a) {
    const auto& m = again.marks[static_cast<size_t>(a)];
    const auto& n = c.marks[static_cast<size_t>(a)];
    // A hint text with a line break inside cannot exist: lines end at LF.
    if (m.mark != n.mark || m.hint != n.hint || m.colour != n.colour) __builtin_trap();
  }
  return 0;
}
