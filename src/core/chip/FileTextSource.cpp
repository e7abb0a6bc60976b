#include "core/chip/FileTextSource.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/base/FileBytes.h"

namespace qx::chip {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return s;
}

// The exact path when it exists, else a case-insensitive match of the file name in its folder.
fs::path Resolve(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string want = Lower(path.filename().string());
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (Lower(it->path().filename().string()) == want) return it->path();
  }
  return {};
}

}  // namespace

TextFile FileTextSource::Read(const std::string& path) {
  TextFile out;
  const fs::path p = Resolve(fs::path(path));
  if (p.empty()) {
    out.state = TextFile::State::Missing;
    return out;
  }
  base::FileRead file = base::ReadRegularFile(p, kMaxBytes);
  switch (file.status) {
    case base::FileRead::Status::Ok:
      out.state = TextFile::State::Ok;
      out.bytes = std::move(file.bytes);
      break;
    case base::FileRead::Status::Missing:
    case base::FileRead::Status::NotRegular:
      // A folder or a device of that name is no chip file: the loader says the file is missing.
      out.state = TextFile::State::Missing;
      break;
    case base::FileRead::Status::TooLarge:
    case base::FileRead::Status::Unreadable:
      out.state = TextFile::State::ReadError;
      out.error = file.reason;
      break;
  }
  return out;
}

}  // namespace qx::chip
