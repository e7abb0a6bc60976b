#pragma once

#include <filesystem>
#include <string>

#include "core/autotest/RunLock.h"

namespace qx::platform {

/// The run lock as an exclusive `flock` on a file in the program folder. The holder writes its
/// program, PID and start time into the file, for the refusal of the next run to name it.
class FlockRunLock final : public autotest::RunLock {
 public:
  explicit FlockRunLock(std::filesystem::path file) : file_(std::move(file)) {}
  ~FlockRunLock() override;
  FlockRunLock(const FlockRunLock&) = delete;
  FlockRunLock& operator=(const FlockRunLock&) = delete;

  bool TryLock(const std::string& program, std::string& refusal) override;

 private:
  std::filesystem::path file_;
  int fd_ = -1;
};

}  // namespace qx::platform
