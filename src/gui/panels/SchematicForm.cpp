#include "gui/panels/SchematicForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>

#include "gui/panels/ClickLabel.h"

namespace qx::gui {

namespace {
QString Name(const std::string& s) {
  return QString::fromStdString(s);
}
}  // namespace

SchematicForm::SchematicForm(const QString& caption, QSize size, QWidget* parent)
    : QWidget(parent) {
  setWindowTitle(caption);
  resize(size);
  setMinimumSize(size);
  setAutoFillBackground(true);
  hide();

  popup_ = new QMenu(this);
  popup_->setObjectName("Popup10");
  QAction* one = popup_->addAction("1");
  one->setObjectName("TIncer");
  QAction* zero = popup_->addAction("0");
  zero->setObjectName("Decer");
  connect(one, &QAction::triggered, this, [this] {
    if (onPopupValue) onPopupValue(1);
  });
  connect(zero, &QAction::triggered, this, [this] {
    if (onPopupValue) onPopupValue(0);
  });
}

ClickLabel* SchematicForm::AddLabel(const char* name, QRect at, const QString& text) {
  auto* l = new ClickLabel(this);
  l->setObjectName(name);
  l->setGeometry(at);
  l->setText(text);
  l->setFrameShape(QFrame::NoFrame);
  connect(l, &ClickLabel::clicked, this, [this, n = std::string(name)] {
    if (onClick) onClick(n);
  });
  return l;
}

ClickLabel* SchematicForm::AddSwitch(const char* name, QRect at) {
  ClickLabel* l = AddLabel(name, at);
  l->setFrameShape(QFrame::Panel);
  l->setFrameShadow(QFrame::Raised);
  return l;
}

ClickLabel* SchematicForm::AddImage(const char* name, QRect at, const QString& symbol) {
  ClickLabel* l = AddLabel(name, at, symbol);
  l->setAutoFillBackground(false);
  return l;
}

ClickLabel* SchematicForm::AddButton(const char* name, QRect at, const QString& text) {
  ClickLabel* l = AddSwitch(name, at);
  l->setText(text);
  QFont f = l->font();
  f.setPointSizeF(f.pointSizeF() * 0.8);
  l->setFont(f);
  return l;
}

QComboBox* SchematicForm::AddList(const char* name, QRect at) {
  auto* c = new QComboBox(this);
  c->setObjectName(name);
  c->setGeometry(at);
  connect(c, &QComboBox::activated, this, [this, n = std::string(name)](int index) {
    if (onList) onList(n, index);
  });
  return c;
}

void SchematicForm::AddPopup(ClickLabel* panel) {
  connect(panel, &ClickLabel::menuRequested, this,
          [this, n = panel->objectName().toStdString()](const QPoint& at) {
            if (!onPopup) return;
            onPopup(n);
            popup_->popup(at);
          });
}

void SchematicForm::Wire(std::initializer_list<QPoint> points) {
  shapes_.push_back({Shape::Line, QPolygon(QList<QPoint>(points)), {}, {}});
}

void SchematicForm::Block(QRect at, const QString& title) {
  shapes_.push_back({Shape::Box, {}, at, title});
}

void SchematicForm::Amplifier(QRect at, const QString& title) {
  shapes_.push_back({Shape::Amp, {}, at, title});
}

void SchematicForm::Caption(QRect at, const QString& text) {
  shapes_.push_back({Shape::Text, {}, at, text});
}

void SchematicForm::SetLook(QWidget* w, panels::Look look) {
  const QPalette& p = palette();
  QColor back = p.color(QPalette::Button);
  QColor text = Qt::black;
  if (look == panels::Look::Active) {
    back = p.color(QPalette::Highlight);
    text = p.color(QPalette::Window);
  } else if (look == panels::Look::Dark) {
    back = Qt::black;
    text = p.color(QPalette::Window);
  }
  w->setStyleSheet(QString("background-color: %1; color: %2;").arg(back.name(), text.name()));
}

void SchematicForm::Apply(const panels::PanelState& state) {
  for (const auto& [name, items] : state.list) {
    auto* c = findChild<QComboBox*>(Name(name));
    if (!c) continue;
    QStringList texts;
    for (const std::string& s : items) texts << QString::fromStdString(s);
    QStringList now;
    for (int i = 0; i < c->count(); ++i) now << c->itemText(i);
    if (now != texts) {
      const QSignalBlocker block(c);
      c->clear();
      c->addItems(texts);
    }
  }
  for (const auto& [name, index] : state.item) {
    if (auto* c = findChild<QComboBox*>(Name(name))) {
      const QSignalBlocker block(c);
      c->setCurrentIndex(index);
    }
  }
  for (const auto& [name, text] : state.text) {
    if (auto* l = findChild<QLabel*>(Name(name))) l->setText(QString::fromStdString(text));
  }
  for (const auto& [name, on] : state.enabled) {
    if (auto* w = findChild<QWidget*>(Name(name))) w->setEnabled(on);
  }
  for (const auto& [name, on] : state.visible) {
    if (auto* w = findChild<QWidget*>(Name(name))) w->setVisible(on);
  }
  for (const auto& [name, look] : state.look) {
    if (auto* w = findChild<QWidget*>(Name(name))) SetLook(w, look);
  }
}

void SchematicForm::closeEvent(QCloseEvent* event) {
  HideInsteadOfClose(event);
}

void SchematicForm::HideInsteadOfClose(QCloseEvent* event) {
  event->ignore();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->hide();
  hide();
}

void SchematicForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(40, 40, 90);
  for (const Shape& s : shapes_) {
    switch (s.kind) {
      case Shape::Line:
        p.setPen(QPen(ink, 2));
        p.drawPolyline(s.points);
        break;
      case Shape::Box:
        p.setPen(QPen(ink, 1.5));
        p.setBrush(QColor(235, 240, 250));
        p.drawRoundedRect(s.rect, 6, 6);
        p.drawText(s.rect.adjusted(6, 2, -4, 0), Qt::AlignLeft | Qt::AlignTop, s.text);
        break;
      case Shape::Amp: {
        const QRect& r = s.rect;
        const QPolygon triangle({r.topLeft(), QPoint(r.right(), r.center().y()), r.bottomLeft()});
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(250, 245, 225));
        p.drawPolygon(triangle);
        p.drawText(r.adjusted(8, 0, -r.width() / 3, 0), Qt::AlignVCenter | Qt::AlignLeft, s.text);
        break;
      }
      case Shape::Text:
        p.setPen(ink);
        p.drawText(s.rect, Qt::AlignLeft | Qt::AlignVCenter, s.text);
        break;
    }
    p.setBrush(Qt::NoBrush);
  }
}

}  // namespace qx::gui
