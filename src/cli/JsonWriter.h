#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qx::cli {

/// Builds one compact JSON text. Strings must be UTF-8; control characters are escaped.
class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view text);
  JsonWriter& Int(long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  /// Full double precision; NaN and infinities, which JSON cannot carry, become null.
  JsonWriter& Double(double value);

  const std::string& Text() const { return text_; }

 private:
  void Separate();

  std::string text_;
  std::vector<bool> first_;  ///< per open object or array: nothing written in it yet
  bool afterKey_ = false;
};

}  // namespace qx::cli
