// libFuzzer target: arbitrary bytes as "ComPorts.txt". Every entry the table keeps is a port
// number 1..99 with an absolute path of one word, and resolving that port's name gives it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ComPortNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::platform::ComPortNames;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto table = ComPortNames::ParseTable(text);
  for (const auto& [port, path] : table) {
    if (port < 1 || port > ComPortNames::kMaxPort) __builtin_trap();
    if (path.empty() || path.front() != '/') __builtin_trap();
    if (path.find_first_of(" \t\r\n\v\f") != std::string::npos) __builtin_trap();
    const std::string name = "COM" + std::to_string(port);
    if (ComPortNames::PortNumber(name) != port) __builtin_trap();
    if (ComPortNames::Resolve(name, text) != path) __builtin_trap();
  }
  // The first word of the text as a port name: no name, a path, or a device path.
  const std::string_view first = text.substr(0, text.find_first_of(" \t\r\n"));
  const std::string resolved = ComPortNames::Resolve(first, text);
  if (!resolved.empty() && resolved.front() != '/') __builtin_trap();
  if (const auto n = ComPortNames::PortNumber(first); n && (*n < 1 || *n > ComPortNames::kMaxPort))
    __builtin_trap();
  // A port the table does not list is the n-1st standard serial port.
  for (int port = 1; port <= 3; ++port) {
    if (table.count(port)) continue;
    if (ComPortNames::Resolve("com" + std::to_string(port), text) !=
        "/dev/ttyS" + std::to_string(port - 1)) {
      __builtin_trap();
    }
  }
  return 0;
}
