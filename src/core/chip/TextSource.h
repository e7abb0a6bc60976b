#pragma once

#include <string>

namespace qx::chip {

/// Result of reading a whole file as bytes.
struct TextFile {
  enum class State { Ok, Missing, ReadError };
  State state = State::Missing;
  std::string bytes;
  std::string error;  ///< reason for ReadError
};

/// Where the chip loader reads its files from: the disk, or memory in tests and fuzzing.
class TextSource {
 public:
  virtual ~TextSource() = default;
  virtual TextFile Read(const std::string& path) = 0;
};

/// `folder` + `name`; backslashes in `name` (chip index files come from Windows) become "/".
inline std::string JoinPath(const std::string& folder, std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  if (folder.empty()) return name;
  const char last = folder.back();
  return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

}  // namespace qx::chip
