// Checks the number parser and the tokeniser against their invariants on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/chip/ChipLine.h"
#include "core/chip/TextConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  int32_t value = 12345;
  if (!qx::chip::ParseNumber(text, value) && value != 12345) __builtin_trap();
  (void)qx::chip::DecimalValue(text);
  (void)qx::chip::HexValue(text);
  (void)qx::chip::BinaryValue(text);
  if (qx::chip::HexText(static_cast<uint32_t>(value), 2).size() > 4) __builtin_trap();
  if (qx::chip::DecText(static_cast<uint32_t>(value), 0).size() > 5) __builtin_trap();
  if (qx::chip::HexTextShort(static_cast<uint32_t>(value)).size() > 8) __builtin_trap();

  const qx::chip::ChipLine line = qx::chip::MakeChipLine(text);
  if (line.text.size() > qx::chip::ChipLine::kMaxText) __builtin_trap();
  const int words = qx::chip::WordCount(line);
  if (words < 0 || words > qx::chip::ChipLine::kMaxWords) __builtin_trap();
  for (int n = 1; n <= words; ++n) {
    const std::string w = qx::chip::Word(line, n);
    if (w.empty() || w.find(' ') != std::string::npos || w.find('\t') != std::string::npos ||
        w.find(';') != std::string::npos || w.find('"') != std::string::npos) {
      __builtin_trap();
    }
  }
  for (int slot = -1; slot <= 40; ++slot) (void)qx::chip::GetToken(line, slot);
  (void)qx::chip::IsPseudo(qx::chip::Word(line, 1));
  return 0;
}
