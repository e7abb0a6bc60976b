#include "core/base/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

namespace qx::base {

namespace {

namespace fs = std::filesystem;

/// Tries of fresh names before a folder full of collisions counts as an error.
constexpr int kNameTries = 16;

bool PortableWriteTemp(const fs::path& path, std::string_view bytes, fs::path& temp,
                       std::string& error) {
  std::FILE* file = nullptr;
  for (int i = 0; i < kNameTries && !file; ++i) {
    temp = AtomicFile::UniqueTempPath(path);
    // "x": created exclusively, so an existing file or link at the name is never opened.
    file = std::fopen(temp.c_str(), "wbx");
    if (!file && errno != EEXIST) break;
  }
  if (!file) {
    error = "cannot create " + temp.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    error = "cannot write " + temp.string();
    return false;
  }
  return true;
}

bool PortableReplace(const fs::path& temp, const fs::path& path, std::string& error) {
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (!ec) return true;
  error = "cannot replace " + path.string() + ": " + ec.message();
  return false;
}

constexpr AtomicFile::Steps kPortable{PortableWriteTemp, PortableReplace};

// Set once at start-up, before any write; read by every write after it.
AtomicFile::Steps g_steps = kPortable;

}  // namespace

void AtomicFile::Install(const Steps& steps) {
  g_steps = steps;
}

const AtomicFile::Steps& AtomicFile::Portable() {
  return kPortable;
}

fs::path AtomicFile::UniqueTempPath(const fs::path& path) {
  // A random start per process and a counter: unique within the process, and two processes
  // writing the same file start far apart (the exclusive create settles the rest).
  static const uint64_t seed = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
  static std::atomic<uint64_t> counter{0};
  const uint64_t n = std::mt19937_64(seed + counter.fetch_add(1))();
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".tmp-%016llx", static_cast<unsigned long long>(n));
  fs::path temp = path;
  temp += suffix;
  return temp;
}

bool AtomicFile::WriteTemp(const fs::path& path, std::string_view bytes, fs::path& temp,
                           std::string& error) {
  return g_steps.writeTemp(path, bytes, temp, error);
}

bool AtomicFile::Replace(const fs::path& temp, const fs::path& path, std::string& error) {
  if (g_steps.replace(temp, path, error)) return true;
  std::error_code ignored;
  fs::remove(temp, ignored);
  return false;
}

bool AtomicFile::Write(const fs::path& path, std::string_view bytes, std::string& error) {
  fs::path temp;
  return WriteTemp(path, bytes, temp, error) && Replace(temp, path, error);
}

}  // namespace qx::base
