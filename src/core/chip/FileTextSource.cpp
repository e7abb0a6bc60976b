#include "core/chip/FileTextSource.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

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
  std::error_code ec;
  if (p.empty() || !fs::is_regular_file(p, ec)) {
    out.state = TextFile::State::Missing;
    return out;
  }
  const auto size = fs::file_size(p, ec);
  if (ec) {
    out.state = TextFile::State::ReadError;
    out.error = ec.message();
    return out;
  }
  if (size > kMaxBytes) {
    out.state = TextFile::State::ReadError;
    out.error = "file too large (" + std::to_string(size) + " bytes)";
    return out;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    out.state = TextFile::State::ReadError;
    out.error = "cannot open";
    return out;
  }
  out.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    out.state = TextFile::State::ReadError;
    out.error = "read failed";
    out.bytes.clear();
    return out;
  }
  out.state = TextFile::State::Ok;
  return out;
}

}  // namespace qx::chip
