#include "core/base/AtomicFile.h"

#include <fstream>
#include <system_error>

namespace qx::base {

std::filesystem::path AtomicFile::TempPath(const std::filesystem::path& path) {
  std::filesystem::path tmp = path;
  tmp += ".tmp";
  return tmp;
}

bool AtomicFile::Write(const std::filesystem::path& path, std::string_view bytes,
                       std::string& error) {
  const std::filesystem::path tmp = TempPath(path);
  std::error_code ec;
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot create " + tmp.string();
      return false;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::filesystem::remove(tmp, ec);
      error = "cannot write " + tmp.string();
      return false;
    }
  }
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(tmp, ignored);
    error = "cannot replace " + path.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace qx::base
