#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qx::base {

/// Replaces a file as a whole: the bytes go to a new temporary file beside it, which is then
/// renamed over the old one. A crash or a full disk leaves either the old file or the new one,
/// never a half-written mixture. The temporary file has a name of its own for each write and is
/// created exclusively, so a link planted at a temporary name is never followed and two writers
/// of one file never write into each other's temporary file.
///
/// Making the bytes durable (sync the file before the rename, the folder after it) needs the
/// operating system: the platform layer installs steps that do it at start-up (see Install).
/// Without them the portable steps of the standard library run, which do everything but sync.
class AtomicFile {
 public:
  /// The two steps of a replacement.
  struct Steps {
    /// Creates a new temporary file beside `path`, writes `bytes` to it and makes them
    /// durable; `temp` is its name. On failure nothing is left behind and `error` says why.
    bool (*writeTemp)(const std::filesystem::path& path, std::string_view bytes,
                      std::filesystem::path& temp, std::string& error);
    /// Renames `temp` over `path` and makes the rename durable.
    bool (*replace)(const std::filesystem::path& temp, const std::filesystem::path& path,
                    std::string& error);
  };

  /// The steps every later write uses; a program installs them once, before its first write.
  static void Install(const Steps& steps);
  /// The standard library's steps: unique, exclusive temporary files, no sync.
  static const Steps& Portable();

  /// Writes `bytes` to `path`. On failure the old file is untouched, the temporary file is
  /// removed and `error` says why.
  static bool Write(const std::filesystem::path& path, std::string_view bytes, std::string& error);

  /// The two halves of Write, for callers that replace several files together: write every
  /// temporary file first, then replace them one after the other.
  static bool WriteTemp(const std::filesystem::path& path, std::string_view bytes,
                        std::filesystem::path& temp, std::string& error);
  /// Renames `temp` over `path`; on failure `temp` is removed.
  static bool Replace(const std::filesystem::path& temp, const std::filesystem::path& path,
                      std::string& error);

  /// A temporary name beside `path` that no earlier call returned: "<name>.tmp-<16 hex digits>".
  static std::filesystem::path UniqueTempPath(const std::filesystem::path& path);
};

}  // namespace qx::base
