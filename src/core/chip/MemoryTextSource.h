#pragma once

#include <map>
#include <string>

#include "core/chip/TextSource.h"

namespace qx::chip {

/// Files held in memory by path, for tests, fuzzing and scripted checks.
class MemoryTextSource : public TextSource {
 public:
  void Set(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
  void Remove(const std::string& path) {
    files_.erase(path);
    errors_.erase(path);
  }
  void SetReadError(const std::string& path, std::string reason) {
    errors_[path] = std::move(reason);
  }

  TextFile Read(const std::string& path) override {
    TextFile out;
    if (auto e = errors_.find(path); e != errors_.end()) {
      out.state = TextFile::State::ReadError;
      out.error = e->second;
      return out;
    }
    auto it = files_.find(path);
    if (it == files_.end()) return out;
    out.state = TextFile::State::Ok;
    out.bytes = it->second;
    return out;
  }

 private:
  std::map<std::string, std::string> files_;
  std::map<std::string, std::string> errors_;
};

}  // namespace qx::chip
