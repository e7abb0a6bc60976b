#pragma once

#include <string>

namespace qx::remote {

/// The four fields of `*IDN?`.
struct ScpiIdentity {
  std::string maker;
  std::string model;
  std::string serial;  ///< "0" when there is none to give
  std::string version;
};

/// What the common commands ask of the instrument behind a session.
class ScpiDevice {
 public:
  virtual ~ScpiDevice() = default;
  virtual ScpiIdentity Identity() = 0;
  /// `*TST?`: 0 when the instrument passes, else a code of the fault.
  virtual int SelfTest() = 0;
};

}  // namespace qx::remote
