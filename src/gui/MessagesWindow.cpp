#include "gui/MessagesWindow.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace qx::gui {

MessagesWindow::MessagesWindow(const app::StatusLog& log, QWidget* parent)
    : QDialog(parent), log_(log) {
  setObjectName("TMessages");
  setWindowTitle("Messages");
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("MessagesText");
  text_->setReadOnly(true);
  text_->setPlaceholderText("No status message yet.");
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text_->setMaximumBlockCount(static_cast<int>(app::StatusLog::kLimit));
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(text_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
  layout->addWidget(buttons);
  resize(760, 420);
}

void MessagesWindow::Reload() {
  text_->setPlainText(QString::fromStdString(log_.Text()));
  text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void MessagesWindow::Append(const app::StatusLog::Entry& entry) {
  if (isVisible()) text_->appendPlainText(QString::fromStdString(app::StatusLog::Line(entry)));
}

}  // namespace qx::gui
