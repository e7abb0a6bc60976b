#include "core/base/FileBytes.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>

namespace qx::base {
namespace {

FileRead Refused(FileRead::Status status, const std::string& name, std::string reason) {
  FileRead r;
  r.status = status;
  r.error = name + ": " + reason;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

FileRead ReadRegularFile(const std::filesystem::path& path, size_t limit) {
  FileRead r;
  const std::string name = path.string();
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  // A name that cannot even be looked up (a folder without search permission, a loop of links,
  // a name too long) is not a missing file: say why, so the user does not go looking for it.
  if (ec && status.type() != std::filesystem::file_type::not_found)
    return Refused(FileRead::Status::Unreadable, name, ec.message());
  if (!std::filesystem::exists(status))
    return Refused(FileRead::Status::Missing, name, "no such file");
  if (!std::filesystem::is_regular_file(status))
    return Refused(FileRead::Status::NotRegular, name, "not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refused(FileRead::Status::Unreadable, name, "cannot be opened");
  // Read in pieces up to one byte past the limit: that byte tells a file that is too large,
  // even one that grew since the check, and a small file costs no large buffer.
  constexpr size_t kPiece = 64 * 1024;
  while (r.bytes.size() <= limit) {
    const size_t at = r.bytes.size();
    const size_t want = std::min(kPiece, limit + 1 - at);
    r.bytes.resize(at + want);
    in.read(r.bytes.data() + at, static_cast<std::streamsize>(want));
    r.bytes.resize(at + static_cast<size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return Refused(FileRead::Status::Unreadable, name, "read error");
  if (r.bytes.size() > limit)
    return Refused(FileRead::Status::TooLarge, name,
                   "larger than " + std::to_string(limit) + " bytes, not read");
  r.status = FileRead::Status::Ok;
  return r;
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, size_t limit) {
  FileRead r = ReadRegularFile(path, limit);
  if (!r.Ok()) return std::nullopt;
  return std::move(r.bytes);
}

}  // namespace qx::base
