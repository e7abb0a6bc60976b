#include "core/views/HexEntry.h"

#include "core/chip/TextConvert.h"

namespace qx::views {

namespace {
bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
}  // namespace

void HexEntry::Begin(std::string pattern) {
  pattern_ = std::move(pattern);
  text_.clear();
  accepted_ = false;
  closed_ = false;
}

bool HexEntry::AppendDigit(char digit) {
  if (closed_ || !IsHexDigit(digit) || text_.size() >= pattern_.size()) return false;
  // ASCII puts "0".."9" below "A".."F", which is the order the limit needs.
  if (digit > pattern_[text_.size()]) return false;
  text_.push_back(digit);
  return true;
}

bool HexEntry::Key(char c) {
  if (closed_) return true;
  if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  if (c == kEnter) {
    Close(!text_.empty());
    return true;
  }
  if (c == kEscape) {
    Close(false);
    return true;
  }
  if (c == kBackspace) {
    if (!text_.empty()) text_.pop_back();
    return false;
  }
  if (!IsHexDigit(c)) return false;
  AppendDigit(c);
  return CloseIfFull();
}

bool HexEntry::Button(int index) {
  if (closed_) return true;
  if (index == kCancelButton) {
    Close(false);
    return true;
  }
  if (index == kClearButton) {
    text_.clear();
  } else if (index == kEnterButton) {
    Close(!text_.empty());
    return true;
  } else if (index >= 0 && index < kDigitButtons) {
    AppendDigit(chip::HexText(static_cast<uint32_t>(index), 1)[0]);
  }
  return CloseIfFull();
}

std::string HexEntry::ButtonCaption(int index) {
  if (index >= 0 && index < kDigitButtons) return chip::HexText(static_cast<uint32_t>(index), 1);
  if (index == kEnterButton) return "Enter";
  if (index == kClearButton) return "Clear";
  if (index == kCancelButton) return "Cancel";
  return {};
}

void HexEntry::Place(int& left, int& top, int width, int height, int screenWidth,
                     int screenHeight) {
  if (left + width > screenWidth) left = screenWidth - width;
  if (top + height > screenHeight) top = screenHeight - height;
}

uint32_t HexEntry::Value() const {
  return static_cast<uint32_t>(chip::HexValue(text_));
}

bool HexEntry::CloseIfFull() {
  if (!pattern_.empty() && text_.size() == pattern_.size()) {
    Close(true);
    return true;
  }
  return false;
}

void HexEntry::Close(bool accepted) {
  accepted_ = accepted;
  closed_ = true;
}

}  // namespace qx::views
