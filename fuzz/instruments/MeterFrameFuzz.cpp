// libFuzzer target: arbitrary bytes as a multimeter reply. The decode must read nothing outside
// the reply, and a reading without error must be a finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/instruments/MeterFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::instruments::MeterFrame;
  const std::span<const uint8_t> reply(data, size);
  const qx::instruments::MeterReading reading = MeterFrame::Decode(reply);
  if (!reading.error && !std::isfinite(reading.value)) std::abort();
  if (reading.digits.size() > 7) std::abort();
  (void)MeterFrame::UnitText(reading.flagA, reading.flagB);
  const size_t start = MeterFrame::FindStart(reply);
  const size_t end = MeterFrame::FindEnd(reply);
  if (start != MeterFrame::npos && (start + 1 >= size || data[start] != MeterFrame::kDle)) {
    std::abort();
  }
  if (end != MeterFrame::npos && (end + 1 >= size || data[end + 1] != MeterFrame::kEtx)) {
    std::abort();
  }
  return 0;
}
