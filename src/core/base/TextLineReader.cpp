#include "core/base/TextLineReader.h"

namespace qx::base {

TextLineReader::Result TextLineReader::Next(std::string_view& line) {
  if (AtEnd()) return Result::End;
  ++lineNumber_;
  size_t end = text_.find('\n', pos_);
  const size_t next = end == std::string_view::npos ? text_.size() : end + 1;
  if (end == std::string_view::npos) end = text_.size();
  std::string_view raw = text_.substr(pos_, end - pos_);
  pos_ = next;
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  if (raw.size() > maxLine_) return Result::TooLong;
  line = raw;
  return Result::Line;
}

}  // namespace qx::base
