#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/base/SerialPort.h"

namespace qx::platform {

/// Opens serial ports by bench name ("COM3", or a device path) through `ComPortNames`.
class PosixSerialPortProvider : public base::SerialPortProvider {
 public:
  /// `programDir` holds the optional ComPorts.txt; it is read at every open, so an edit takes
  /// effect without a restart.
  explicit PosixSerialPortProvider(std::string programDir);

  std::unique_ptr<base::SerialPort> Open(const std::string& name) override;
  std::string LastOpenError() const override { return lastError_; }

  /// The words for an open of `path` that failed with `error` (an errno value).
  static std::string OpenFailure(const std::string& path, int error);

  /// Where a ComPorts.txt that cannot be used is reported (the panel's status bar); the caller
  /// only sees a port that did not open. Without one the reason goes to stderr.
  void OnProblem(std::function<void(const std::string&)> report) { report_ = std::move(report); }

 private:
  std::string programDir_;
  std::function<void(const std::string&)> report_;
  std::string lastError_;
};

}  // namespace qx::platform
