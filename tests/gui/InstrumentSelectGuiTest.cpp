#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "PanelFixture.h"
#include "core/instruments/InstrumentSelect.h"
#include "sim/SimInstruments.h"

namespace qx::gui::test {
namespace {

/// The setup dialog's Select buttons against the simulated bench instruments, which answer on
/// their fixed ports of the simulated board.
class InstrumentSelectGuiTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    InstallShippedChips();
    Create();
    panel->Serial().Bind(&board->SerialPorts());
    panel->Start();
  }

  OptionDialog& Dialog() { return panel->Option(); }
  void Choose(const char* list, const char* port) {
    auto* combo = Dialog().findChild<QComboBox*>(list);
    ASSERT_NE(combo, nullptr) << list;
    const int item = combo->findText(port);
    ASSERT_GE(item, 0) << port;
    combo->setCurrentIndex(item);
    emit combo->activated(item);
  }
  void Click(const char* button) {
    auto* b = Dialog().findChild<QPushButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    b->click();
  }
  std::string Label(const char* name) {
    return Dialog().findChild<QLabel*>(name)->text().toStdString();
  }
};

TEST_F(InstrumentSelectGuiTest, EachInstrumentIsFoundOnItsPortAndStaysSelected) {
  const instruments::InstrumentPorts& ports = panel->Bench().instruments;
  struct Case {
    const char* list;
    const char* button;
    const char* port;
    const char* found;
    const char* again;
    const instruments::DevcRS232* record;
  };
  const Case cases[] = {
      {"FlukeCOM", "FlukeSelect", sim::SimInstruments::kCalibratorPort,
       "Successful Select Fluke In COM5", "Fluke 已經設定", &ports.FlukePort},
      {"PowerCOM", "PowerSelect", sim::SimInstruments::kPowerSupplyPort,
       "Successful Select Power Supply In COM6", "Power Supply 已經設定", &ports.PowerPort},
      {"ChamberCOM", "ChamberSelect", sim::SimInstruments::kChamberPort,
       "Successful Select Chamber In COM7", "Chamber 已經設定", &ports.ChamberPort}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Choose(c.list, c.port);
    Click(c.button);
    EXPECT_EQ(Status(1), c.found);
    EXPECT_TRUE(c.record->Selected);
    EXPECT_EQ(c.record->PortName, c.port);
    Click(c.button);
    EXPECT_EQ(Status(1), c.again) << "a second press only says so";
  }
  EXPECT_EQ(ports.ChamberPort.BaudRate, 9600u);
}

TEST_F(InstrumentSelectGuiTest, AnotherInstrumentOnThePortIsRefusedAndReleased) {
  const std::string meterPort = sim::SimInstruments::MeterPortName(0);
  Choose("PowerCOM", meterPort.c_str());
  Click("PowerSelect");
  EXPECT_EQ(Status(1), "Fail Select Power Supply " + meterPort);
  // Without dialogs the message box text goes to status panel 2.
  EXPECT_EQ(Status(2), instruments::InstrumentSelect::kNotPowerSupply);
  EXPECT_FALSE(panel->Bench().instruments.PowerPort.Selected);
  EXPECT_FALSE(panel->Bench().instruments.PowerPort.IsOpen());

  Choose("ChamberCOM", sim::SimInstruments::kCalibratorPort);
  Click("ChamberSelect");
  EXPECT_EQ(Status(1), "Fail Select Chamber COM5");
  EXPECT_EQ(Status(2), instruments::InstrumentSelect::kNotChamber);

  // The refused ports were let go: the instruments on them can be selected now.
  Choose("MeterCOM1", meterPort.c_str());
  Click("MeterSelect");
  EXPECT_TRUE(panel->Bench().instruments.MeterPorts[0].Selected);
  Choose("FlukeCOM", sim::SimInstruments::kCalibratorPort);
  Click("FlukeSelect");
  EXPECT_TRUE(panel->Bench().instruments.FlukePort.Selected);
}

TEST_F(InstrumentSelectGuiTest, MetersShowTheirReadingOnceSelected) {
  board->Instruments().Meter(1).SetValue(1.25);
  Choose("MeterCOM2", sim::SimInstruments::MeterPortName(1).c_str());
  Choose("MeterCOM3", "COM16");
  Click("MeterSelect");
  const instruments::InstrumentPorts& ports = panel->Bench().instruments;
  EXPECT_FALSE(ports.MeterPorts[0].Selected);
  EXPECT_TRUE(ports.MeterPorts[1].Selected);
  EXPECT_FALSE(ports.MeterPorts[2].Selected);
  EXPECT_EQ(Label("MeterValue2"), panel->Option().Instruments().MeterText(1));
  EXPECT_EQ(Label("MeterValue2").rfind("1.25", 0), 0u) << Label("MeterValue2");
  EXPECT_EQ(Label("MeterValue3"), "not found");

  // Taken off the list, the meter is let go.
  Choose("MeterCOM2", "—");
  Click("MeterSelect");
  EXPECT_FALSE(ports.MeterPorts[1].Selected);
  EXPECT_EQ(Label("MeterValue2"), "");
}

}  // namespace
}  // namespace qx::gui::test
