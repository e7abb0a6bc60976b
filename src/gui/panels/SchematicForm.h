#pragma once

#include <QPointer>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/panels/PanelState.h"
#include "gui/QtHost.h"

class QComboBox;
class QMenu;

namespace qx::gui {

class ClickLabel;
class QtHost;

/// A block panel drawn as a schematic: blocks, amplifiers and wires painted behind the controls
/// of the panel, which sit on the drawing under their control names. The form copies a panel
/// model's state onto its controls and forwards clicks and list selections to the model.
class SchematicForm : public QWidget {
  Q_OBJECT

 public:
  /// The window is a hidden child of `parent` until the main window shows it as an MDI child.
  SchematicForm(const QString& caption, QSize size, QWidget* parent);

  /// Copies the model's state onto the controls.
  void Apply(const panels::PanelState& state);

 protected:
  /// Routes the form's clicks, list selections and (where the model has them) switch popups to
  /// `model`, shows its first state, and refreshes the form after every register write and chip
  /// load. `form` is the derived window; it has `DataUpdate()`.
  template <class Form, class Model>
  static void BindModel(Form* form, Model& model, QtHost& host) {
    form->onClick = [form, &model](const std::string& name) {
      if (model.Click(name)) form->Apply(model.State());
    };
    form->onList = [form, &model](const std::string& name, int index) {
      if (model.ListChanged(name, index)) form->Apply(model.State());
    };
    if constexpr (requires { model.PopUp(std::string()); }) {
      form->onPopup = [&model](const std::string& name) { model.PopUp(name); };
      form->onPopupValue = [form, &model](int value) {
        value ? model.TIncerClick() : model.DecerClick();
        form->Apply(model.State());
      };
    }
    model.FormCreate();
    form->Apply(model.State());

    // The hooks go with the window; the guard covers the end of the program as well.
    QPointer<Form> self(form);
    host.OnRegImageChanged(form, [self](int) {
      if (self) self->DataUpdate();
    });
    host.OnChipLoaded(form, [self, &model] {
      if (!self) return;
      model.ApplyChip();
      self->DataUpdate();
    });
  }

  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  /// Closing a panel only hides it: the MDI frame would delete it with the window.
  void HideInsteadOfClose(QCloseEvent* event);

  // Controls on the drawing, named after the model's controls.
  ClickLabel* AddLabel(const char* name, QRect at, const QString& text = {});
  ClickLabel* AddSwitch(const char* name, QRect at);
  ClickLabel* AddImage(const char* name, QRect at, const QString& symbol);
  QComboBox* AddList(const char* name, QRect at);
  ClickLabel* AddButton(const char* name, QRect at, const QString& text);
  /// Switch panels that also take the "1" / "0" popup menu.
  void AddPopup(ClickLabel* panel);

  // The drawing.
  void Wire(std::initializer_list<QPoint> points);
  void Block(QRect at, const QString& title);
  /// An amplifier or comparator pointing right; `title` is written inside.
  void Amplifier(QRect at, const QString& title);
  void Caption(QRect at, const QString& text);

  /// Hooks of the concrete panel.
  std::function<void(const std::string&)> onClick;
  std::function<void(const std::string&, int)> onList;
  std::function<void(const std::string&)> onPopup;
  std::function<void(int)> onPopupValue;

 private:
  struct Shape {
    enum Kind { Line, Box, Amp, Text } kind;
    QPolygon points;
    QRect rect;
    QString text;
  };
  void SetLook(QWidget* w, panels::Look look);

  std::vector<Shape> shapes_;
  QMenu* popup_ = nullptr;
};

}  // namespace qx::gui
