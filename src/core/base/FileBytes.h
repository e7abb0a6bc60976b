#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace qx::base {

/// Reads at most `limit` bytes of a small settings file; nullopt when it cannot be opened. The
/// limit keeps a wrong file (a large binary picked by mistake) from being read whole.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, size_t limit = 1 << 20);

}  // namespace qx::base
