#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/chip/FieldDescriptor.h"
#include "core/link/TargetAccess.h"

namespace qx::panels {

/// Reads and writes the register fields of one analog block through the register image. A
/// write is a read-modify-write of the image byte sent with WriteReg, which stores the read-back
/// and lets every view refresh. Fields the chip does not declare are never written.
class FieldAccess {
 public:
  FieldAccess(link::TargetAccess& access, std::map<std::string, chip::FieldDescriptor>& fields)
      : access_(access), fields_(fields) {}

  /// The field is declared with at least one bit.
  bool Usable(const std::string& key) const;
  /// Largest value the field can hold (0 for a field that is not usable).
  int MaxValue(const std::string& key) const;
  /// The field's current value as last stored.
  uint8_t Value(const std::string& key) const;
  /// Sets the current value without touching the target (form creation).
  void SetValue(const std::string& key, uint8_t value);
  /// Extracts the field from the register image byte and stores it as the current value.
  uint8_t Refresh(const std::string& key);
  /// Writes `value` into the field; false (nothing sent) when the field is not usable or the
  /// value does not fit its width.
  bool Write(const std::string& key, int value);
  /// A list choice: written when the field can hold it, then `written` runs; otherwise it is
  /// refused and `refused` runs, so the list can show the current setting again.
  template <class Written, class Refused>
  void Choose(const std::string& key, int value, Written written, Refused refused) {
    if (Write(key, value))
      written();
    else
      refused();
  }

 private:
  const chip::FieldDescriptor* Find(const std::string& key) const;

  link::TargetAccess& access_;
  std::map<std::string, chip::FieldDescriptor>& fields_;
};

}  // namespace qx::panels
