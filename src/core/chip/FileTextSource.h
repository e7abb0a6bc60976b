#pragma once

#include <cstddef>

#include "core/chip/TextSource.h"

namespace qx::chip {

/// Reads files from disk. A missing name is looked up case-insensitively in its folder, since
/// chip index files name their chip files in upper case and were written on a case-blind
/// file system.
class FileTextSource : public TextSource {
 public:
  /// Chip files are a few kilobytes; anything far larger is not one and is refused.
  static constexpr std::size_t kMaxBytes = 16u * 1024u * 1024u;

  TextFile Read(const std::string& path) override;
};

}  // namespace qx::chip
