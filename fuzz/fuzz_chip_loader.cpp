// Feeds arbitrary bytes to the chip description loader as the chip file of entry 0, and the
// first line of the input to the chip list reader as its index file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/Host.h"
#include "core/chip/ChipList.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/MemoryTextSource.h"
#include "core/chip/TextLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  qx::chip::MemoryTextSource files;
  files.Set("INC/QxSel.INC", "FUZZ.CHP FUZZ (1k)\r\n" + bytes.substr(0, 256));
  files.Set("INC/FUZZ.CHP", bytes);

  static qx::base::Host host;
  // One model across inputs, as in the program: descriptors and lists outlive a load.
  static qx::chip::ChipModel model;
  qx::chip::ChipLoader loader(model, files, host, "INC");
  model.DescriptionLanguage = size % 2 == 0 ? 0 : 1;
  const auto r =
      loader.GetSELUP({0, static_cast<int>(size % 7) - 1, static_cast<int>(size % 6) - 1});
  if (r.Ok() &&
      (r.currentBank < 0 || r.currentBank > 4 || r.currentPage < 0 || r.currentPage > 3)) {
    __builtin_trap();
  }
  if (model.BitRegs.Count() > 512 || model.ByteRegs.Count() > 512 || model.WordRegs.Count() > 512) {
    __builtin_trap();
  }
  int pages = 0;
  for (uint16_t n : model.BitPageCount) pages += n;
  if (pages > model.BitRegs.Count()) __builtin_trap();

  files.Set("INC/QxSel.INC", bytes);
  const auto list = qx::chip::ChipList::Read(files, "INC");
  if (!list.fromIndexFile || list.items.size() > qx::chip::SplitLines(bytes).size()) {
    __builtin_trap();
  }
  return 0;
}
