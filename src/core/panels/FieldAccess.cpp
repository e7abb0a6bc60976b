#include "core/panels/FieldAccess.h"

namespace qx::panels {

const chip::FieldDescriptor* FieldAccess::Find(const std::string& key) const {
  const auto it = fields_.find(key);
  return it == fields_.end() || !it->second.present ? nullptr : &it->second;
}

bool FieldAccess::Usable(const std::string& key) const {
  const chip::FieldDescriptor* f = Find(key);
  return f && f->width > 0 && f->lsb < 8;
}

int FieldAccess::MaxValue(const std::string& key) const {
  if (!Usable(key)) return 0;
  const chip::FieldDescriptor& f = *Find(key);
  const int bits = f.width + f.lsb > 8 ? 8 - f.lsb : f.width;
  return (1 << bits) - 1;
}

uint8_t FieldAccess::Value(const std::string& key) const {
  const auto it = fields_.find(key);
  return it == fields_.end() ? 0 : it->second.value;
}

void FieldAccess::SetValue(const std::string& key, uint8_t value) {
  // Only declared fields carry a descriptor; the others read as 0 anyway.
  const auto it = fields_.find(key);
  if (it != fields_.end()) it->second.value = value;
}

uint8_t FieldAccess::Refresh(const std::string& key) {
  const auto it = fields_.find(key);
  if (it == fields_.end()) return 0;
  chip::FieldDescriptor& f = it->second;
  f.value = f.Extract(access_.GetRegImage(f.address));
  return f.value;
}

bool FieldAccess::Write(const std::string& key, int value) {
  if (!Usable(key) || value < 0 || value > MaxValue(key)) return false;
  const chip::FieldDescriptor& f = *Find(key);
  const uint8_t byte = f.Insert(access_.GetRegImage(f.address), static_cast<uint8_t>(value));
  access_.WriteReg(f.address, byte);
  return true;
}

}  // namespace qx::panels
