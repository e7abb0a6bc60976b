#include "gui/views/HexPopup.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace qx::gui {

namespace {
constexpr int kMargin = 8;
constexpr int kGap = 4;
constexpr int kButtonWidth = 34;
constexpr int kButtonHeight = 28;
constexpr int kEditHeight = 24;
}  // namespace

HexPopup::HexPopup(QWidget* parent) : QDialog(parent) {
  setObjectName("TQxPopSelHex");
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  setModal(true);
  base_ = new QFrame(this);
  base_->setObjectName("PBase");
  edit_ = new QLineEdit(base_);
  edit_->setObjectName("ENum");
  edit_->installEventFilter(this);
  status_ = new QLabel(base_);
  status_->setObjectName("PnlStatus");
  status_->hide();

  const int rowsTop = kMargin + kEditHeight + kGap;
  for (int i = 0; i < views::HexEntry::kButtonCount; ++i) {
    auto* b = new QPushButton(QString::fromStdString(views::HexEntry::ButtonCaption(i)), base_);
    b->setObjectName(QString("Key%1").arg(i));
    b->setFocusPolicy(Qt::NoFocus);
    buttons_[static_cast<size_t>(i)] = b;
    connect(b, &QPushButton::clicked, this, [this, i] { Clicked(i); });
  }
  for (int d = 0; d < views::HexEntry::kDigitButtons; ++d)
    buttons_[static_cast<size_t>(d)]->setGeometry(kMargin + (d % 4) * kButtonWidth,
                                                  rowsTop + (d / 4) * kButtonHeight, kButtonWidth,
                                                  kButtonHeight);
  const int enterTop = rowsTop + 4 * kButtonHeight;
  buttons_[views::HexEntry::kEnterButton]->setGeometry(kMargin, enterTop, 4 * kButtonWidth,
                                                       kButtonHeight);
  const int lowTop = enterTop + kButtonHeight + kGap;
  buttons_[views::HexEntry::kClearButton]->setGeometry(kMargin, lowTop, 2 * kButtonWidth,
                                                       kButtonHeight);
  buttons_[views::HexEntry::kCancelButton]->setGeometry(kMargin + 2 * kButtonWidth, lowTop,
                                                        2 * kButtonWidth, kButtonHeight);
  edit_->setGeometry(kMargin, kMargin, 4 * kButtonWidth, kEditHeight);
  const int width = kMargin + 4 * kButtonWidth + kMargin;
  const int height = lowTop + kButtonHeight + kMargin;
  base_->setGeometry(0, 0, width, height);
  setFixedSize(width, height);
}

bool HexPopup::AskHex(QPoint at, uint32_t& value, const QString& pattern, const QString& range,
                      const QString& prompt) {
  for (int i = views::HexEntry::kEnterButton; i < views::HexEntry::kButtonCount; ++i)
    buttons_[static_cast<size_t>(i)]->setText(
        QString::fromStdString(views::HexEntry::ButtonCaption(i)));
  entry_.Begin(pattern.toStdString());
  int left = at.x();
  int top = at.y();
  if (const QScreen* screen = QGuiApplication::screenAt(at) ? QGuiApplication::screenAt(at)
                                                            : QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    views::HexEntry::Place(left, top, frameGeometry().width(), frameGeometry().height(),
                           s.x() + s.width(), s.y() + s.height());
  }
  move(left, top);
  edit_->clear();
  setWindowTitle(prompt);
  status_->setText(range);
  edit_->setFocus();
  exec();
  if (entry_.Accepted()) value = entry_.Value();
  return entry_.Accepted();
}

void HexPopup::Show() {
  edit_->setText(QString::fromStdString(entry_.Text()));
  edit_->setCursorPosition(static_cast<int>(entry_.Text().size()));
  if (entry_.Closed()) done(entry_.Accepted() ? Accepted : Rejected);
}

void HexPopup::Clicked(int index) {
  entry_.Button(index);
  Show();
}

bool HexPopup::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_ || event->type() != QEvent::KeyPress)
    return QDialog::eventFilter(watched, event);
  // Every key goes through the entry rules; navigation and delete keys do nothing.
  const auto* key = static_cast<QKeyEvent*>(event);
  char c = 0;
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
    c = views::HexEntry::kEnter;
  else if (key->key() == Qt::Key_Escape)
    c = views::HexEntry::kEscape;
  else if (key->key() == Qt::Key_Backspace)
    c = views::HexEntry::kBackspace;
  else if (key->text().size() == 1 && key->text()[0].unicode() < 0x7F)
    c = static_cast<char>(key->text()[0].unicode());
  if (c != 0) {
    entry_.Key(c);
    Show();
  }
  return true;
}

}  // namespace qx::gui
