#include "core/views/RegisterViewModel.h"

#include <gtest/gtest.h>

#include "ViewsTestSupport.h"

namespace qx::views {
namespace {

using test::FakePort;
using Writes = std::vector<std::pair<int, int>>;

const CellLook kChangedName{colour::kBlue, colour::kWhite};
const CellLook kPlainName{colour::kButtonFace, colour::kBlack};

class RegisterViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LoadChip(chip, test::kBankedChip);
    model.ApplyChip();
  }
  std::vector<std::string> Row(RegGrid g, int row) {
    std::vector<std::string> r;
    for (int c = 0; c < 9; ++c) r.push_back(model.Text(g, c, row));
    return r;
  }

  chip::ChipModel chip;
  FakePort port;
  int page = 0;
  RegisterViewModel model{chip, port, page};
};

TEST_F(RegisterViewModelTest, AChipLoadLeavesNothingOfThePreviousChipInTheGrids) {
  model.RefreshRegisters(false);
  ASSERT_EQ(model.Text(RegGrid::Word, 0, 1), "0000");
  test::LoadChip(chip, 0);  // the ADC chip: five byte registers, no word registers
  model.ApplyChip();
  model.RefreshRegisters(false);
  EXPECT_EQ(model.Rows(RegGrid::Word), 0);
  for (int c = 0; c < 9; ++c) EXPECT_EQ(model.Text(RegGrid::Word, c, 1), "") << c;
  EXPECT_EQ(model.Rows(RegGrid::Byte), 2);
  EXPECT_EQ(Row(RegGrid::Byte, 0),
            (std::vector<std::string>{"ADCCON0", "ADCCON1", "ADCCON2", "ADCCON3", "ADCCON4", "", "",
                                      "", ""}));
  EXPECT_EQ(Row(RegGrid::Byte, 1)[5], "");
}

TEST_F(RegisterViewModelTest, PagesSelectTheirBitRegisters) {
  EXPECT_EQ(model.rkrr(), std::make_pair(0, 3));
  EXPECT_EQ(model.Rows(RegGrid::Bit), 3);
  EXPECT_EQ(Row(RegGrid::Bit, 0),
            (std::vector<std::string>{"STATUS", "-", "-", "-", "TO", "PD", "Z", "DC", "C"}));
  model.SelectPage(1);
  EXPECT_EQ(page, 1);
  EXPECT_EQ(model.rkrr(), std::make_pair(3, 5));
  EXPECT_EQ(model.Text(RegGrid::Bit, 0, 1), "TRISC1");
  model.SelectPage(3);
  EXPECT_EQ(model.Rows(RegGrid::Bit), 1);
  EXPECT_EQ(model.Text(RegGrid::Bit, 0, 0), "WDTCON");
  EXPECT_EQ(model.PageButton(3), (ButtonLook{true, colour::kWhite}));
  EXPECT_EQ(model.PageButton(0), ButtonLook{});
  model.SelectPage(1);
  EXPECT_EQ(model.PageButton(1), (ButtonLook{true, colour::kGreen}));
  for (int p = 0; p < 4; ++p) EXPECT_TRUE(model.PageVisible(p)) << p;

  chip.BitPageCount[2] = 0;  // a page without registers
  model.SelectPage(2);
  EXPECT_EQ(model.Rows(RegGrid::Bit), 0);
}

TEST_F(RegisterViewModelTest, BitRegisterValuesAndChangeColouring) {
  port.image[0x03] = 0xF4;  // three unimplemented bits read as 0
  model.RefreshRegisters(false);
  EXPECT_EQ(chip.BitRegs.Items(0)->value, 0x14);
  EXPECT_EQ(model.Look(RegGrid::Bit, 0, 0), kChangedName);
  EXPECT_EQ(model.Look(RegGrid::Bit, 0, 1), kPlainName);
  EXPECT_EQ(model.Look(RegGrid::Bit, 4, 0), (CellLook{colour::kWhite, colour::kBlue}));    // TO
  EXPECT_EQ(model.Look(RegGrid::Bit, 5, 0), (CellLook{colour::kSilver, colour::kBlack}));  // PD
  EXPECT_EQ(model.Look(RegGrid::Bit, 1, 0), (CellLook{colour::kSilver, colour::kBlack}));
  model.RefreshRegisters(false);
  EXPECT_EQ(model.Look(RegGrid::Bit, 0, 0), kPlainName) << "same value twice";
  EXPECT_EQ(chip.LastValue[0x03], 0x14);
}

TEST_F(RegisterViewModelTest, ByteAndWordGridsShowMaskedValues) {
  port.image[0x30] = 0xFF;  // TMRCON, mask F7
  port.image[0x04] = 0xFF;  // BSR, mask 03
  port.image[0x0F] = 0x12;  // FSR0 high, mask 03
  port.image[0x10] = 0x34;
  model.RefreshRegisters(false);
  EXPECT_EQ(Row(RegGrid::Byte, 0),
            (std::vector<std::string>{"IND0", "PCL", "BSR", "PCH", "WORK", "TMRCON", "", "", ""}));
  EXPECT_EQ(Row(RegGrid::Byte, 1),
            (std::vector<std::string>{"00", "00", "03", "00", "00", "F7", "", "", ""}));
  EXPECT_EQ(model.Text(RegGrid::Word, 0, 1), "0234");
  EXPECT_EQ(model.Look(RegGrid::Byte, 5, 0), kChangedName);
  EXPECT_EQ(model.Look(RegGrid::Byte, 0, 0), kPlainName);
  EXPECT_EQ(model.Look(RegGrid::Byte, 6, 0), kPlainName) << "no register there";
  EXPECT_EQ(model.Look(RegGrid::Byte, 5, 1), (CellLook{colour::kWhite, colour::kBlack}));
  EXPECT_EQ(model.Look(RegGrid::Word, 0, 0), kChangedName);

  // Only the low byte changes: the low address is marked, not the high one.
  port.image[0x10] = 0x35;
  model.RefreshRegisters(false);
  EXPECT_FALSE(chip.Changed[0x0F]);
  EXPECT_TRUE(chip.Changed[0x10]);
  EXPECT_EQ(model.Look(RegGrid::Word, 0, 0), kPlainName);
  // Both change: only the high address is marked.
  port.image[0x0F] = 0x01;
  port.image[0x10] = 0x00;
  model.RefreshRegisters(false);
  EXPECT_TRUE(chip.Changed[0x0F]);
  EXPECT_FALSE(chip.Changed[0x10]);
  EXPECT_EQ(chip.WordRegs.Items(0)->value, 0x0100);
}

TEST_F(RegisterViewModelTest, PanelsShowWorkAndIndirectValues) {
  port.image[0x29] = 0x5A;
  port.image[0x11] = 0x01;
  port.image[0x12] = 0x23;
  port.image[0x123] = 0xC7;
  model.RefreshRegisters(false);
  EXPECT_EQ(model.Work().text, "5A");
  EXPECT_TRUE(model.Work().changed);
  EXPECT_EQ(model.Work().Look(), (CellLook{colour::kBlue, colour::kWhite}));
  EXPECT_EQ(model.Indirect(0).text, "000");
  EXPECT_EQ(model.Indirect(2).text, "123");
  EXPECT_EQ(model.Indirect(3).text, "C7");
  EXPECT_TRUE(model.Indirect(3).changed);
  EXPECT_FALSE(model.Indirect(0).changed);
  model.RefreshRegisters(false);
  EXPECT_FALSE(model.Work().changed);
  EXPECT_EQ(model.Work().Look(), (CellLook{colour::kWhite, colour::kBlue}));
  port.image[0x29] = 0x5B;
  port.image[0x123] = 0x00;
  model.RefreshRegisters(true);
  EXPECT_FALSE(model.Work().changed) << "suppressed";
  EXPECT_FALSE(model.Indirect(3).changed) << "suppressed";
  EXPECT_EQ(model.Work().text, "5B");
}

TEST_F(RegisterViewModelTest, PopupRequestsAndTheirWrites) {
  port.image[0x29] = 0x5A;
  port.image[0x0F] = 0x02;
  port.image[0x10] = 0x80;
  port.image[0x280] = 0x66;
  EXPECT_EQ(model.DoubleClick(RegGrid::Bit, 0, 1),
            (HexRequest{"Ram00B=INTE", "FF", "00~FF", {WriteTarget::Kind::Byte, 0x0B, 0}}));
  EXPECT_FALSE(model.DoubleClick(RegGrid::Bit, 3, 1)) << "bit cells use the bit menu";
  EXPECT_FALSE(model.DoubleClick(RegGrid::Bit, 0, 3)) << "beyond the page";
  EXPECT_EQ(model.DoubleClick(RegGrid::Byte, 5, 0)->prompt, "Ram030=TMRCON");
  EXPECT_FALSE(model.DoubleClick(RegGrid::Byte, 5, 1)) << "value row";
  EXPECT_FALSE(model.DoubleClick(RegGrid::Byte, 7, 0)) << "no register";
  EXPECT_EQ(model.DoubleClick(RegGrid::Word, 2, 0),
            (HexRequest{"RamTMR", "FFFF", "0000~FFFF", {WriteTarget::Kind::Word, 0x14, 0x15}}));
  EXPECT_EQ(model.WorkRequest()->prompt, "Work=5A");
  EXPECT_EQ(model.IndirectRequest(0),
            (HexRequest{"IND0=66", "FF", "00~FF", {WriteTarget::Kind::Byte, 0x280, 0}}));
  EXPECT_EQ(model.FsrRequest(0),
            (HexRequest{"FSR0=280", "FFF", "000~FFF", {WriteTarget::Kind::Word, 0x0F, 0x10}}));
  EXPECT_EQ(model.FsrRequest(1)->target, (WriteTarget{WriteTarget::Kind::Word, 0x11, 0x12}));
  EXPECT_EQ(RegisterViewModel::FsrMenuCaption(1), "Modify FSR1");

  model.Commit(model.DoubleClick(RegGrid::Word, 2, 0)->target, 0x1234);
  model.Commit(model.FsrRequest(1)->target, 0xABC);
  model.Commit(model.WorkRequest()->target, 0x7E);
  EXPECT_EQ(port.writes,
            (Writes{{0x14, 0x12}, {0x15, 0x34}, {0x11, 0x0A}, {0x12, 0xBC}, {0x29, 0x7E}}));
}

TEST_F(RegisterViewModelTest, BitMenuSetsAndClearsSingleBits) {
  EXPECT_FALSE(model.BitMenu(2, 0)) << "an unimplemented bit";
  EXPECT_FALSE(model.BitMenu(0, 0)) << "the name cell";
  const auto to = model.BitMenu(4, 0);
  ASSERT_TRUE(to);
  EXPECT_EQ(*to, (BitTarget{0x03, 4}));
  port.image[0x03] = 0x01;
  model.SetBit(*to);
  model.ClearBit(BitTarget{0x03, 0});
  EXPECT_EQ(port.writes, (Writes{{0x03, 0x11}, {0x03, 0x10}}));

  // The two registers whose bits are never offered one by one.
  for (const uint16_t address : {uint16_t{0x31}, uint16_t{0x32}}) {
    chip::BitRegister reg;
    reg.address = address;
    reg.name = "R";
    for (auto& b : reg.bit) b.name = "b";
    chip.BitRegs.Add(reg);
    ++chip.BitPageCount[3];
  }
  model.SelectPage(3);
  EXPECT_EQ(model.Rows(RegGrid::Bit), 3);
  EXPECT_TRUE(model.BitMenu(1, 0));
  EXPECT_FALSE(model.BitMenu(1, 1));
  EXPECT_FALSE(model.BitMenu(8, 2));
}

TEST_F(RegisterViewModelTest, TypedValuesAreWrittenOnEnterTabOrLeaving) {
  model.RefreshRegisters(false);
  for (char c : std::string("123")) EXPECT_TRUE(model.TypeKey(RegGrid::Byte, 5, 1, c));
  EXPECT_EQ(model.Text(RegGrid::Byte, 5, 1), "23");
  EXPECT_TRUE(model.EditPending());
  model.RefreshRegisters(false);
  EXPECT_EQ(model.Text(RegGrid::Byte, 5, 1), "23") << "a refresh keeps the typing";
  EXPECT_FALSE(model.TypeKey(RegGrid::Byte, 5, 1, 'x'));
  EXPECT_TRUE(model.TypeKey(RegGrid::Byte, 5, 1, '\r'));
  EXPECT_FALSE(model.EditPending());
  EXPECT_EQ(port.writes, (Writes{{0x30, 0x23}}));

  for (char c : std::string("ab12c")) model.TypeKey(RegGrid::Word, 2, 1, c);
  EXPECT_EQ(model.Text(RegGrid::Word, 2, 1), "B12C");
  model.TypeKey(RegGrid::Word, 2, 1, '\t');
  model.TypeKey(RegGrid::Byte, 0, 1, 'F');
  model.TypeKey(RegGrid::Byte, 0, 1, '\b');
  model.TypeKey(RegGrid::Byte, 0, 1, '9');
  model.CommitPending();
  EXPECT_EQ(port.writes, (Writes{{0x30, 0x23}, {0x14, 0xB1}, {0x15, 0x2C}, {0x00, 0x09}}));

  EXPECT_FALSE(model.TypeKey(RegGrid::Byte, 5, 0, '1')) << "name row";
  EXPECT_FALSE(model.TypeKey(RegGrid::Byte, 6, 1, '1')) << "beyond the last register";
  EXPECT_FALSE(model.TypeKey(RegGrid::Bit, 1, 0, '1'));
  EXPECT_FALSE(model.EditPending());
}

TEST_F(RegisterViewModelTest, DescriptionsBecomeTips) {
  EXPECT_EQ(model.Tip(RegGrid::Bit, 0, 0), "Status register");
  EXPECT_EQ(model.Tip(RegGrid::Bit, 4, 0), "TO: watchdog time-out flag");
  EXPECT_EQ(model.Tip(RegGrid::Byte, 4, 0), "Working register");
  EXPECT_EQ(model.Tip(RegGrid::Byte, 4, 1), "");
  EXPECT_EQ(model.Tip(RegGrid::Word, 0, 0), "Indirect address pointer 0");
}

TEST(RegisterViewModelLong, ListsLongerThan256AreRefreshedWhole) {
  chip::ChipModel chip;
  for (int i = 0; i < 300; ++i) {
    chip::ByteRegister r;
    r.address = static_cast<uint16_t>(i);
    chip.ByteRegs.Add(r);
    chip.ValidBits[static_cast<size_t>(i)] = 0xFF;
  }
  FakePort port;
  port.image[299] = 0x42;
  int page = 0;
  RegisterViewModel model(chip, port, page);
  model.ApplyChip();
  EXPECT_EQ(chip.ByteRegs.Items(299)->value, 0x42);
  EXPECT_EQ(model.Text(RegGrid::Byte, 299 % 9, 299 / 9 * 2 + 1), "42");
  EXPECT_EQ(chip.LastValue[299], 0x42);
}

}  // namespace
}  // namespace qx::views
