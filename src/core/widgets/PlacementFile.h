#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/widgets/PlacementRecords.h"

namespace qx::widgets {

/// The window placement file beside the executable: "1.10", the record count, then per record
/// the window name and a line of six 5-character fields (left, top, width, height, state code,
/// visible flag).
class PlacementFile {
 public:
  static constexpr char kVersion[] = "1.10";
  static constexpr char kDefaultExtension[] = "wst";
  /// A few dozen windows take a few kilobytes; a larger file is not a placement file.
  static constexpr size_t kMaxBytes = 64 * 1024;

  /// The program file's path with its extension replaced by `extension` ("wst" when empty).
  static std::filesystem::path PathFor(const std::filesystem::path& programFile,
                                       std::string extension);

  static std::string Render(const PlacementRecords& table);
  /// Reads records into `table` (stored by name). Stops at the first line that cannot be read;
  /// records read before it stay. False when the text is not a placement file or ends early.
  static bool Parse(std::string_view text, PlacementRecords& table);

  static bool Save(const std::filesystem::path& path, const PlacementRecords& table,
                   std::string& error);
  /// False when the file is missing or cannot be read to its last record. A file that cannot be
  /// read at all (no regular file, larger than kMaxBytes) sets `problem`; a missing one does not.
  static bool Load(const std::filesystem::path& path, PlacementRecords& table,
                   std::string* problem = nullptr);
};

}  // namespace qx::widgets
