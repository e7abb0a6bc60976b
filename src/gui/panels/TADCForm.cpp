#include "gui/panels/TADCForm.h"

#include <QCloseEvent>
#include <QPointer>

#include "gui/QtHost.h"
#include "gui/panels/ClickLabel.h"

namespace qx::gui {

TADCForm::TADCForm(app::Workbench& bench, QtHost& host, QWidget* parent)
    : SchematicForm("ADC", QSize(860, 600), parent), model_(bench) {
  Layout();
  BindModel(this, model_, host);
  QPointer<TADCForm> self(this);
  host.OnAdcReading(this, [self] {
    if (!self) return;
    self->model_.ShowReading();
    self->Apply(self->model_.State());
  });
}

void TADCForm::DataUpdate() {
  model_.DataUpdate();
  Apply(model_.State());
}

void TADCForm::ConfigLoaded() {
  model_.ConfigLoaded();
  Apply(model_.State());
}

void TADCForm::StopContinuousRead() {
  model_.StopContinuousRead();
  Apply(model_.State());
}

void TADCForm::closeEvent(QCloseEvent* event) {
  model_.FormClose();
  Apply(model_.State());
  HideInsteadOfClose(event);
}

void TADCForm::Layout() {
  // Input multiplexers.
  Block({85, 24, 50, 190}, "MUX+");
  Block({85, 244, 50, 190}, "MUX-");
  for (int i = 0; i < 8; ++i) {
    const int yp = 40 + i * 22;
    const int yn = 260 + i * 22;
    AddLabel(qPrintable(QString("LINP%1").arg(i)), {10, yp, 62, 18});
    AddLabel(qPrintable(QString("LINN%1").arg(i)), {10, yn, 62, 18});
    Wire({{72, yp + 9}, {85, yp + 9}});
    Wire({{72, yn + 9}, {85, yn + 9}});
  }
  AddList("TXINP", {10, 218, 70, 22});
  AddList("TXINN", {10, 438, 70, 22});

  // PGA with its unity-gain bypass switches.
  Amplifier({200, 160, 90, 140}, "PGA");
  Wire({{135, 119}, {170, 119}, {170, 190}, {200, 190}});
  Wire({{135, 339}, {170, 339}, {170, 270}, {200, 270}});
  Wire({{185, 190}, {185, 140}, {220, 140}});
  Wire({{270, 140}, {300, 140}, {300, 230}});
  Wire({{185, 270}, {185, 370}, {220, 370}});
  Wire({{270, 370}, {300, 370}, {300, 230}});
  AddImage("OneGain0on", {220, 130, 50, 20}, QString::fromUtf8("━━"));
  AddImage("OneGain0off", {220, 130, 50, 20}, QString::fromUtf8("─╱ ─"));
  AddImage("OneGain1on", {220, 360, 50, 20}, QString::fromUtf8("━━"));
  AddImage("OneGain1off", {220, 360, 50, 20}, QString::fromUtf8("─╱ ─"));
  AddList("TXPGAGN", {205, 305, 70, 22});
  AddLabel("TXPGAGNS", {205, 330, 70, 20});

  // Modulator with the ADC gain and full-scale range.
  Block({360, 170, 185, 120}, QString::fromUtf8("ΣΔ Modulator"));
  Wire({{290, 230}, {360, 230}});
  AddList("TXADGN", {370, 195, 55, 22});
  AddLabel("TXADGNS", {430, 195, 105, 22});
  AddSwitch("PFRb", {370, 225, 50, 22});
  AddLabel("TXFRb", {425, 225, 110, 22});
  AddSwitch("PENADC", {370, 258, 60, 22});

  // DC offset injected into the modulator.
  Caption({320, 88, 100, 18}, "DC offset");
  AddList("TXDCSET", {320, 108, 70, 22});
  AddLabel("TXDCSETS", {395, 108, 90, 22});
  Wire({{440, 130}, {440, 170}});

  // Clock and decimation filter.
  Block({580, 30, 180, 112}, "Clock");
  AddLabel("LOSCS2", {590, 52, 75, 20});
  AddLabel("LOSCS3", {590, 77, 75, 20});
  AddLabel("LOSCS0", {675, 52, 50, 20});
  AddLabel("LOSCS1", {675, 77, 50, 20});
  Wire({{665, 62}, {675, 62}});
  Wire({{665, 87}, {675, 87}});
  AddList("COMOSCS", {590, 110, 75, 22});
  Wire({{670, 142}, {670, 170}});
  Block({580, 170, 270, 120}, "Digital filter");
  Wire({{545, 230}, {580, 230}});
  AddList("COMOSR", {590, 195, 60, 22});
  AddLabel("TXOSR", {655, 195, 150, 22});
  AddSwitch("PHS", {590, 228, 45, 22});
  AddSwitch("POSM", {640, 228, 50, 22});
  AddSwitch("PIRQEN", {695, 228, 60, 22});
  AddSwitch("PTS", {760, 228, 40, 22});

  // Result.
  Block({580, 310, 270, 170}, "ADC result");
  Wire({{670, 290}, {670, 310}});
  ClickLabel* result = AddLabel("TXADC", {590, 332, 170, 36});
  QFont big = result->font();
  big.setPointSizeF(big.pointSizeF() * 1.8);
  big.setBold(true);
  result->setFont(big);
  result->setFrameShape(QFrame::Panel);
  result->setFrameShadow(QFrame::Sunken);
  AddLabel("TXTEMP", {765, 332, 80, 36});
  AddList("TXADCOMD", {590, 374, 60, 22});
  AddList("TXADCObit", {655, 374, 50, 22});
  Caption({710, 374, 40, 22}, "bits");
  AddButton("BADCRead", {590, 404, 80, 24}, "ADCRead");
  AddButton("BRDADC", {675, 404, 80, 24}, "STOP");
  AddButton("BTempRead", {760, 404, 80, 24}, "TempRead");
  AddLabel("Label5", {590, 434, 250, 18})->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  AddLabel("Label6", {590, 454, 250, 18})->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  // References with their buffers, into the modulator.
  Block({200, 420, 360, 165}, "Reference");
  AddLabel("LREFP", {215, 442, 60, 20});
  AddLabel("LVDDAP", {215, 467, 60, 20});
  AddLabel("LV12P", {215, 492, 60, 20});
  AddList("COMVRPS", {215, 522, 60, 22});
  AddImage("VERBUFFon0", {290, 464, 50, 24}, QString::fromUtf8("▷ BUF"));
  AddImage("VERBUFFoff0", {290, 464, 50, 24}, QString::fromUtf8("─ ─"));
  Wire({{275, 476}, {290, 476}});
  Wire({{340, 476}, {470, 476}, {470, 290}});
  AddLabel("LREFN", {380, 442, 60, 20});
  AddLabel("LVDDAN", {380, 467, 60, 20});
  AddLabel("LV12N", {380, 492, 60, 20});
  AddList("COMVRNS", {380, 522, 60, 22});
  AddImage("VERBUFFon1", {455, 500, 50, 24}, QString::fromUtf8("▷ BUF"));
  AddImage("VERBUFFoff1", {455, 500, 50, 24}, QString::fromUtf8("─ ─"));
  Wire({{440, 512}, {455, 512}});
  Wire({{505, 512}, {520, 512}, {520, 290}});
  Caption({480, 440, 70, 18}, "VREF+ / -");

  // Supply.
  Block({10, 470, 180, 120}, "Supply");
  AddSwitch("ENLDO", {20, 492, 55, 22});
  AddList("TXLDO", {80, 492, 60, 22});
  AddLabel("LLDO", {143, 492, 45, 22});
  AddSwitch("PREFOS", {20, 522, 55, 22});
  AddLabel("TXREFOS", {80, 522, 50, 22});
  AddSwitch("PENREFO", {20, 554, 65, 22});
  AddSwitch("PENOP", {90, 554, 55, 22});
}

}  // namespace qx::gui
