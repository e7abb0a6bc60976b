#pragma once

#include <string>

#include "core/app/CrashReport.h"

namespace qx::platform {

/// Leaves the panel's crash report in the program folder when the process dies of a fatal
/// signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT), then lets the signal end the process as it
/// would have. The handler writes only bytes prepared beforehand, on its own stack.
class CrashSignals {
 public:
  /// `report` must live until the process ends; `path` is where the report goes.
  static void Install(const app::CrashReport& report, const std::string& path);
  /// The same report for a cause that is not a signal (an uncaught exception).
  static void WriteNow(const std::string& cause);

  /// A report left by the last session is moved to `seenPath` and that path returned; empty
  /// when there was none. One that cannot be moved stays, its own path returned and the cause
  /// in `problem`.
  static std::string TakePrevious(const std::string& path, const std::string& seenPath,
                                  std::string& problem);
};

}  // namespace qx::platform
