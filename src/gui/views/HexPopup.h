#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "core/views/HexEntry.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx::gui {

/// `TQxPopSelHex`: the modal hex entry popup with its keypad. All decisions are `HexEntry`'s.
class HexPopup final : public QDialog {
  Q_OBJECT

 public:
  explicit HexPopup(QWidget* parent = nullptr);

  /// Asks for a value of `pattern`'s digits next to `at` (screen position). True with `value`
  /// set when the user confirmed.
  bool AskHex(QPoint at, uint32_t& value, const QString& pattern, const QString& range,
              const QString& prompt);

  QLineEdit* Edit() const { return edit_; }
  QPushButton* KeyButton(int index) const { return buttons_[static_cast<size_t>(index)]; }
  const views::HexEntry& Entry() const { return entry_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Clicked(int index);
  void Show();

  views::HexEntry entry_;
  QFrame* base_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QLabel* status_ = nullptr;
  std::array<QPushButton*, views::HexEntry::kButtonCount> buttons_{};
};

}  // namespace qx::gui
