// libFuzzer target: arbitrary bytes as "ParPorts.txt". Every entry the table keeps is one of the
// parallel port bases with an absolute path, and resolving that base gives it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/link/ParallelDriver.h"
#include "platform/ParPortNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::platform::ParPortNames;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto table = ParPortNames::ParseTable(text);
  for (const auto& [base, path] : table) {
    if (!qx::link::lpt::IsPortBase(base)) __builtin_trap();
    if (path.empty() || path.front() != '/') __builtin_trap();
    if (ParPortNames::Resolve(base, text) != path) __builtin_trap();
  }
  const std::string_view first = text.substr(0, text.find_first_of(" \t\r\n"));
  const uint16_t base = ParPortNames::BaseOf(first);
  if (base != 0 && !qx::link::lpt::IsPortBase(base)) __builtin_trap();
  const std::string node = ParPortNames::Resolve(base, text);
  if ((base == 0) != node.empty()) __builtin_trap();
  return 0;
}
