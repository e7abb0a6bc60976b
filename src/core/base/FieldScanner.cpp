#include "core/base/FieldScanner.h"

#include <charconv>

namespace qx::base {

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
}  // namespace

bool FieldScanner::AtEnd() {
  while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
  return pos_ >= line_.size();
}

bool FieldScanner::ReadInt(int64_t& value, int64_t min, int64_t max) {
  while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
  size_t end = pos_;
  while (end < line_.size() && !IsBlank(line_[end])) ++end;
  std::string_view token = line_.substr(pos_, end - pos_);
  pos_ = end;
  if (token.empty()) return false;
  if (token.front() == '+') token.remove_prefix(1);
  int64_t v = 0;
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (ec != std::errc() || ptr != token.data() + token.size()) return false;
  if (v < min || v > max) return false;
  value = v;
  return true;
}

}  // namespace qx::base
