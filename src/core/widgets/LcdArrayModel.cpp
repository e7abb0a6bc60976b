#include "core/widgets/LcdArrayModel.h"

namespace qx::widgets {

bool LcdArrayModel::SetDigit(int v) {
  if (v < 1 || v > LcdCaption::kMaxDigits) return false;
  digit_ = v;
  Encode();
  return true;
}

bool LcdArrayModel::SetCaption(const std::string& text) {
  caption_ = text;
  Encode();
  return true;
}

int LcdArrayModel::PointCell() const {
  if (dotCount_ == 0) return -1;
  const int cell = digit_ - dotCount_ - 1;
  return cell >= 0 && cell < digit_ ? cell : -1;
}

void LcdArrayModel::Encode() {
  codes_ = leftZero_ ? LcdCaption::EncodeText(caption_, digit_)
                     : LcdCaption::EncodeNumber(caption_, digit_, dotCount_);
}

}  // namespace qx::widgets
