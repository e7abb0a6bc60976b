// libFuzzer target: any bytes as "StepADC.txt". The reader must neither crash nor leave an index
// outside the lists the window uses, and what it loaded must write and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/autotest/StepFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qx::autotest;
  StepSettings s;
  StepFile::Read(std::string_view(reinterpret_cast<const char*>(data), size), s);
  if (s.stepLenIndex < 0 || s.stepLenIndex >= static_cast<int>(kStepLenItems.size()))
    __builtin_trap();
  if (s.loopIndex < 0 || s.loopIndex >= static_cast<int>(kLoopItems.size())) __builtin_trap();
  if (s.currentStep < 0 || s.currentStep >= kChannels) __builtin_trap();
  const std::string saved = StepFile::Text(s);
  StepSettings back;
  if (!StepFile::Read(saved, back).complete || StepFile::Text(back) != saved) __builtin_trap();
  return 0;
}
