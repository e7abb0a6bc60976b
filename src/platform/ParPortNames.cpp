#include "platform/ParPortNames.h"

#include <cctype>
#include <sstream>

#include "core/link/ParallelDriver.h"

namespace qx::platform {

namespace {
std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}
}  // namespace

uint16_t ParPortNames::BaseOf(std::string_view name) {
  const std::string u = Upper(name);
  if (u == "LPT1") return 0x378;
  if (u == "LPT2") return 0x278;
  if (u == "PRN1") return 0x3BC;
  std::string digits = u;
  if (digits.starts_with("0X"))
    digits = digits.substr(2);
  else if (digits.ends_with("H"))
    digits.pop_back();
  else
    return 0;
  if (digits.empty() || digits.size() > 4) return 0;
  unsigned value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return 0;
    value = value * 16 + static_cast<unsigned>(
                             std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'A' + 10);
  }
  const auto base = static_cast<uint16_t>(value);
  return link::lpt::IsPortBase(base) ? base : 0;
}

std::map<uint16_t, std::string> ParPortNames::ParseTable(std::string_view text) {
  std::map<uint16_t, std::string> table;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string name, path, extra;
    if (!(words >> name >> path) || (words >> extra) || name.starts_with("#")) continue;
    const uint16_t base = BaseOf(name);
    if (base == 0 || !path.starts_with("/")) continue;
    table.emplace(base, path);
  }
  return table;
}

std::string ParPortNames::Resolve(uint16_t base, std::string_view tableText) {
  const auto table = ParseTable(tableText);
  if (const auto it = table.find(base); it != table.end()) return it->second;
  switch (base) {
    case 0x378:
      return "/dev/parport0";
    case 0x278:
      return "/dev/parport1";
    case 0x3BC:
      return "/dev/parport2";
    default:
      return {};
  }
}

}  // namespace qx::platform
