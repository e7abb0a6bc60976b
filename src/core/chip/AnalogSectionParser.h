#pragma once

#include <string>

#include "core/chip/ChipLine.h"
#include "core/chip/ChipModel.h"
#include "core/chip/NumberRegister.h"

namespace qx::chip {

/// Handles the data lines of the "#ADC0S", "#OP0S" and "#CMP0S" sections: fills the field
/// descriptors and records what the block panels must enable, list and caption.
/// Line layout: word 1 address, word 2 keyword, word 3 width, word 4 lsb, words 5.. settings.
class AnalogSectionParser {
 public:
  enum class Block { Adc, Op, Cmp };

  AnalogSectionParser(ChipModel& model, NumberRegister& number) : model_(model), number_(number) {}

  /// Applies one data line; a keyword the block does not know changes nothing.
  void Apply(Block block, const ChipLine& line);

 private:
  void ApplyAdc(const ChipLine& line, const std::string& key);
  void ApplyOp(const ChipLine& line, const std::string& key);
  void ApplyCmp(const ChipLine& line, const std::string& key);

  /// address := word 1, width := word 3, lsb := word 4, present := true.
  FieldDescriptor& Store(std::map<std::string, FieldDescriptor>& fields, const std::string& key,
                         const ChipLine& line);
  /// The selector option names: words 5 .. 4 + 2^width (missing words are empty).
  static std::vector<std::string> Options(const ChipLine& line, uint8_t width);
  /// Switch groups with on/off buttons per option ("OP0P", "OP0N", "CPIH", "CPIL").
  void SelectorButtons(FormState& form, const ChipLine& line, const std::string& prefix,
                       int options, const std::string& image, const std::string& label,
                       const std::string& list, bool missingIsAbsent, bool floatLabel);

  ChipModel& model_;
  NumberRegister& number_;
};

}  // namespace qx::chip
