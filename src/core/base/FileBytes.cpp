#include "core/base/FileBytes.h"

#include <fstream>

namespace qx::base {

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(limit, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

}  // namespace qx::base
