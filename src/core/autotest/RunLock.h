#pragma once

#include <string>

namespace qx::autotest {

/// File name of the lock beside the run journal that keeps one temperature run at a time in a
/// program folder.
inline constexpr char kRunLockFile[] = "QxRuns.lock";

/// The run lock of a program folder: held for the whole of a temperature run, so a second run
/// in the same folder is refused instead of writing into the first one's files. The operating
/// system drops it when the holding process ends, however it ends, so a killed run leaves no
/// stale lock. Released when the object goes.
class RunLock {
 public:
  virtual ~RunLock() = default;
  /// Takes the lock for `program` (the front end's name). False when another run holds it or
  /// the lock file cannot be used, with `refusal` saying so: the holder's program, PID and
  /// since when, or the file and the reason.
  virtual bool TryLock(const std::string& program, std::string& refusal) = 0;
};

}  // namespace qx::autotest
