#pragma once

#include <cstdint>
#include <string_view>

namespace qx::link {

/// What the link asks of the loaded chip and nothing more: the model name, which picks the frame
/// layout of link kind 2, and the register that holds an ADC field. The chip layer implements
/// it over its description, so the link never includes the chip model.
class TargetChip {
 public:
  virtual ~TargetChip() = default;
  /// Text name of the chip model, for example "7R402"; empty before a chip is loaded.
  virtual std::string_view ModelName() const = 0;
  /// Register holding the ADC field `key` ("IRQEN", "TS"); 0 when the chip names no such field.
  virtual uint16_t AdcFieldRegister(std::string_view key) const = 0;

 protected:
  TargetChip() = default;
  TargetChip(const TargetChip&) = default;
  TargetChip& operator=(const TargetChip&) = default;
};

}  // namespace qx::link
