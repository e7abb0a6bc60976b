#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "RecordingHost.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/MemoryTextSource.h"

namespace qx::chip {
namespace {

using Items = std::vector<std::string>;

class AnalogSectionTest : public ::testing::Test {
 protected:
  void Load(const std::string& chipText) {
    files.Set("INC/QxSel.INC", "A.CHP X Y\n");
    files.Set("INC/A.CHP", chipText);
    ASSERT_TRUE(loader.GetSELUP({}).Ok());
  }
  const FormState& Form(const char* name) const { return model.Ui.Form(name); }

  MemoryTextSource files;
  ChipModel model;
  test::RecordingHost host;
  ChipLoader loader{model, files, host, "INC"};
};

TEST_F(AnalogSectionTest, AdcFieldsAndPanelEffects) {
  Load(
      "#ADC0S\n"
      "001H PGA 3 5\n"
      "001H ADGN 0 3\n"
      "003H OSCS 2 0 327KHz 1MHz /15 /5\n"
      "000H INP 2 4 AI0 AI1 AI2\n"
      "004H LDO 1 5 2.4V 3.3V EXTRA\n"
      "004H ENLDO 0 7\n"
      "003H IRQEN 1 2\n"
      "005H ADCO 9 9\n");
  const FieldDescriptor& pga = model.AdcFields.at("PGA");
  EXPECT_EQ(pga.address, 1);
  EXPECT_EQ(pga.width, 3);
  EXPECT_EQ(pga.lsb, 5);
  EXPECT_TRUE(pga.present);
  EXPECT_EQ(pga.Extract(0xA0), 5);
  EXPECT_TRUE(model.HasAdc0);

  const FormState& adc = Form(kAdcPanel);
  EXPECT_TRUE(adc.IsEnabled("TXPGAGNS"));
  EXPECT_FALSE(adc.IsEnabled("TXADGN"));  // width 0 enables nothing
  EXPECT_TRUE(model.AdcFields.at("ADGN").present);
  EXPECT_TRUE(adc.IsEnabled("ENLDO"));  // enabled whatever the width
  EXPECT_EQ(adc.List("COMOSCS"), (Items{"327KHZ", "1MHZ", "/15", "/5"}));
  EXPECT_EQ(adc.Caption("LOSCS2"), "327KHZ");
  EXPECT_EQ(adc.Caption("LOSCS3"), "1MHZ");
  EXPECT_EQ(adc.Caption("LOSCS0"), "/15");
  EXPECT_EQ(adc.Caption("LOSCS1"), "/5");
  EXPECT_EQ(adc.List("TXINP"), (Items{"AI0", "AI1", "AI2", ""}));  // a missing name is empty
  EXPECT_EQ(adc.Caption("LINP2"), "AI2");
  EXPECT_EQ(adc.Caption("LINP3"), "");
  EXPECT_EQ(adc.captions.count("LINP4"), 0u);
  EXPECT_EQ(adc.List("TXLDO"), (Items{"2.4V", "3.3V"}));
  EXPECT_TRUE(adc.IsEnabled("TXLDO"));
  EXPECT_TRUE(model.AdcFields.at("IRQEN").present);

  const OutputDescriptor& out = model.AdcOutputs.at("ADCO");
  EXPECT_EQ(out.address, 5);
  EXPECT_TRUE(out.present);
  EXPECT_EQ(model.AdcFields.count("ADCO"), 0u);
  EXPECT_FALSE(model.AdcOutputs["TSO"].present);
}

TEST_F(AnalogSectionTest, UnknownKeywordsAndWrongSectionChangeNothing) {
  Load("#OP0S\n040H OSCS 2 0 A B C D\n040H BOGUS 1 1\n#ADC0S\n001H OP0P 2 4 A B C D\n");
  EXPECT_TRUE(model.OpFields.empty());
  EXPECT_TRUE(model.AdcFields.empty());
  EXPECT_TRUE(Form(kOpPanel).enabled.empty());
  EXPECT_TRUE(Form(kAdcPanel).lists.empty());
}

TEST_F(AnalogSectionTest, AChipLoadForgetsTheBlocksOfThePreviousChip) {
  Load(
      "#ADC0S\n001H PGA 3 5\n001H INP 1 4 X Y\n005H ADCO\n"
      "#OP0S\n041H VDDAX 2 2 2.4V 2.7V 3.0V 3.3VOLTAGE\n"
      "#CMP0S\n049H CPOIF 1 2\n04BH PTMX PT1.0 1 7\n");
  ASSERT_FALSE(model.Ui.switchRequests.empty());
  Load("#ADC0S\n001H ADGN 2 3\n");
  EXPECT_EQ(model.AdcFields.count("PGA"), 0u);
  EXPECT_EQ(model.AdcOutputs.count("ADCO"), 0u);
  EXPECT_TRUE(model.AdcFields.at("ADGN").present);
  EXPECT_FALSE(Form(kAdcPanel).IsEnabled("TXPGAGNS"));
  EXPECT_TRUE(Form(kAdcPanel).lists.empty());
  EXPECT_TRUE(Form(kAdcPanel).captions.empty());
  EXPECT_TRUE(model.OpFields.empty());
  EXPECT_TRUE(model.CmpFields.empty());
  EXPECT_TRUE(Form(kOpPanel).enabled.empty());
  EXPECT_TRUE(Form(kCmpPanel).enabled.empty());
  EXPECT_TRUE(Form(kCmpPanel).captions.empty());
  EXPECT_TRUE(model.Ui.switchRequests.empty());
  EXPECT_EQ(model.OpVddaNames, (std::array<std::string, 4>{}));
}

TEST_F(AnalogSectionTest, OpAmpSelectors) {
  Load(
      "#OP0S\n"
      "040H OP0P 2 4 AI0 AI1 - VREF\n"
      "040H OP0N 3 0 N0 N1 - N3\n"
      "041H ENVDDA 1 4\n"
      "041H OP0M 0 6\n");
  const FormState& op = Form(kOpPanel);
  EXPECT_TRUE(op.IsEnabled("OP0P00on"));
  EXPECT_TRUE(op.IsEnabled("OP0P01off"));
  EXPECT_FALSE(op.IsEnabled("OP0P10on"));
  EXPECT_FALSE(op.IsEnabled("OP0P10off"));
  EXPECT_TRUE(op.IsEnabled("OP0P11on"));
  EXPECT_FALSE(op.IsVisible("ImAP2"));
  EXPECT_FALSE(op.IsVisible("LAP2"));
  EXPECT_TRUE(op.IsVisible("ImAP3"));
  EXPECT_EQ(op.Caption("LAP3"), "VREF");
  EXPECT_EQ(op.List("TXOP0P"), (Items{"00", "01", "11"}));
  EXPECT_EQ(op.itemIndex.at("TXOP0P"), 0);
  EXPECT_TRUE(op.IsEnabled("TXOP0P"));

  // OP0N: only "-" marks an absent option; missing words are present with no caption.
  EXPECT_EQ(op.List("TXOP0N"), (Items{"000", "001", "011", "100", "101", "110", "111"}));
  EXPECT_FALSE(op.IsEnabled("OP0N010on"));
  EXPECT_TRUE(op.IsEnabled("OP0N111off"));
  EXPECT_TRUE(op.IsVisible("LAI7"));
  EXPECT_EQ(op.Caption("LAI7"), "");
  EXPECT_TRUE(op.IsEnabled("PENVDDA"));
  EXPECT_FALSE(op.IsEnabled("TXOP0M"));
}

TEST_F(AnalogSectionTest, ComparatorFields) {
  Load(
      "#CMP0S\n"
      "048H CPIH 2 4 CPI0 -- CPI2\n"
      "048H CPIL 3 0 L0 L1 - L3 L4 L5 L6 L7\n"
      "04BH PTMX PT1.0 1 7\n"
      "04BH TRISCX TC1.0 2 5\n"
      "049H CPOIF 1 2\n"
      "04AH CPVCS 2 5\n"
      "04AH CPVRS 0 3\n"
      "04AH VDDAX 2 0 1.2V 1.5V\n"
      "04BH ENREF 1 4\n");
  const FormState& cmp = Form(kCmpPanel);
  EXPECT_TRUE(cmp.IsEnabled("CPIH01on"));
  EXPECT_EQ(cmp.Caption("LCPIH1"), "Float");
  EXPECT_EQ(cmp.Caption("LCPIH0"), "CPI0");
  EXPECT_FALSE(cmp.IsVisible("LCPIH3"));  // missing word: absent
  EXPECT_FALSE(cmp.IsEnabled("CPIH11on"));
  EXPECT_EQ(cmp.List("TXCPIH"), (Items{"00", "01", "10"}));
  EXPECT_EQ(cmp.List("TXCPIL"), (Items{"000", "001", "011", "100", "101", "110", "111"}));
  EXPECT_EQ(cmp.visible.count("ImAP0"), 0u);  // the comparator has no images

  const FieldDescriptor& ptmx = model.CmpFields.at("PTMX");
  EXPECT_EQ(ptmx.address, 0x4B);
  EXPECT_EQ(ptmx.width, 1);
  EXPECT_EQ(ptmx.lsb, 7);
  EXPECT_EQ(cmp.Caption("PPMX"), "PT1.0");
  EXPECT_TRUE(cmp.IsEnabled("PPMX"));
  EXPECT_EQ(model.CmpFields.at("TRISCX").lsb, 5);
  EXPECT_EQ(cmp.Caption("PTCX"), "TC1.0");

  ASSERT_EQ(model.Ui.switchRequests.size(), 1u);
  EXPECT_EQ(model.Ui.switchRequests[0], (PanelSwitchRequest{kCmpPanel, "PCPOIF", 0}));
  EXPECT_TRUE(cmp.IsEnabled("CPVCS"));
  EXPECT_FALSE(cmp.IsEnabled("CPVRS"));
  EXPECT_TRUE(cmp.IsEnabled("PREFO"));
  EXPECT_TRUE(cmp.IsEnabled("TXVDDA"));
  EXPECT_EQ(model.CmpVddaNames, (std::array<std::string, 4>{"1.2V", "1.5V", "", ""}));
  EXPECT_EQ(model.OpVddaNames, (std::array<std::string, 4>{}));  // the op-amp keeps its own
  EXPECT_TRUE(model.HasCmp0);
  EXPECT_FALSE(model.HasOp0);
}

TEST_F(AnalogSectionTest, HugeWidthsStayBounded) {
  Load("#ADC0S\n000H INP 0FFH 0FFH A B\n000H OSCS 9 0\n#CMP0S\n048H CPIL 200 0\n");
  EXPECT_EQ(Form(kAdcPanel).List("TXINP").size(), 256u);
  EXPECT_EQ(Form(kAdcPanel).List("COMOSCS").size(), 256u);
  EXPECT_EQ(model.AdcFields.at("INP").Extract(0xFF), 0);  // lsb beyond the byte
  EXPECT_EQ(Form(kCmpPanel).List("TXCPIL").size(), 0u);   // no setting words: all absent
}

}  // namespace
}  // namespace qx::chip
