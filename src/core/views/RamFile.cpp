#include "core/views/RamFile.h"

#include <charconv>

#include "core/chip/TextConvert.h"

namespace qx::views {

namespace {
constexpr uint32_t kMaxColour = 0xFFFFFF;

/// Splits text into lines at LF, dropping a CR before it; a last line without LF counts.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const size_t end = text_.find('\n', pos_);
    const size_t stop = end == std::string_view::npos ? text_.size() : end;
    line = text_.substr(pos_, stop - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = stop + 1;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ParseByte(std::string_view s, uint8_t& out) {
  s = Trim(s);
  if (s == "-") {
    out = 0;
    return true;
  }
  if (s.empty() || s.size() > 2) return false;
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
  }
  out = static_cast<uint8_t>(chip::HexValue(s));
  return true;
}

bool ParseInt(std::string_view s, long long& out) {
  s = Trim(s);
  if (s.empty()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseFlags(std::string_view s, bool& mark, bool& hint) {
  s = Trim(s);
  const size_t gap = s.find_first_of(" \t");
  if (gap == std::string_view::npos) return false;
  long long m = 0, h = 0;
  if (!ParseInt(s.substr(0, gap), m) || !ParseInt(s.substr(gap), h)) return false;
  mark = m == 1;
  hint = h == 1;
  return true;
}

std::string At(int line) {
  return "line " + std::to_string(line) + ": ";
}
}  // namespace

std::string RamFile::Render(const TargetPort& port, const chip::ChipModel& chip,
                            const RamMarks& marks) {
  std::string out;
  out.reserve(kCells * 24);
  for (int a = 0; a < kCells; ++a) {
    out += chip.ValidAt(a) != 0 ? chip::HexText(port.Get(a), 2) : "-";
    out += "\r\n";
  }
  char flags[8];
  for (int a = 0; a < kCells; ++a) {
    const RamCellMarks& m = marks[static_cast<size_t>(a)];
    flags[0] = ' ';
    flags[1] = m.mark ? '1' : '0';
    flags[2] = ' ';
    flags[3] = m.hint ? '1' : '0';
    out.append(flags, 4);
    out += "\r\n";
    out += std::to_string(m.colour);
    out += "\r\n";
    out += m.hintText;
    out += "\r\n";
  }
  return out;
}

RamFile::Contents RamFile::Parse(std::string_view text) {
  Contents c;
  Lines lines(text);
  std::string_view line;
  auto missing = [&c, &lines](const std::string& what) {
    c.error = "the file ends after line " + std::to_string(lines.Number()) + "; " + what +
              " is missing (a RAM file has " + std::to_string(kLines) + " lines)";
  };
  for (int a = 0; a < kCells; ++a) {
    if (!lines.Next(line)) {
      missing("the value of address " + std::to_string(a));
      return c;
    }
    if (!ParseByte(line, c.value[static_cast<size_t>(a)])) {
      c.error = At(lines.Number()) + "\"" + std::string(line.substr(0, 32)) +
                "\" is not a hexadecimal byte or \"-\"";
      return c;
    }
    c.values = a + 1;
  }
  for (int a = 0; a < kCells; ++a) {
    RamCellMarks& m = c.marks[static_cast<size_t>(a)];
    if (!lines.Next(line)) {
      missing("a mark and hint line");
      return c;
    }
    if (!ParseFlags(line, m.mark, m.hint)) {
      c.error = At(lines.Number()) + "expected the mark and hint flags (two numbers)";
      return c;
    }
    if (!lines.Next(line)) {
      missing("a colour line");
      return c;
    }
    long long colour = 0;
    if (!ParseInt(line, colour) || colour < 0 || colour > kMaxColour) {
      c.error = At(lines.Number()) + "bad colour number (0 to 16777215 expected)";
      return c;
    }
    m.colour = static_cast<uint32_t>(colour);
    if (!lines.Next(line)) {
      missing("a hint text line");
      return c;
    }
    m.hintText.assign(line);
    c.groups = a + 1;
  }
  return c;
}

}  // namespace qx::views
