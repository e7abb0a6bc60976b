#include "core/remote/ScpiParser.h"

#include <charconv>

#include "core/remote/ScpiStatus.h"

namespace qx::remote {

namespace {

bool IsAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

class Cursor {
 public:
  explicit Cursor(std::string_view s) : s_(s) {}
  bool End() const { return i_ >= s_.size(); }
  char Peek(size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }
  void Skip(size_t n = 1) { i_ += n; }
  void SkipSpace() {
    while (!End() && IsSpace(Peek())) ++i_;
  }
  size_t Pos() const { return i_; }
  std::string_view From(size_t start) const { return s_.substr(start, i_ - start); }
  size_t Left() const { return s_.size() - i_; }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

std::string Mnemonic(Cursor& c) {
  const size_t start = c.Pos();
  if (!IsAlpha(c.Peek())) return {};
  while (IsAlpha(c.Peek()) || IsDigit(c.Peek()) || c.Peek() == '_') c.Skip();
  return std::string(c.From(start));
}

/// Reads the header; false on a syntax error.
bool Header(Cursor& c, ScpiUnit& unit, bool& rooted) {
  const size_t start = c.Pos();
  rooted = false;
  if (c.Peek() == '*') {
    c.Skip();
    const std::string name = Mnemonic(c);
    if (name.empty()) return false;
    unit.common = true;
    unit.nodes.push_back("*" + name);
  } else {
    if (c.Peek() == ':') {
      rooted = true;
      c.Skip();
    }
    while (true) {
      std::string name = Mnemonic(c);
      if (name.empty()) return false;
      unit.nodes.push_back(std::move(name));
      if (c.Peek() != ':') break;
      c.Skip();
    }
  }
  if (c.Peek() == '?') {
    unit.query = true;
    c.Skip();
  }
  unit.header = std::string(c.From(start));
  return true;
}

bool QuotedString(Cursor& c, ScpiParam& p) {
  const char quote = c.Peek();
  c.Skip();
  p.kind = ScpiParam::Kind::String;
  while (!c.End()) {
    const char ch = c.Peek();
    c.Skip();
    if (ch != quote) {
      p.text.push_back(ch);
    } else if (c.Peek() == quote) {
      p.text.push_back(quote);
      c.Skip();
    } else {
      return true;
    }
  }
  return false;
}

bool NonDecimal(Cursor& c, ScpiParam& p) {
  const char radixChar = static_cast<char>(c.Peek(1) & ~0x20);
  const int radix = radixChar == 'H' ? 16 : radixChar == 'Q' ? 8 : 2;
  c.Skip(2);
  double v = 0;
  int digits = 0;
  while (true) {
    const char ch = c.Peek();
    int d = -1;
    if (IsDigit(ch))
      d = ch - '0';
    else if (ch >= 'A' && ch <= 'F')
      d = ch - 'A' + 10;
    else if (ch >= 'a' && ch <= 'f')
      d = ch - 'a' + 10;
    if (d < 0 || d >= radix) break;
    v = v * radix + d;
    ++digits;
    c.Skip();
  }
  p.kind = ScpiParam::Kind::Number;
  p.value = v;
  return digits > 0;
}

bool Block(Cursor& c, ScpiParam& p) {
  c.Skip();  // '#'
  const int n = c.Peek() - '0';
  c.Skip();
  p.kind = ScpiParam::Kind::Block;
  if (n == 0) {  // indefinite length: the rest of the message
    const size_t start = c.Pos();
    c.Skip(c.Left());
    p.text = std::string(c.From(start));
    return true;
  }
  size_t length = 0;
  for (int i = 0; i < n; ++i) {
    if (!IsDigit(c.Peek())) return false;
    length = length * 10 + static_cast<size_t>(c.Peek() - '0');
    c.Skip();
  }
  if (length > c.Left()) return false;
  const size_t start = c.Pos();
  c.Skip(length);
  p.text = std::string(c.From(start));
  return true;
}

bool Decimal(Cursor& c, ScpiParam& p) {
  const size_t start = c.Pos();
  if (c.Peek() == '+' || c.Peek() == '-') c.Skip();
  int digits = 0;
  while (IsDigit(c.Peek())) c.Skip(), ++digits;
  if (c.Peek() == '.') {
    c.Skip();
    while (IsDigit(c.Peek())) c.Skip(), ++digits;
  }
  if (digits == 0) return false;
  // An exponent, unless the E begins a suffix such as "EX" (exa).
  if ((c.Peek() == 'e' || c.Peek() == 'E')) {
    size_t k = 1;
    if (c.Peek(k) == '+' || c.Peek(k) == '-') ++k;
    if (IsDigit(c.Peek(k))) {
      c.Skip(k);
      while (IsDigit(c.Peek())) c.Skip();
    }
  }
  std::string text(c.From(start));
  std::erase(text, ' ');
  if (text[0] == '+') text.erase(0, 1);
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  p.kind = ScpiParam::Kind::Number;
  p.value = v;
  p.text = std::move(text);
  // A suffix may follow after white space: "10 mV".
  c.SkipSpace();
  const size_t s = c.Pos();
  while (IsAlpha(c.Peek())) c.Skip();
  p.suffix = std::string(c.From(s));
  return true;
}

bool Param(Cursor& c, ScpiParam& p) {
  const char ch = c.Peek();
  if (ch == '"' || ch == '\'') return QuotedString(c, p);
  if (ch == '#') {
    const char next = static_cast<char>(c.Peek(1) & ~0x20);
    if (next == 'H' || next == 'Q' || next == 'B') return NonDecimal(c, p);
    if (IsDigit(c.Peek(1))) return Block(c, p);
    return false;
  }
  if (IsDigit(ch) || ch == '+' || ch == '-' || ch == '.') return Decimal(c, p);
  if (IsAlpha(ch)) {
    p.kind = ScpiParam::Kind::Word;
    p.text = Mnemonic(c);
    return true;
  }
  return false;
}

/// Reads the parameters up to the end of the unit; false on a syntax error.
bool Params(Cursor& c, ScpiUnit& unit) {
  while (true) {
    c.SkipSpace();
    ScpiParam p;
    if (!Param(c, p)) return false;
    unit.params.push_back(std::move(p));
    c.SkipSpace();
    if (c.End() || c.Peek() == ';') return true;
    if (c.Peek() != ',') return false;
    c.Skip();
  }
}

}  // namespace

std::vector<ScpiUnit> ParseScpiMessage(std::string_view message) {
  std::vector<ScpiUnit> units;
  std::vector<std::string> path;
  Cursor c(message);
  c.SkipSpace();
  if (c.End()) return units;
  while (true) {
    ScpiUnit unit;
    c.SkipSpace();
    bool rooted = false;
    bool ok = Header(c, unit, rooted);
    if (ok) {
      if (IsSpace(c.Peek())) {
        c.SkipSpace();
        if (!c.End() && c.Peek() != ';') ok = Params(c, unit);
      } else if (!c.End() && c.Peek() != ';') {
        ok = false;
      }
    }
    if (!ok) {
      ScpiUnit bad;
      bad.error = error::kSyntax;
      units.push_back(std::move(bad));
      return units;
    }
    if (!unit.common) {
      if (!rooted) unit.nodes.insert(unit.nodes.begin(), path.begin(), path.end());
      path.assign(unit.nodes.begin(), unit.nodes.end() - 1);
    }
    units.push_back(std::move(unit));
    if (c.End()) return units;
    c.Skip();  // ';'
  }
}

}  // namespace qx::remote
