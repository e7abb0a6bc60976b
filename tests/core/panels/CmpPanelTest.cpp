#include "core/panels/CmpPanel.h"

#include "PanelBench.h"

namespace qx::panels::test {
namespace {

class CmpPanelTest : public PanelBench {
 protected:
  void SetUp() override {
    PanelBench::SetUp();
    LoadChip(kQx7T404);
    panel.FormCreate();
  }
  const PanelState& S() const { return panel.State(); }

  CmpPanel panel{bench};
};

TEST_F(CmpPanelTest, ChipSetsInputsCaptionsAndPortSwitches) {
  EXPECT_EQ(S().List("TXCPIH"), (std::vector<std::string>{"00", "01", "10"}));
  EXPECT_EQ(S().Text("LCPIH1"), "Float");
  EXPECT_EQ(S().Text("LCPIH2"), "CPI2");
  EXPECT_FALSE(S().IsVisible("LCPIH3"));
  EXPECT_FALSE(S().IsEnabled("CPIH11on"));
  EXPECT_FALSE(S().IsVisible("LCPIL7"));
  EXPECT_EQ(S().Text("PPMX"), "PT1.0");
  EXPECT_EQ(S().Text("PTCX"), "TC1.0");
  EXPECT_EQ(S().Text("LCPVRS1001"), "VR9 = 625mV");
  EXPECT_EQ(S().Text("LCPVCS11"), "0.5 x VDD");
  EXPECT_FALSE(S().IsEnabled("PCPOIF")) << "the output flag is only shown";
  EXPECT_TRUE(bench.chip.Ui.switchRequests.empty()) << "the loader's request was run";
  EXPECT_EQ(S().Text("LCMPONOFF"), "OFF");
  EXPECT_TRUE(bridge.requests.empty());
}

TEST_F(CmpPanelTest, AChipWithoutTheBlockDisablesEveryControl) {
  LoadChip(kQx7401);
  panel.ApplyChip();
  for (const char* c : {"TXCPIH", "TXCPIL", "CPIH00on", "PENCPA", "PPMX", "PTCX", "PDAX", "PREFO",
                        "CPISon", "TXVDDA"})
    EXPECT_FALSE(S().IsEnabled(c)) << c;
  EXPECT_EQ(S().Text("PPMX"), "PM1.7") << "the old chip's caption is gone";
  EXPECT_TRUE(S().IsVisible("LCPIH3"));
  EXPECT_EQ(S().Text("LCPIH1"), "CPIH1");
}

TEST_F(CmpPanelTest, ThresholdPairsFollowTheFieldWidth) {
  // CPVRS is two bits wide on this chip: only the first four thresholds exist.
  for (int k = 0; k < 16; ++k) {
    std::string code;
    for (int b = 3; b >= 0; --b) code += (k >> b & 1) ? '1' : '0';
    EXPECT_EQ(S().IsEnabled("CPVRS" + code + "on"), k < 4) << code;
  }
  Preset(0x4A, 0x08);  // CPVRS 1
  panel.DataUpdate();
  ASSERT_TRUE(panel.ListChanged("TXCPVRS", 5));
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(S().Item("TXCPVRS"), 1);
  panel.Click("CPVRS0101on");
  EXPECT_TRUE(Writes().empty());

  ASSERT_TRUE(panel.ListChanged("TXCPVRS", 3));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x4A, 0x18}}));
  EXPECT_EQ(S().LookOf("LCPVRS0011"), Look::Dark);
  EXPECT_TRUE(S().IsVisible("CPVRS0011on"));
  EXPECT_FALSE(S().IsVisible("CPVRS0001on"));
}

TEST_F(CmpPanelTest, SourceSelectionHighlightsItsLabel) {
  Preset(0x4A, 0x40);  // CPVCS 2
  panel.DataUpdate();
  EXPECT_EQ(S().LookOf("LCPVCS10"), Look::Dark);
  EXPECT_EQ(S().Text("LCPVCS10"), "0.25 x VDD");
  EXPECT_EQ(S().LookOf("LCPVCS00"), Look::Plain);
  EXPECT_EQ(S().Item("TXCPVCS"), 2);

  ASSERT_TRUE(panel.Click("LCPVCS01"));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x4A, 0x20}}));
}

TEST_F(CmpPanelTest, EdgeImageTogglesTheEdgeSelection) {
  ASSERT_TRUE(S().IsVisible("CPOraising"));
  ASSERT_FALSE(S().IsVisible("CPOfalling"));
  ASSERT_TRUE(panel.Click("CPOraising"));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x49, 0x20}}));
  EXPECT_TRUE(S().IsVisible("CPOfalling"));
  EXPECT_FALSE(S().IsVisible("CPOraising"));
  EXPECT_EQ(S().LookOf("PCPOEG"), Look::Active);

  panel.Click("CPOfalling");
  EXPECT_EQ(memory[0x49], 0x00);
  panel.Click("CS1up");
  EXPECT_EQ(memory[0x49], 0x02);
  EXPECT_TRUE(S().IsVisible("CS1down"));
  panel.Click("CPIX1up");
  EXPECT_EQ(memory[0x49], 0x42);
  EXPECT_TRUE(S().IsVisible("CPIXdown"));
  EXPECT_TRUE(S().IsVisible("CPIX1down"));
  EXPECT_FALSE(S().IsVisible("CPIXup"));
}

TEST_F(CmpPanelTest, SummaryNeedsTheEnableAndAllThreePortSwitches) {
  Preset(0x48, 0x80);  // ENCPA
  Preset(0x4B, 0xC0);  // PTMX, TRISCX, not PTDAX
  panel.DataUpdate();
  EXPECT_EQ(S().Text("LCMPONOFF"), "OFF");
  ASSERT_TRUE(panel.Click("PDAX"));
  EXPECT_EQ(memory[0x4B], 0xE0);
  EXPECT_EQ(S().Text("LCMPONOFF"), "ON");
  EXPECT_EQ(S().LookOf("PDAX"), Look::Active);
  panel.Click("PENCPA");
  EXPECT_EQ(S().Text("LCMPONOFF"), "OFF");
}

TEST_F(CmpPanelTest, OutputFlagIsShownButNotWritten) {
  Preset(0x49, 0x04);
  panel.DataUpdate();
  EXPECT_EQ(S().LookOf("PCPOIF"), Look::Active);
  EXPECT_TRUE(panel.Click("PCPOIF"));
  EXPECT_FALSE(panel.PopUp("PCPOIF"));
  EXPECT_TRUE(Writes().empty());
}

TEST_F(CmpPanelTest, SupplyTextOnBothLabels) {
  Preset(0x4A, 0x07);  // ENVDDA 1, VDDAX 3
  panel.DataUpdate();
  EXPECT_EQ(S().Text("TXVDDAS"), "VDDA = 2.4V V");
  EXPECT_EQ(S().Text("TXVDDAS1"), "VDDA = 2.4V V");
  ASSERT_TRUE(panel.PopUp("PENVDDA"));
  panel.DecerClick();
  EXPECT_EQ(memory[0x4A], 0x03);
  EXPECT_EQ(S().Text("TXVDDAS1"), "VDDA = External");
  ASSERT_TRUE(panel.ListChanged("TXVDDA", 1));
  EXPECT_EQ(memory[0x4A], 0x01);
}

TEST_F(CmpPanelTest, InputListsSelectByCodeText) {
  ASSERT_TRUE(panel.ListChanged("TXCPIH", 2));  // "10"
  EXPECT_EQ(memory[0x48], 0x20);
  EXPECT_EQ(S().LookOf("LCPIH2"), Look::Dark);
  ASSERT_TRUE(panel.ListChanged("TXCPIL", 6));  // "110"
  EXPECT_EQ(memory[0x48], 0x26);
  EXPECT_TRUE(S().IsVisible("CPIL110on"));
}

}  // namespace
}  // namespace qx::panels::test
