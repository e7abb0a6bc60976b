#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qx::platform {

/// The POSIX steps of an atomic file replacement: the temporary file is created with
/// O_CREAT | O_EXCL | O_NOFOLLOW, written and fsync'ed before the rename; the folder is
/// fsync'ed after it, so the new name survives a power loss.
class DurableFiles {
 public:
  /// Makes every base::AtomicFile write of this process durable. qxctl, qxpanel and the test
  /// programs that link platform call it at start-up.
  static void Install();

  static bool WriteTemp(const std::filesystem::path& path, std::string_view bytes,
                        std::filesystem::path& temp, std::string& error);
  static bool Replace(const std::filesystem::path& temp, const std::filesystem::path& path,
                      std::string& error);
};

}  // namespace qx::platform
