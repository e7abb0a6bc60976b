#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/widgets/LcdCaption.h"

namespace qx::widgets {

/// Properties of the seven-segment display control and the segment code of each cell. The
/// widget repaints whenever a setter returns true.
class LcdArrayModel {
 public:
  static constexpr uint32_t kBlue = 0x0000FF;
  static constexpr uint32_t kBlack = 0x000000;
  static constexpr int kCreatedWidth = 40;
  static constexpr int kCreatedHeight = 60;

  LcdArrayModel() { Encode(); }

  uint32_t OnColor() const { return onColor_; }
  uint32_t OffColor() const { return offColor_; }
  uint32_t BackColor() const { return backColor_; }
  int SegWidth() const { return segWidth_; }
  int Margin() const { return margin_; }
  int Digit() const { return digit_; }
  int DotCount() const { return dotCount_; }
  bool LeftZero() const { return leftZero_; }
  const std::string& Caption() const { return caption_; }
  const std::vector<uint8_t>& Codes() const { return codes_; }

  bool SetOnColor(uint32_t c) { return Assign(onColor_, c); }
  bool SetOffColor(uint32_t c) { return Assign(offColor_, c); }
  bool SetBackColor(uint32_t c) { return Assign(backColor_, c); }
  bool SetSegWidth(int v) { return Assign(segWidth_, v); }
  bool SetMargin(int v) { return Assign(margin_, v); }
  bool SetDotCount(int v) { return Assign(dotCount_, v); }
  /// A count above 10 (or below 1) is ignored.
  bool SetDigit(int v);
  /// Re-encodes the caption in the mode LeftZero selects.
  bool SetCaption(const std::string& text);
  /// Stored only; the next caption uses it.
  void SetLeftZero(bool v) { leftZero_ = v; }
  /// Cell that carries the decimal point, or -1 when DotCount is 0 or leaves no cell.
  int PointCell() const;

 private:
  template <typename T>
  static bool Assign(T& field, T value) {
    field = value;
    return true;
  }
  void Encode();

  uint32_t onColor_ = kBlue;
  uint32_t offColor_ = kBlack;
  uint32_t backColor_ = kBlack;
  int segWidth_ = 6;
  int margin_ = 4;
  int digit_ = 1;
  int dotCount_ = 0;
  bool leftZero_ = true;
  std::string caption_ = "0";
  std::vector<uint8_t> codes_;
};

}  // namespace qx::widgets
