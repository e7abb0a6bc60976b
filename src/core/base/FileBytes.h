#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace qx::base {

/// Size limit of a small settings file (configuration, placements, step settings).
inline constexpr size_t kSettingsFileLimit = size_t{1} << 20;

/// A whole file as read by ReadRegularFile.
struct FileRead {
  enum class Status { Ok, Missing, NotRegular, TooLarge, Unreadable };
  Status status = Status::Missing;
  std::string bytes;
  /// Why it was not read, naming the file (and the limit for a file too large).
  std::string error;
  /// The same without the file's name, for callers that name it themselves.
  std::string reason;
  bool Ok() const { return status == Status::Ok; }
};

/// Reads a whole regular file of at most `limit` bytes. Anything else (a folder, a device such
/// as /dev/zero, a pipe, a larger file) is refused without reading more than `limit` + 1 bytes,
/// so a wrong name never makes the program read without end.
FileRead ReadRegularFile(const std::filesystem::path& path, size_t limit);

/// The bytes of ReadRegularFile, or nothing when the file was not read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path,
                                         size_t limit = kSettingsFileLimit);

}  // namespace qx::base
