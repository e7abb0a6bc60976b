#include "platform/DurableFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/base/AtomicFile.h"

namespace qx::platform {

namespace {

namespace fs = std::filesystem;

constexpr int kNameTries = 16;

std::string Why(const std::string& what, const fs::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

}  // namespace

void DurableFiles::Install() {
  base::AtomicFile::Install({&DurableFiles::WriteTemp, &DurableFiles::Replace});
}

bool DurableFiles::WriteTemp(const fs::path& path, std::string_view bytes, fs::path& temp,
                             std::string& error) {
  int fd = -1;
  for (int i = 0; i < kNameTries && fd < 0; ++i) {
    temp = base::AtomicFile::UniqueTempPath(path);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = Why("cannot create", temp);
    return false;
  }
  bool ok = WriteAll(fd, bytes);
  if (!ok) error = Why("cannot write", temp);
  if (ok && ::fsync(fd) != 0) {
    error = Why("cannot sync", temp);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    error = Why("cannot write", temp);
    ok = false;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool DurableFiles::Replace(const fs::path& temp, const fs::path& path, std::string& error) {
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = Why("cannot replace", path);
    return false;
  }
  // The rename is an entry of the folder: it lasts once the folder is on disk.
  const fs::path folder = FolderOf(path);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    error = Why("cannot open the folder", folder);
    return false;
  }
  const bool synced = ::fsync(dir) == 0;
  if (!synced) error = Why("cannot sync the folder", folder);
  ::close(dir);
  return synced;
}

}  // namespace qx::platform
