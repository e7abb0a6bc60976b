#include "core/panels/AdcPanel.h"

#include "PanelBench.h"

namespace qx::panels::test {
namespace {

class AdcPanelTest : public PanelBench {
 protected:
  void SetUp() override {
    PanelBench::SetUp();
    LoadChip(kQx7401);
    panel.FormCreate();
  }
  const PanelState& S() const { return panel.State(); }

  AdcPanel panel{bench};
};

TEST_F(AdcPanelTest, ChipFillsListsCaptionsAndEnablesDeclaredFields) {
  EXPECT_EQ(S().List("TXINP"),
            (std::vector<std::string>{"AI0", "AI1", "AI2", "AI3", "AI4", "AI5", "TEMP+", "VSS"}));
  EXPECT_EQ(S().Text("LINP6"), "TEMP+");
  EXPECT_EQ(S().Text("LINN6"), "TEMP-");
  EXPECT_EQ(S().List("COMOSCS"), (std::vector<std::string>{"327KHZ", "1MHZ", "/15", "/5"}));
  EXPECT_EQ(S().Text("LOSCS3"), "1MHZ");
  EXPECT_EQ(S().List("TXLDO"), (std::vector<std::string>{"2.4V", "2.7V", "3.0V", "3.3V"}));
  EXPECT_EQ(S().List("TXDCSET").size(), 16u) << "the form's own list";
  for (const char* c : {"TXINP", "TXPGAGN", "COMOSR", "PHS", "PENADC", "ENLDO", "TXLDO"})
    EXPECT_TRUE(S().IsEnabled(c)) << c;
  EXPECT_FALSE(S().IsVisible("PTS"));
  EXPECT_FALSE(S().IsVisible("BTempRead"));
}

TEST_F(AdcPanelTest, ControlsOfUndeclaredFieldsStayDisabled) {
  AdcPanel other(bench);
  LoadChip(kQx7T404);  // after QX7401, which declares them all
  other.FormCreate();
  for (const char* c : {"TXINP", "TXPGAGN", "TXADGN", "PFRb", "COMOSR", "PIRQEN", "PENADC"})
    EXPECT_TRUE(other.State().IsEnabled(c)) << c;
  for (const char* c : {"PHS", "POSM", "TXLDO", "COMOSCS", "COMVRPS", "TXDCSET", "PREFOS"})
    EXPECT_FALSE(other.State().IsEnabled(c)) << c;
  EXPECT_EQ(other.State().Text("LINP4"), "OPO");
}

TEST_F(AdcPanelTest, AChipWithoutAnAdcBlockKeepsNothingOfThePreviousOne) {
  bench.monitor.continuousRead = true;
  LoadChip(kQx7R402);
  panel.ApplyChip();
  panel.DataUpdate();
  for (const char* c : {"TXINP", "TXINN", "TXPGAGN", "TXADGN", "COMOSR", "COMOSCS", "TXLDO", "PFRb",
                        "PENADC", "PHS", "BADCRead", "BRDADC", "TXADCOMD", "TXADCObit"})
    EXPECT_FALSE(S().IsEnabled(c)) << c;
  EXPECT_EQ(S().List("TXINP").size(), 8u);
  EXPECT_EQ(S().List("TXINP")[6], "110") << "the form's own list, not the old chip's";
  EXPECT_EQ(S().Text("LINP6"), "AI6");
  EXPECT_EQ(S().Text("LOSCS3"), "1MHZ");
  EXPECT_EQ(S().Text("TXADC"), "No ADC block");
  EXPECT_FALSE(bench.monitor.continuousRead);

  // A chip with the block brings the panel back.
  LoadChip(kQx7401);
  panel.ApplyChip();
  panel.DataUpdate();
  EXPECT_TRUE(S().IsEnabled("BADCRead"));
  EXPECT_TRUE(S().IsEnabled("TXINP"));
  EXPECT_NE(S().Text("TXADC"), "No ADC block");
}

TEST_F(AdcPanelTest, FormCreateShowsAdcOffAndDefaults) {
  bench.monitor.continuousRead = true;
  panel.FormCreate();
  EXPECT_EQ(S().Text("TXADC"), "ADC OFF");
  EXPECT_EQ(S().Text("BRDADC"), "STOP");
  EXPECT_FALSE(bench.monitor.continuousRead);
  EXPECT_EQ(S().Item("TXADCOMD"), 0);
  EXPECT_EQ(S().Item("TXADCObit"), 7);
  EXPECT_EQ(S().Text("TXOSR"), "ADC_CK = 2560sps");
  EXPECT_EQ(S().Text("TXPGAGNS"), "x 1");
  EXPECT_TRUE(bridge.requests.empty()) << "creation sends nothing";
}

TEST_F(AdcPanelTest, DataUpdateShowsEveryFieldOfTheRegisterImage) {
  Preset(0, 0xE2);  // ADCEN 1, INP 6, TS 0, INN 2
  Preset(1, 0x00);  // PGA 0, ADGN 0, FSRB 0
  Preset(2, 0x97);  // DCSET 9, VRPS 1, VRNS 3
  Preset(3, 0xB5);  // OSR 5, HS 1, OSM 0, IRQEN 1, OSCS 1
  Preset(4, 0xC8);  // ENLDO 1, LDO 2, ENREFO 0, REFO 1, ENOP 0
  panel.DataUpdate();

  EXPECT_EQ(S().LookOf("PENADC"), Look::Active);
  EXPECT_EQ(S().LookOf("LINP6"), Look::Active);
  EXPECT_EQ(S().LookOf("LINP0"), Look::Plain);
  EXPECT_EQ(S().Item("TXINP"), 6);
  EXPECT_EQ(S().LookOf("LINN2"), Look::Active);
  EXPECT_EQ(S().Text("TXPGAGNS"), "x 1");
  EXPECT_TRUE(S().IsVisible("OneGain0on"));
  EXPECT_TRUE(S().IsVisible("OneGain1on"));
  EXPECT_FALSE(S().IsVisible("OneGain0off"));
  EXPECT_EQ(S().Text("TXFRb"), "FRb = full");
  EXPECT_EQ(S().Text("TXDCSETS"), "-1/8*VRE");
  EXPECT_EQ(S().LookOf("LVDDAP"), Look::Active);
  EXPECT_EQ(S().LookOf("LREFP"), Look::Plain);
  EXPECT_TRUE(S().IsVisible("VERBUFFoff0"));
  EXPECT_FALSE(S().IsVisible("VERBUFFon0"));
  EXPECT_EQ(S().LookOf("LV12N"), Look::Active);
  EXPECT_EQ(S().Text("TXOSR"), "ADC_CK = 240sps");
  EXPECT_EQ(S().LookOf("PHS"), Look::Active);
  EXPECT_EQ(S().LookOf("POSM"), Look::Plain);
  EXPECT_EQ(S().LookOf("PIRQEN"), Look::Active);
  EXPECT_EQ(S().LookOf("LOSCS3"), Look::Active);
  EXPECT_EQ(S().LookOf("LOSCS2"), Look::Plain);
  EXPECT_EQ(S().Text("LLDO"), "3.0V");
  EXPECT_EQ(S().Text("TXREFOS"), "1.5V");
  EXPECT_EQ(S().LookOf("ENLDO"), Look::Active);
  EXPECT_EQ(S().LookOf("PENREFO"), Look::Plain);
  EXPECT_EQ(bench.chip.AdcFields.at("DCSET").value, 9);

  // The rate follows HS at the next refresh without OSR being touched.
  Preset(3, 0xA5);
  panel.DataUpdate();
  EXPECT_EQ(S().Text("TXOSR"), "ADC_CK = 80sps");

  // VRPS 0 uses the buffered reference.
  Preset(2, 0x83);
  panel.DataUpdate();
  EXPECT_EQ(S().LookOf("LREFP"), Look::Active);
  EXPECT_TRUE(S().IsVisible("VERBUFFon0"));
  EXPECT_EQ(S().Text("TXDCSETS"), "0*VRE");
}

TEST_F(AdcPanelTest, SelectingPgaItemWritesTheRegisterByteAndKeepsTheGainInTheModel) {
  Preset(1, 0x1C);  // ADGN 3, FSRB 1
  panel.DataUpdate();
  ASSERT_TRUE(panel.ListChanged("TXPGAGN", 3));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x01, 0x7C}}));
  EXPECT_EQ(registers[1], 0x7C);
  EXPECT_EQ(bench.access.GetRegImage(1), 0x7C);
  EXPECT_EQ(bench.chip.AdcFields.at("PGA").value, 3);
  EXPECT_EQ(bench.chip.AdcFields.at("ADGN").value, 3);
  EXPECT_EQ(bench.chip.AdcFields.at("FSRB").value, 1);
  EXPECT_EQ(S().Text("TXPGAGNS"), "x 8");
  EXPECT_EQ(S().Text("TXADGNS"), "ADGN = 8");
  EXPECT_TRUE(S().IsVisible("OneGain0off"));
  EXPECT_EQ(S().Item("TXPGAGN"), 3);
}

TEST_F(AdcPanelTest, SwitchInvertsItsBitOnly) {
  Preset(3, 0xB5);
  panel.DataUpdate();
  ASSERT_TRUE(panel.Click("PHS"));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x03, 0xA5}}));
  EXPECT_EQ(S().Text("TXOSR"), "ADC_CK = 80sps");
  EXPECT_EQ(S().LookOf("PHS"), Look::Plain);

  ASSERT_TRUE(panel.Click("PFRb"));
  EXPECT_EQ(registers[1], 0x04);
  EXPECT_EQ(S().Text("TXFRb"), "FRb = 1/2");
  EXPECT_EQ(S().LookOf("PFRb"), Look::Active);
  EXPECT_FALSE(panel.Click("NoSuchControl"));
}

TEST_F(AdcPanelTest, ValueBeyondTheFieldWidthIsRefusedAndTheListRestored) {
  bench.chip.AdcFields.at("INP").width = 2;  // a chip with four positive inputs
  Preset(0, 0x20);
  panel.DataUpdate();
  ASSERT_EQ(S().Item("TXINP"), 2);
  ASSERT_TRUE(panel.ListChanged("TXINP", 5));
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(S().Item("TXINP"), 2);

  ASSERT_TRUE(panel.ListChanged("TXINP", 3));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x00, 0x30}}));
  EXPECT_EQ(S().Item("TXINP"), 3);
}

TEST_F(AdcPanelTest, FailedWriteLeavesImageAndListUnchanged) {
  Preset(1, 0x20);
  panel.DataUpdate();
  bridge.failWrites = 1;
  panel.ListChanged("TXPGAGN", 5);
  EXPECT_EQ(bench.access.GetRegImage(1), 0x20);
  EXPECT_EQ(S().Item("TXPGAGN"), 1);
  EXPECT_EQ(S().Text("TXPGAGNS"), "x 2");
}

TEST_F(AdcPanelTest, ReadingInDecimalAndHexAtTheChosenResolution) {
  conversion = {0xFF, 0xFF, 0xFF};
  // No resolution chosen yet: the reading is shown undivided.
  ASSERT_TRUE(panel.Click("BADCRead"));
  EXPECT_EQ(bridge.Heads(5).back(), (Bytes{0xC4, 0x01, 0xA0, 0x05, 0x03}));
  EXPECT_EQ(S().Text("TXADC"), "7FFFFF");

  panel.ListChanged("TXADCOMD", 1);
  panel.ListChanged("TXADCObit", 15);
  EXPECT_EQ(panel.Divisor(), 1);
  EXPECT_EQ(S().Text("TXADC"), "-1");
  panel.ListChanged("TXADCOMD", 0);
  EXPECT_EQ(S().Text("TXADC"), "7FFFFF");

  panel.ListChanged("TXADCObit", 0);
  EXPECT_EQ(panel.Divisor(), 32768);
  EXPECT_EQ(S().Text("TXADC"), "FF");
  EXPECT_EQ(bench.settings.AdcOutBitsIndex, 0);
  panel.ListChanged("TXADCObit", 16);
  EXPECT_EQ(panel.Divisor(), 32768) << "an item out of range changes nothing";
  EXPECT_EQ(S().Item("TXADCObit"), 0);

  // A failed read keeps the previous reading.
  conversion = {0x00, 0x00, 0x00};
  bridge.failWrites = 1;
  panel.Click("BADCRead");
  EXPECT_EQ(S().Text("TXADC"), "FF");
}

TEST_F(AdcPanelTest, ConfigurationResolutionSetsTheDivisor) {
  bench.settings.AdcDisplayMode = 1;
  bench.settings.AdcOutBitsIndex = 12;
  panel.ConfigLoaded();
  EXPECT_EQ(panel.Divisor(), 8);
  EXPECT_EQ(S().Item("TXADCObit"), 12);
  EXPECT_EQ(S().Item("TXADCOMD"), 1);
  EXPECT_EQ(panel.Mode(), ReadingMode::Dec);
  EXPECT_EQ(S().Text("TXADC"), "ADC OFF") << "the result field waits for a reading";

  // An item the file cannot name leaves the divisor unset: readings show undivided.
  AdcPanel fresh(bench);
  fresh.FormCreate();
  bench.settings.AdcOutBitsIndex = -1;
  fresh.ConfigLoaded();
  EXPECT_EQ(fresh.Divisor(), 0);
  EXPECT_EQ(fresh.State().Item("TXADCObit"), -1);
}

TEST_F(AdcPanelTest, ContinuousReadingFollowsTheLinkMonitorAndStopsOnClose) {
  panel.ListChanged("TXADCObit", 15);
  ASSERT_TRUE(panel.Click("BRDADC"));
  EXPECT_TRUE(bench.monitor.continuousRead);
  EXPECT_EQ(S().Text("BRDADC"), "Reading");

  conversion = {0x00, 0x10, 0x00};
  bench.monitor.Tick();
  EXPECT_EQ(host.adcReadings, 1);
  panel.ShowReading();
  EXPECT_EQ(S().Text("TXADC"), "800");

  panel.Click("BRDADC");
  EXPECT_FALSE(bench.monitor.continuousRead);
  EXPECT_EQ(S().Text("BRDADC"), "STOP");
  panel.Click("BRDADC");
  panel.FormClose();
  EXPECT_FALSE(bench.monitor.continuousRead);
  EXPECT_EQ(S().Text("BRDADC"), "STOP");
  bench.monitor.Tick();
  EXPECT_EQ(host.adcReadings, 1);
}

}  // namespace
}  // namespace qx::panels::test
