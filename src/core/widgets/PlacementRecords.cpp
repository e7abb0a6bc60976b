#include "core/widgets/PlacementRecords.h"

namespace qx::widgets {

const Placement* PlacementRecords::Find(const std::string& name) const {
  for (const Placement& p : records_)
    if (p.Name == name) return &p;
  return nullptr;
}

bool PlacementRecords::Store(const Placement& p) {
  for (Placement& r : records_) {
    if (r.Name == p.Name) {
      r = p;
      return true;
    }
  }
  if (records_.size() >= kMaxRecords) return false;
  records_.push_back(p);
  return true;
}

}  // namespace qx::widgets
