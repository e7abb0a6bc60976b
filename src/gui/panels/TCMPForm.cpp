#include "gui/panels/TCMPForm.h"

#include "gui/panels/ClickLabel.h"

namespace qx::gui {

namespace {
QString Code(int k, int digits) {
  return QString::number(k, 2).rightJustified(digits, '0');
}
}  // namespace

TCMPForm::TCMPForm(app::Workbench& bench, QtHost& host, QWidget* parent)
    : SchematicForm("Comparator", QSize(860, 560), parent), model_(bench) {
  Layout();
  BindModel(this, model_, host);
}

void TCMPForm::DataUpdate() {
  model_.DataUpdate();
  Apply(model_.State());
}

void TCMPForm::Toggle(const char* zero, const char* one, QRect at, const QString& zeroText,
                      const QString& oneText) {
  AddButton(zero, at, zeroText);
  AddButton(one, at, oneText);
}

void TCMPForm::Layout() {
  const QString closed = QString::fromUtf8("━━");
  const QString open = QString::fromUtf8("╱");

  // Inputs onto the + and - buses.
  for (int k = 0; k < 4; ++k) {
    const int y = 40 + k * 26;
    AddLabel(qPrintable(QString("LCPIH%1").arg(k)), {15, y, 65, 20});
    const QString b = "CPIH" + Code(k, 2);
    AddButton(qPrintable(b + "on"), {85, y, 36, 20}, closed);
    AddButton(qPrintable(b + "off"), {85, y, 36, 20}, open);
    Wire({{121, y + 10}, {140, y + 10}});
  }
  Wire({{140, 50}, {140, 180}, {330, 180}});
  AddList("TXCPIH", {15, 148, 65, 22});
  for (int k = 0; k < 8; ++k) {
    const int y = 190 + k * 26;
    AddLabel(qPrintable(QString("LCPIL%1").arg(k)), {15, y, 65, 20});
    const QString b = "CPIL" + Code(k, 3);
    AddButton(qPrintable(b + "on"), {85, y, 36, 20}, closed);
    AddButton(qPrintable(b + "off"), {85, y, 36, 20}, open);
    Wire({{121, y + 10}, {140, y + 10}});
  }
  Wire({{140, 200}, {140, 382}});
  Wire({{140, 260}, {330, 260}});
  AddList("TXCPIL", {15, 400, 70, 22});

  // Input switch and enable.
  AddSwitch("PCIST", {160, 130, 50, 22});
  Toggle("CPISoff", "CPISon", {215, 130, 36, 22}, open, closed);
  AddSwitch("PENCPA", {340, 118, 60, 22});

  Amplifier({330, 150, 100, 140}, "CMP");
  Caption({336, 170, 20, 20}, "+");
  Caption({336, 250, 20, 20}, "-");

  // Output routing.
  Wire({{430, 220}, {460, 220}, {460, 50}, {470, 50}});
  Block({455, 30, 395, 265}, "Output");
  AddSwitch("PCPOEG", {470, 55, 60, 22});
  AddImage("CPOraising", {535, 55, 30, 22}, QString::fromUtf8("↑"));
  AddImage("CPOfalling", {535, 55, 30, 22}, QString::fromUtf8("↓"));
  AddSwitch("PCPOX", {470, 85, 60, 22});
  AddSwitch("PCPOFR", {470, 115, 60, 22});
  Toggle("CPOFRup", "CPOFRdown", {535, 115, 36, 22}, QString::fromUtf8("▲"),
         QString::fromUtf8("▼"));
  AddSwitch("PCPOIF", {470, 145, 60, 22});
  AddSwitch("PCAPAT", {470, 175, 60, 22});
  AddSwitch("PCS1", {600, 55, 50, 22});
  Toggle("CS1up", "CS1down", {655, 55, 36, 22}, QString::fromUtf8("▲"), QString::fromUtf8("▼"));
  AddSwitch("PCS2", {600, 85, 50, 22});
  Toggle("CS2up", "CS2down", {655, 85, 36, 22}, QString::fromUtf8("▲"), QString::fromUtf8("▼"));
  AddSwitch("PCPIX", {600, 115, 50, 22});
  Toggle("CPIXup", "CPIXdown", {655, 115, 36, 22}, QString::fromUtf8("▲"), QString::fromUtf8("▼"));
  Toggle("CPIX1up", "CPIX1down", {695, 115, 36, 22}, QString::fromUtf8("▲"),
         QString::fromUtf8("▼"));
  Caption({600, 148, 120, 18}, "Port pin");
  AddSwitch("PPMX", {600, 168, 60, 22});
  AddSwitch("PTCX", {665, 168, 60, 22});
  AddSwitch("PDAX", {730, 168, 60, 22});
  AddLabel("LCMPONOFF", {795, 168, 45, 22});
  AddSwitch("PREFO", {600, 205, 60, 22});
  AddSwitch("PENVDDA", {470, 240, 55, 22});
  AddList("TXVDDA", {530, 240, 55, 22});
  AddLabel("TXVDDAS", {590, 240, 250, 22});

  // Threshold ladder onto the - input.
  Block({160, 310, 420, 230}, "Threshold (CPVRS)");
  Wire({{300, 310}, {300, 260}});
  for (int k = 0; k < 16; ++k) {
    const int x = k < 8 ? 170 : 375;
    const int y = 332 + (k % 8) * 24;
    const QString code = Code(k, 4);
    AddLabel(qPrintable("LCPVRS" + code), {x, y, 120, 20});
    AddButton(qPrintable("CPVRS" + code + "on"), {x + 125, y, 34, 20}, closed);
    AddButton(qPrintable("CPVRS" + code + "off"), {x + 125, y, 34, 20}, open);
  }
  AddList("TXCPVRS", {470, 314, 70, 20});

  // Source of the ladder.
  Block({600, 310, 250, 230}, "Ladder source (CPVCS)");
  Wire({{600, 420}, {580, 420}});
  for (int k = 0; k < 4; ++k) {
    const int y = 340 + k * 26;
    const QString code = Code(k, 2);
    AddLabel(qPrintable("LCPVCS" + code), {610, y, 100, 20});
    AddButton(qPrintable("CPVCS" + code + "on"), {715, y, 34, 20}, closed);
    AddButton(qPrintable("CPVCS" + code + "off"), {715, y, 34, 20}, open);
  }
  AddList("TXCPVCS", {760, 340, 60, 22});
  AddLabel("TXVDDAS1", {610, 460, 230, 22});

  for (const char* name : {"PENCPA", "PCIST", "PCPOEG", "PCPOX", "PCPOFR", "PCS1", "PCS2", "PCAPAT",
                           "PCPIX", "PPMX", "PTCX", "PDAX", "PENVDDA", "PREFO"}) {
    AddPopup(findChild<ClickLabel*>(name));
  }
}

}  // namespace qx::gui
