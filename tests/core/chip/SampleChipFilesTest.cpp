#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "RecordingHost.h"
#include "core/chip/ChipLine.h"
#include "core/chip/ChipList.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/MemoryTextSource.h"
#include "core/chip/TextLines.h"

namespace qx::chip {
namespace {

// The chip files shipped with the program, at the repository root.
std::string ShippedFolder() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / ".." / "INCLUDE")
      .lexically_normal()
      .string();
}

class SampleChipFilesTest : public ::testing::Test {
 protected:
  LoadResult Load(uint16_t index, LoadRequest request = {}) {
    request.chipIndex = index;
    return loader.GetSELUP(request);
  }

  FileTextSource files;
  ChipModel model;
  test::RecordingHost host;
  ChipLoader loader{model, files, host, ShippedFolder()};
};

TEST_F(SampleChipFilesTest, ChipListComesFromTheIndex) {
  const ChipList list = ChipList::Read(files, ShippedFolder());
  EXPECT_TRUE(list.fromIndexFile);
  EXPECT_EQ(list.items, (std::vector<std::string>{"QX7401  (16K)", "7R404  (8K)", "7T404  (16K)",
                                                  "7R402  (2K)"}));
}

TEST_F(SampleChipFilesTest, AdcChipForTheUsbBridge) {
  const LoadResult r = Load(0, {0, 3, 2});
  ASSERT_EQ(r.status, LoadResult::Status::Loaded) << r.error;
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(model.ProductName, "QX7401");
  EXPECT_FALSE(r.forceLinkKind.has_value());
  EXPECT_FALSE(r.clearAdcWindowFlag);
  EXPECT_EQ(r.currentBank, 0);
  EXPECT_EQ(r.currentPage, 0);
  // The USB bridge's register file is addresses 0..4: every ADC field must live there.
  for (const char* key : {"PGA", "ADGN", "FSRB", "OSR", "HS", "INP", "INN", "IRQEN", "TS", "DCSET",
                          "VRPS", "VRNS", "OSCS", "ADCEN", "ENLDO", "LDO"}) {
    const FieldDescriptor& f = model.AdcFields.at(key);
    EXPECT_TRUE(f.present) << key;
    EXPECT_LE(f.address, 4) << key;
    EXPECT_LE(f.width + f.lsb, 8) << key;
  }
  // No two fields share a bit.
  for (int a = 0; a <= 4; ++a) {
    int used = 0;
    for (const auto& [key, f] : model.AdcFields) {
      if (f.address != a) continue;
      EXPECT_EQ(used & f.Mask(), 0) << key;
      used |= f.Mask();
    }
    EXPECT_EQ(used & ~model.ValidBits[static_cast<size_t>(a)], 0) << a;
  }
  EXPECT_EQ(model.AdcField("PGA").Insert(0, 7), 0xE0);
  EXPECT_EQ(model.PgaGain, (std::array<uint8_t, 8>{1, 2, 4, 8, 16, 32, 64, 128}));
  EXPECT_EQ(model.AdgnGain, (std::array<uint8_t, 4>{1, 2, 4, 8}));
  EXPECT_EQ(model.ByteRegs.Items(1)->description, "PGA gain, ADC gain and full-scale range");
  EXPECT_TRUE(model.Ui.Form(kMainWindow).IsVisible("Menu_ReadAdc"));
  EXPECT_TRUE(model.Ui.Form(kSetupDialog).IsVisible("ChamberSelect"));
}

TEST_F(SampleChipFilesTest, BankedChipWithFourPages) {
  const LoadResult r = Load(1, {1, 3, 3});
  ASSERT_TRUE(r.Ok()) << r.error;
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(r.currentBank, 3);
  EXPECT_EQ(r.currentPage, 3);
  EXPECT_EQ(model.BitPageCount, (std::array<uint16_t, 4>{3, 2, 1, 1}));
  for (int b = 0; b < 4; ++b) {
    EXPECT_TRUE(model.Ui.Form(kRamView).IsVisible("PBank" + std::to_string(b))) << b;
  }
  EXPECT_FALSE(model.Ui.Form(kRamView).IsVisible("PBank4"));
  EXPECT_EQ(model.ValidBits[0x3FF], 0xFF);
  EXPECT_EQ(model.ValidBits[0x07], 0x0F);
  EXPECT_EQ(model.StackDepth, 8);
  EXPECT_EQ(model.Reg3ByteCount, 2);
  EXPECT_EQ(model.BitRegs.Items(0)->bit[3].description, "TO: watchdog time-out flag");
  EXPECT_EQ(model.BitRegs.Items(0)->bit[7].description, "C: carry");
  EXPECT_EQ(model.WordRegs.Items(0)->description, "Indirect address pointer 0");
  EXPECT_EQ(model.WordRegs.Items(2)->description, "");
  EXPECT_EQ(model.ByteRegs.Items(4)->description, "Working register");
  EXPECT_EQ(model.Ui.Form(kRegisterView).Caption("Caption"), "7R404Register");

  model.DescriptionLanguage = 1;
  ASSERT_TRUE(Load(1).Ok());
  EXPECT_EQ(model.ByteRegs.Items(4)->description, "工作暫存器");
  EXPECT_EQ(model.BitRegs.Items(0)->description, "狀態暫存器");
}

TEST_F(SampleChipFilesTest, OpAmpAndComparatorChip) {
  ASSERT_TRUE(Load(2).Ok());
  EXPECT_TRUE(model.HasOp0);
  EXPECT_TRUE(model.HasCmp0);
  EXPECT_EQ(model.OpFields.size(), 7u);
  EXPECT_EQ(model.CmpFields.size(), 20u);  // every keyword of the section
  EXPECT_EQ(model.OpVddaNames[3], "3.3VOLTA");
  EXPECT_EQ(model.Ui.Form(kCmpPanel).Caption("LCPIH1"), "Float");
  EXPECT_TRUE(model.Ui.Form(kRamView).IsVisible("PBank4"));
  EXPECT_EQ(model.AdcOutputs.at("ADCO").address, 0x64);
}

TEST_F(SampleChipFilesTest, SmallChipSwitchesToTheSpecialLink) {
  const LoadResult r = Load(3, {0, 2, 1});
  ASSERT_TRUE(r.Ok());
  ASSERT_TRUE(r.forceLinkKind.has_value());
  EXPECT_EQ(*r.forceLinkKind, 2);
  EXPECT_EQ(model.StackDepth, 4);
  EXPECT_EQ(model.RomSize, 2048);
  EXPECT_EQ(r.currentBank, 0);
  EXPECT_EQ(r.currentPage, 0);
  EXPECT_TRUE(r.clearAdcWindowFlag);
}

TEST_F(SampleChipFilesTest, TogetherTheyUseEveryDirective) {
  std::set<uint16_t> seen;
  for (const char* name : {"QX7401.CHP", "QX7R404.CHP", "QX7T404.CHP", "QX7R402.CHP"}) {
    const TextFile f = files.Read(ShippedFolder() + "/" + name);
    ASSERT_EQ(f.state, TextFile::State::Ok) << name;
    for (std::string_view raw : SplitLines(f.bytes)) {
      const uint16_t d = IsPseudo(Word(MakeChipLine(raw), 1));
      if (d != 255) seen.insert(d);
    }
  }
  EXPECT_EQ(seen.size(), 38u);
}

TEST(ChipList, IndexRulesAndFallback) {
  MemoryTextSource files;
  ChipList list = ChipList::Read(files, "INC");
  EXPECT_FALSE(list.fromIndexFile);
  ASSERT_EQ(list.items.size(), 64u);
  EXPECT_EQ(list.items[0], "7T404 (16k)");
  EXPECT_EQ(list.items[3], "7R402  (2k)");
  EXPECT_EQ(list.items[63], "7R402  (2k)");

  // A first word shorter than three characters ends the list.
  files.Set("INC/QxSel.INC", "abc.chp m1 s1 more\r\nLONG.CHP m2\r\nXY m3 s3\r\nC.CHP m4 s4\r\n");
  list = ChipList::Read(files, "INC");
  EXPECT_TRUE(list.fromIndexFile);
  EXPECT_EQ(list.items, (std::vector<std::string>{"M1  S1", "M2  "}));

  files.SetReadError("INC/QxSel.INC", "locked");
  list = ChipList::Read(files, "INC");
  EXPECT_EQ(list.error, "locked");
  EXPECT_EQ(list.items.size(), 64u);
}

TEST(FileTextSource, FindsNamesWhateverTheirCase) {
  FileTextSource files;
  const TextFile f = files.Read(ShippedFolder() + "/qx7r402.chp");
  EXPECT_EQ(f.state, TextFile::State::Ok);
  EXPECT_EQ(files.Read(ShippedFolder() + "/NOPE.CHP").state, TextFile::State::Missing);
  EXPECT_EQ(files.Read(ShippedFolder()).state, TextFile::State::Missing);  // a folder
}

}  // namespace
}  // namespace qx::chip
