#pragma once

#include <cstdint>
#include <string>

namespace qx::link {

/// Result codes of the driver service steps (the system's error numbers).
namespace service {
inline constexpr int kOk = 0;
inline constexpr int kStartFailed = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kInvalidName = 123;
inline constexpr int kAlreadyRunning = 1056;
inline constexpr int kDoesNotExist = 1060;

inline constexpr const char* kName = "QxParallel";
inline constexpr const char* kDriverFile = "QxParallel.sys";
inline constexpr const char* kBinaryPath = "System32\\Drivers\\QxParallel.sys";
/// The system folder name is cut to this many characters before "\Drivers\" is added.
inline constexpr size_t kSystemFolderLimit = 54;
}  // namespace service

/// A kernel driver service: started on demand, normal error control.
struct ServiceDefinition {
  std::string name;
  std::string displayName;
  std::string binaryPath;
};

/// What installing and starting the parallel-port driver asks of the system.
class DriverServices {
 public:
  virtual ~DriverServices() = default;

  /// Bits 0..7 major version, 8..15 minor; bit 31 set outside the NT family.
  virtual uint32_t Version() = 0;
  virtual std::string SystemDirectory() = 0;
  /// Copies, overwriting the target.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  /// Opens the service manager and the service `name`, full access: 0 or the error code.
  virtual int OpenService(const std::string& name) = 0;
  /// Creates the service (and leaves it open); false when the system refused.
  virtual bool CreateService(const ServiceDefinition& service) = 0;
  /// Starts the open service: 0 or the error code.
  virtual int StartService() = 0;
  virtual void CloseService() = 0;
};

}  // namespace qx::link
