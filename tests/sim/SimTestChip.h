#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/chip/ChipModel.h"
#include "sim/SimBridge.h"

namespace qx::sim::test {

/// A QX740x-like register layout: register 0 holds PGA (bits 0..2), ADGN (3..4) and FSRB (5);
/// register 1 holds OSR (0..2), HS (3) and IRQEN (4); register 2 holds TS (0).
inline chip::ChipModel Qx740xModel() {
  chip::ChipModel m;
  m.ModelName = "QX7401";
  auto field = [&m](const char* key, uint16_t address, uint8_t width, uint8_t lsb) {
    m.AdcFields[key] = chip::FieldDescriptor{address, width, lsb, 0, true};
  };
  field("PGA", 0, 3, 0);
  field("ADGN", 0, 2, 3);
  field("FSRB", 0, 1, 5);
  field("OSR", 1, 3, 0);
  field("HS", 1, 1, 3);
  field("IRQEN", 1, 1, 4);
  field("TS", 2, 1, 0);
  return m;
}

/// `prefix` followed by zeros up to the 64-byte reply size.
inline std::vector<uint8_t> Reply(std::initializer_list<uint8_t> prefix, size_t size = 64) {
  std::vector<uint8_t> r(prefix);
  r.resize(size, 0);
  return r;
}

inline std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> b) {
  return b;
}

}  // namespace qx::sim::test
