#include "core/panels/OpPanel.h"

#include "PanelBench.h"

namespace qx::panels::test {
namespace {

class OpPanelTest : public PanelBench {
 protected:
  void SetUp() override {
    PanelBench::SetUp();
    LoadChip(kQx7T404);
    panel.FormCreate();
  }
  const PanelState& S() const { return panel.State(); }

  OpPanel panel{bench};
};

TEST_F(OpPanelTest, FormCreateShowsZeroWithoutTouchingTheTarget) {
  EXPECT_TRUE(bridge.requests.empty());
  EXPECT_EQ(S().Text("TXENOPS"), "OFF");
  EXPECT_EQ(S().Text("TXOP0MS"), "Chopper HS_DCK/32");
  EXPECT_EQ(S().Text("TXVDDAS"), "VDDA = External");
  EXPECT_TRUE(S().IsVisible("OP0P00on"));
  EXPECT_FALSE(S().IsVisible("OP0P00off"));
  EXPECT_TRUE(S().IsVisible("OP0P01off"));
  EXPECT_EQ(S().LookOf("LAI0"), Look::Dark);
  EXPECT_EQ(S().LookOf("LAI1"), Look::Plain);
}

TEST_F(OpPanelTest, ChipDecidesWhichInputsExist) {
  EXPECT_EQ(S().List("TXOP0P"), (std::vector<std::string>{"00", "01", "11"}));
  EXPECT_EQ(S().List("TXOP0N"),
            (std::vector<std::string>{"000", "001", "010", "011", "110", "111"}));
  EXPECT_EQ(S().Text("LAP3"), "VREF");
  EXPECT_EQ(S().Text("LAI7"), "FB");
  EXPECT_FALSE(S().IsVisible("LAP2"));
  EXPECT_FALSE(S().IsVisible("ImAP2"));
  EXPECT_FALSE(S().IsEnabled("OP0P10on"));
  EXPECT_FALSE(S().IsEnabled("OP0P10off"));
  EXPECT_TRUE(S().IsEnabled("OP0P11on"));
  EXPECT_FALSE(S().IsVisible("LAI5"));
  for (const char* c : {"PENOP", "POP0IS", "PENVDDA", "TXOP0M", "TXVDDA"})
    EXPECT_TRUE(S().IsEnabled(c)) << c;
}

TEST_F(OpPanelTest, AChipWithoutTheBlockDisablesEveryControl) {
  LoadChip(kQx7401);
  panel.ApplyChip();
  for (const char* c : {"TXOP0P", "TXOP0N", "OP0P00on", "OP0N000on", "PENOP", "POP0IS", "PENVDDA",
                        "TXOP0M", "TXVDDA"})
    EXPECT_FALSE(S().IsEnabled(c)) << c;
  EXPECT_TRUE(S().IsVisible("LAP2")) << "no input is missing from a chip that declares none";
  EXPECT_EQ(S().Text("LAI7"), "AI7");
}

TEST_F(OpPanelTest, ClickingAnInputLabelSelectsItsCode) {
  Preset(0x40, 0x80);  // ENOP on
  panel.DataUpdate();
  ASSERT_TRUE(panel.Click("LAI7"));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x40, 0x87}}));
  EXPECT_EQ(bench.access.GetRegImage(0x40), 0x87);
  EXPECT_TRUE(S().IsVisible("OP0N111on"));
  EXPECT_FALSE(S().IsVisible("OP0N111off"));
  EXPECT_TRUE(S().IsVisible("OP0N000off"));
  EXPECT_EQ(S().LookOf("LAI7"), Look::Dark);
  EXPECT_EQ(S().LookOf("LAI0"), Look::Plain);
  EXPECT_EQ(S().SelectedText("TXOP0N"), "111");
  EXPECT_EQ(S().Text("TXENOPS"), "ON");

  // The off button of a setting selects it as well.
  bridge.requests.clear();
  panel.Click("OP0N001off");
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x40, 0x81}}));

  // A setting the chip marks absent cannot be selected.
  bridge.requests.clear();
  panel.Click("LAI5");
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(S().SelectedText("TXOP0N"), "001");
}

TEST_F(OpPanelTest, ListSelectionTakesTheCodeOfTheItemText) {
  ASSERT_TRUE(panel.ListChanged("TXOP0P", 2));  // "11"
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x40, 0x30}}));
  EXPECT_EQ(S().Item("TXOP0P"), 2);
  EXPECT_EQ(S().LookOf("LAP3"), Look::Dark);
  EXPECT_TRUE(S().IsVisible("OP0P11on"));

  bridge.requests.clear();
  ASSERT_TRUE(panel.ListChanged("TXOP0N", 4));  // "110"
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x40, 0x36}}));
}

TEST_F(OpPanelTest, ModeAndSupplyTexts) {
  Preset(0x41, 0x9C);  // OP0M 2, OP0IS 0, ENVDDA 1, VDDAX 3
  panel.DataUpdate();
  EXPECT_EQ(S().Text("TXOP0MS"), "Offset Position");
  EXPECT_EQ(S().Item("TXOP0M"), 2);
  EXPECT_EQ(S().Text("TXVDDAS"), "VDDA = 3.3VOLTA V");
  EXPECT_EQ(S().Item("TXVDDA"), 3);
  EXPECT_EQ(S().LookOf("PENVDDA"), Look::Active);
  EXPECT_TRUE(S().IsVisible("OP0ISoff"));

  Preset(0x41, 0x8C);  // ENVDDA 0, VDDAX still 3
  panel.DataUpdate();
  EXPECT_EQ(S().Text("TXVDDAS"), "VDDA = External");
  EXPECT_EQ(S().Item("TXVDDA"), 3);

  ASSERT_TRUE(panel.ListChanged("TXVDDA", 1));
  EXPECT_EQ(Writes(), (std::vector<std::array<uint8_t, 2>>{{0x41, 0x84}}));
  ASSERT_TRUE(panel.ListChanged("TXOP0M", 3));
  EXPECT_EQ(registers[0], 0);
  EXPECT_EQ(memory[0x41], 0xC4);
  EXPECT_EQ(S().Text("TXOP0MS"), "Offset Negative");
}

TEST_F(OpPanelTest, SwitchPanelsToggleAndThePopupSetsExplicitly) {
  ASSERT_TRUE(panel.Click("PENVDDA"));
  EXPECT_EQ(memory[0x41], 0x10);
  ASSERT_TRUE(panel.Click("PENVDDA"));
  EXPECT_EQ(memory[0x41], 0x00);

  ASSERT_TRUE(panel.PopUp("POP0IS"));
  panel.TIncerClick();
  EXPECT_EQ(memory[0x41], 0x20);
  EXPECT_TRUE(S().IsVisible("OP0ISon"));
  EXPECT_EQ(S().LookOf("POP0IS"), Look::Active);
  panel.TIncerClick();
  EXPECT_EQ(memory[0x41], 0x20) << "setting 1 again keeps it 1";
  panel.DecerClick();
  EXPECT_EQ(memory[0x41], 0x00);

  panel.Click("OP0ISoff");
  EXPECT_EQ(memory[0x41], 0x20);
  EXPECT_FALSE(panel.PopUp("TXOP0M"));
}

TEST_F(OpPanelTest, SettingBeyondTheFieldIsRefused) {
  bench.chip.OpFields.at("VDDAX").width = 1;
  Preset(0x41, 0x04);
  panel.DataUpdate();
  ASSERT_TRUE(panel.ListChanged("TXVDDA", 2));
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(S().Item("TXVDDA"), 1);
}

}  // namespace
}  // namespace qx::panels::test
