#pragma once

#include <cstddef>
#include <string_view>

namespace qx::base {

/// Splits the bytes of a settings file into lines. Lines end with CR LF; a bare LF or the end of
/// the text also ends a line, so files edited on other systems still read. A line longer than the
/// limit is reported instead of returned, so garbage cannot grow a field without bound.
class TextLineReader {
 public:
  enum class Result { Line, End, TooLong };

  explicit TextLineReader(std::string_view text, size_t maxLineLength = kDefaultMaxLine)
      : text_(text), maxLine_(maxLineLength) {}

  static constexpr size_t kDefaultMaxLine = 1024;

  /// The next line without its line end. `TooLong` still advances past the line.
  Result Next(std::string_view& line);
  /// True when no byte is left: the end-of-file test of a section-by-section reader.
  bool AtEnd() const { return pos_ >= text_.size(); }
  /// 1-based number of the line last returned (or rejected).
  int LineNumber() const { return lineNumber_; }

 private:
  std::string_view text_;
  size_t maxLine_;
  size_t pos_ = 0;
  int lineNumber_ = 0;
};

}  // namespace qx::base
