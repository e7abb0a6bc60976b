#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qx::base {

/// Replaces a file as a whole: the bytes go to a temporary file beside it, which is then renamed
/// over the old one. A crash or a full disk leaves either the old file or the new one, never a
/// half-written mixture.
class AtomicFile {
 public:
  /// Writes `bytes` to `path`. On failure the old file is untouched, the temporary file is
  /// removed and `error` says why.
  static bool Write(const std::filesystem::path& path, std::string_view bytes, std::string& error);

  /// Name of the temporary file used for `path`.
  static std::filesystem::path TempPath(const std::filesystem::path& path);
};

}  // namespace qx::base
