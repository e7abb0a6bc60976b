#pragma once

#include <QDialog>

#include "core/app/StatusLog.h"

class QPlainTextEdit;

namespace qx::gui {

/// "Messages": the status bar's last messages, whole and with their time, newest at the end.
/// Non-modal; it follows new messages while it is open.
class MessagesWindow final : public QDialog {
  Q_OBJECT

 public:
  MessagesWindow(const app::StatusLog& log, QWidget* parent);

  /// Shows every kept message; called when the window opens.
  void Reload();
  /// Adds the newest message while the window is open.
  void Append(const app::StatusLog::Entry& entry);

 private:
  const app::StatusLog& log_;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace qx::gui
