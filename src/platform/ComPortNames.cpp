#include "platform/ComPortNames.h"

#include <cctype>
#include <vector>

#include "core/base/FileBytes.h"

namespace qx::platform {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

}  // namespace

std::optional<int> ComPortNames::PortNumber(std::string_view name) {
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  if (name.size() < 4 || name.size() > 5) return std::nullopt;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return std::nullopt;
  }
  std::string_view digits = name.substr(3);
  if (digits[0] == '0') return std::nullopt;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kMaxPort) return std::nullopt;
  return n;
}

std::map<int, std::string> ComPortNames::ParseTable(std::string_view text) {
  std::map<int, std::string> table;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> tokens = Tokens(text.substr(pos, end - pos));
    pos = end + 1;
    if (tokens.size() != 2 || tokens[0].starts_with('#')) continue;
    const std::optional<int> n = PortNumber(tokens[0]);
    if (!n || !tokens[1].starts_with('/')) continue;
    table.emplace(*n, std::string(tokens[1]));
  }
  return table;
}

std::string ComPortNames::Resolve(std::string_view name, std::string_view tableText) {
  if (name.starts_with('/')) return std::string(name);
  const std::optional<int> n = PortNumber(name);
  if (!n) return {};
  const std::map<int, std::string> table = ParseTable(tableText);
  if (auto it = table.find(*n); it != table.end()) return it->second;
  return "/dev/ttyS" + std::to_string(*n - 1);
}

std::string ComPortNames::ResolveInDir(std::string_view name, const std::string& programDir,
                                       std::string* problem) {
  std::string path = programDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += kTableFile;
  const base::FileRead table = base::ReadRegularFile(path, kMaxTableBytes);
  if (!table.Ok() && table.status != base::FileRead::Status::Missing) {
    if (problem) *problem = table.error;
    return {};
  }
  return Resolve(name, table.bytes);
}

}  // namespace qx::platform
