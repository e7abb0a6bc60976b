#pragma once

#include <map>
#include <string>

#include "core/chip/FieldDescriptor.h"

namespace qx::chip {

/// What the loaded chip description says about the chip. Descriptors are kept across loads.
struct ChipModel {
  /// Text name of the chip model, for example "7R402"; selects the link kind 2 frame layout.
  std::string ModelName;

  /// Field descriptors of the analog blocks, keyed by their keyword ("PGA", "IRQEN", ...).
  std::map<std::string, FieldDescriptor> AdcFields;
  std::map<std::string, FieldDescriptor> OpFields;
  std::map<std::string, FieldDescriptor> CmpFields;

  /// Descriptor of an ADC field; an absent one reads as not present at address 0.
  FieldDescriptor& AdcField(const std::string& key) { return AdcFields[key]; }
};

}  // namespace qx::chip
