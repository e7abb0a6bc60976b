// libFuzzer target: the hex entry popup driven by arbitrary keys and keypad buttons. The first
// byte gives the pattern's length and the next ones its digits; each later byte is a typed
// character, or with bit 7 set a keypad button (including indexes that are no button). The
// entered text never leaves the pattern, a closed popup stays closed and unchanged, and an
// accepted value is the text read as hexadecimal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/views/HexEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using qx::views::HexEntry;
  if (size == 0) return 0;
  const size_t patternLength = std::min<size_t>(data[0] % 10, size - 1);
  std::string pattern;
  for (size_t i = 1; i <= patternLength; ++i) pattern.push_back("0123456789ABCDEF"[data[i] % 16]);

  HexEntry entry;
  entry.Begin(pattern);
  for (size_t i = 1 + patternLength; i < size; ++i) {
    const bool wasClosed = entry.Closed();
    const std::string before = entry.Text();
    const bool closes =
        data[i] & 0x80 ? entry.Button((data[i] & 0x7F) - 4) : entry.Key(static_cast<char>(data[i]));
    if (closes != entry.Closed()) __builtin_trap();
    if (wasClosed && entry.Text() != before) __builtin_trap();
    const std::string& text = entry.Text();
    if (text.size() > pattern.size()) __builtin_trap();
    for (size_t k = 0; k < text.size(); ++k) {
      const char c = text[k];
      if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) || c > pattern[k]) __builtin_trap();
    }
    if (entry.Accepted() && (!entry.Closed() || text.empty())) __builtin_trap();
  }
  if (entry.Accepted()) {
    uint64_t value = 0;
    for (char c : entry.Text()) value = value * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
    if (entry.Value() != static_cast<uint32_t>(value)) __builtin_trap();
  }
  for (int index = -1; index <= HexEntry::kButtonCount; ++index) {
    const std::string caption = HexEntry::ButtonCaption(index);
    if ((index >= 0 && index < HexEntry::kButtonCount) == caption.empty()) __builtin_trap();
  }
  return 0;
}
