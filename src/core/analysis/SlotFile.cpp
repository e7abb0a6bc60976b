#include "core/analysis/SlotFile.h"

namespace qx::analysis {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

bool SlotFile::Parse(std::string_view text, std::vector<uint32_t>& slots, std::string& error) {
  slots.clear();
  size_t lineNo = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;
    uint32_t value = 0;
    bool ok = line.size() == 6;
    for (size_t i = 0; ok && i < line.size(); ++i) {
      const int d = HexDigit(line[i]);
      ok = d >= 0;
      value = value << 4 | static_cast<uint32_t>(d < 0 ? 0 : d);
    }
    if (!ok) {
      error = "line " + std::to_string(lineNo) + ": not six hexadecimal digits";
      return false;
    }
    if (slots.size() >= kMaxSlots) {
      error =
          "line " + std::to_string(lineNo) + ": more than " + std::to_string(kMaxSlots) + " slots";
      return false;
    }
    slots.push_back(value);
  }
  return true;
}

}  // namespace qx::analysis
