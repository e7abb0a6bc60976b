#pragma once

#include <cstdint>
#include <string>

namespace qx::views {

/// The hex entry popup without its window: the digit pattern rule, the keys and keypad buttons,
/// and when the popup closes with or without a value.
class HexEntry {
 public:
  static constexpr int kDigitButtons = 16;
  static constexpr int kEnterButton = 16;
  static constexpr int kClearButton = 17;
  static constexpr int kCancelButton = 18;
  static constexpr int kButtonCount = 19;

  static constexpr char kEnter = '\r';
  static constexpr char kEscape = 0x1B;
  static constexpr char kBackspace = 0x08;

  /// Starts a request: empty text, not accepted, open.
  void Begin(std::string pattern);

  /// Appends an upper-case hex digit if the text is shorter than the pattern and the digit is
  /// not above the pattern's digit at that place.
  bool AppendDigit(char digit);
  /// A typed character. Returns true when the popup closes.
  bool Key(char c);
  /// A keypad button 0..18. Returns true when the popup closes.
  bool Button(int index);

  /// Top-left corner of a popup of `width` x `height` asked for at (`left`, `top`), moved back
  /// so that it lies on a screen of `screenWidth` x `screenHeight`.
  static void Place(int& left, int& top, int width, int height, int screenWidth, int screenHeight);

  /// Caption of keypad button `index`.
  static std::string ButtonCaption(int index);

  const std::string& Text() const { return text_; }
  const std::string& Pattern() const { return pattern_; }
  bool Accepted() const { return accepted_; }
  bool Closed() const { return closed_; }
  /// The entered value; meaningful when accepted.
  uint32_t Value() const;

 private:
  bool CloseIfFull();
  void Close(bool accepted);

  std::string pattern_;
  std::string text_;
  bool accepted_ = false;
  bool closed_ = false;
};

}  // namespace qx::views
