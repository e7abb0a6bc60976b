#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qx::platform {

/// Maps the bench's port names ("COM3") to device paths. `ComPorts.txt` in the program folder
/// lists the exceptions, one "COMn /dev/path" per line; a port it does not list is
/// /dev/ttyS(n-1). A name that starts with "/" is already a path.
class ComPortNames {
 public:
  static constexpr const char* kTableFile = "ComPorts.txt";
  static constexpr int kMaxPort = 99;
  /// The table is a few lines; a larger file is not a port table.
  static constexpr size_t kMaxTableBytes = 64 * 1024;

  /// n of "COMn" (1..99, any case, also with the "\\.\" device prefix).
  static std::optional<int> PortNumber(std::string_view name);

  /// Port number -> path. Blank lines, "#" comments and lines that are not exactly a port name
  /// and an absolute path are skipped; the first line for a port wins.
  static std::map<int, std::string> ParseTable(std::string_view text);

  /// Device path of `name` with the given table text; empty when the name is no port name.
  static std::string Resolve(std::string_view name, std::string_view tableText);

  /// The same with the table read from `programDir`; a missing file is an empty table. A table
  /// that is no regular file or is larger than kMaxTableBytes resolves nothing, with the
  /// reason in `problem`.
  static std::string ResolveInDir(std::string_view name, const std::string& programDir,
                                  std::string* problem = nullptr);
};

}  // namespace qx::platform
