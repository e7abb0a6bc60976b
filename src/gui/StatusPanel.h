#pragma once

#include <QLabel>
#include <QString>

namespace qx::gui {

/// One status bar panel: it shows as much of its message as fits and elides the rest, so a long
/// message never widens the main window. The whole message stays readable as the tooltip.
class StatusPanel final : public QLabel {
  Q_OBJECT

 public:
  explicit StatusPanel(QWidget* parent);

  void SetMessage(const QString& text);
  const QString& Message() const { return message_; }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString message_;
};

}  // namespace qx::gui
