#include "gui/panels/TOPForm.h"

#include "gui/panels/ClickLabel.h"

namespace qx::gui {

namespace {
QString Code(int k, int digits) {
  return QString::number(k, 2).rightJustified(digits, '0');
}
}  // namespace

TOPForm::TOPForm(app::Workbench& bench, QtHost& host, QWidget* parent)
    : SchematicForm("OP", QSize(640, 470), parent), model_(bench) {
  Layout();
  BindModel(this, model_, host);
}

void TOPForm::DataUpdate() {
  model_.DataUpdate();
  Apply(model_.State());
}

void TOPForm::Layout() {
  // Positive inputs onto the + bus, negative inputs onto the - bus.
  for (int k = 0; k < 4; ++k) {
    const int y = 40 + k * 28;
    AddImage(qPrintable(QString("ImAP%1").arg(k)), {8, y, 18, 20}, QString::fromUtf8("○"));
    AddLabel(qPrintable(QString("LAP%1").arg(k)), {28, y, 62, 20});
    const QString b = "OP0P" + Code(k, 2);
    AddButton(qPrintable(b + "on"), {95, y, 40, 20}, QString::fromUtf8("━━"));
    AddButton(qPrintable(b + "off"), {95, y, 40, 20}, QString::fromUtf8("╱"));
    Wire({{135, y + 10}, {160, y + 10}});
  }
  Wire({{160, 50}, {160, 180}, {220, 180}});
  AddList("TXOP0P", {28, 160, 62, 22});
  for (int k = 0; k < 8; ++k) {
    const int y = 205 + k * 26;
    AddImage(qPrintable(QString("ImAI%1").arg(k)), {8, y, 18, 20}, QString::fromUtf8("○"));
    AddLabel(qPrintable(QString("LAI%1").arg(k)), {28, y, 62, 20});
    const QString b = "OP0N" + Code(k, 3);
    AddButton(qPrintable(b + "on"), {95, y, 40, 20}, QString::fromUtf8("━━"));
    AddButton(qPrintable(b + "off"), {95, y, 40, 20}, QString::fromUtf8("╱"));
    Wire({{135, y + 10}, {160, y + 10}});
  }
  Wire({{160, 215}, {160, 397}});
  Wire({{160, 260}, {220, 260}});
  AddList("TXOP0N", {28, 420, 70, 22});

  // The amplifier and its output.
  Amplifier({220, 150, 120, 140}, "OP0");
  Caption({226, 170, 20, 20}, "+");
  Caption({226, 250, 20, 20}, "-");
  Wire({{340, 220}, {600, 220}});
  Caption({560, 198, 60, 20}, "OPO");
  Wire({{580, 220}, {580, 420}, {160, 420}, {160, 397}});

  AddSwitch("PENOP", {360, 50, 60, 22});
  AddLabel("TXENOPS", {425, 50, 40, 22});
  Caption({360, 82, 80, 18}, "Mode");
  AddList("TXOP0M", {360, 102, 55, 22});
  AddLabel("TXOP0MS", {420, 102, 160, 22});

  // Input switch between the + input and the amplifier.
  AddSwitch("POP0IS", {360, 150, 60, 22});
  AddButton("OP0ISon", {190, 120, 40, 20}, QString::fromUtf8("━━"));
  AddButton("OP0ISoff", {190, 120, 40, 20}, QString::fromUtf8("╱"));
  Wire({{180, 180}, {180, 130}, {190, 130}});
  Wire({{230, 130}, {250, 130}, {250, 165}});

  // Analog supply.
  Block({360, 300, 270, 110}, "Analog supply");
  AddSwitch("PENVDDA", {372, 328, 55, 22});
  AddList("TXVDDA", {432, 328, 55, 22});
  AddLabel("TXVDDAS", {372, 362, 250, 22});

  for (const char* name : {"PENOP", "POP0IS", "PENVDDA"}) {
    AddPopup(findChild<ClickLabel*>(name));
  }
}

}  // namespace qx::gui
