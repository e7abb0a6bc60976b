#pragma once

#include <string>
#include <vector>

#include "core/widgets/Placement.h"

namespace qx::widgets {

/// The remembered placements, at most 40, in the order they were first stored.
class PlacementRecords {
 public:
  static constexpr size_t kMaxRecords = 40;

  /// The record of `name`, or null.
  const Placement* Find(const std::string& name) const;
  /// Stores `p` over the record of the same name, or adds it while there is room. False when the
  /// table is full and the name is new: that window is not remembered.
  bool Store(const Placement& p);

  const std::vector<Placement>& Records() const { return records_; }
  size_t Size() const { return records_.size(); }
  void Clear() { records_.clear(); }

 private:
  std::vector<Placement> records_;
};

}  // namespace qx::widgets
