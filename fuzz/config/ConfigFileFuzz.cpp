// libFuzzer target: any bytes as "QxADC.cfg". The reader must neither crash nor leave a value
// outside the ranges the windows index with, and must always be able to write the result back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qx::link::TargetRecord target;
  qx::base::Settings settings;
  qx::app::ConfigFile config(target, settings);
  config.Apply(std::string_view(reinterpret_cast<const char*>(data), size), "QxADC.cfg");
  if (settings.CurrentPage < 0 || settings.CurrentPage > 3) __builtin_trap();
  if (settings.CurrentBank < 0 || settings.CurrentBank > 4) __builtin_trap();
  if (settings.AdcOutBitsIndex < -1 || settings.AdcOutBitsIndex > 15) __builtin_trap();
  // Once loaded, what is written reads back to the same file.
  config.Apply(config.Render(), "QxADC.cfg");
  const std::string saved = config.Render();
  config.Apply(saved, "QxADC.cfg");
  if (config.Render() != saved) __builtin_trap();
  return 0;
}
