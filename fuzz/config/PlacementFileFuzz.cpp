// libFuzzer target: any bytes as the window placement file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/widgets/PlacementFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qx::widgets::PlacementRecords records;
  qx::widgets::PlacementFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                    records);
  if (records.Size() > qx::widgets::PlacementRecords::kMaxRecords) __builtin_trap();
  qx::widgets::PlacementRecords back;
  if (!qx::widgets::PlacementFile::Parse(qx::widgets::PlacementFile::Render(records), back))
    __builtin_trap();
  if (back.Size() != records.Size()) __builtin_trap();
  return 0;
}
