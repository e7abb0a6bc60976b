#include "core/chip/ChipLoader.h"

#include <gtest/gtest.h>

#include <string>

#include "RecordingHost.h"
#include "core/chip/MemoryTextSource.h"

namespace qx::chip {
namespace {

using Status = LoadResult::Status;

class ChipLoaderTest : public ::testing::Test {
 protected:
  LoadResult Load(const std::string& chipText, LoadRequest request = {}) {
    files.Set("INC/QxSel.INC", "A.CHP  QXA  (4k)\r\n");
    files.Set("INC/A.CHP", chipText);
    return loader.GetSELUP(request);
  }
  const FormState& Form(const char* name) const { return model.Ui.Form(name); }

  MemoryTextSource files;
  ChipModel model;
  test::RecordingHost host;
  ChipLoader loader{model, files, host, "INC/"};
};

TEST_F(ChipLoaderTest, SimpleSections) {
  const LoadResult r = Load(
      "; comment before any section\n"
      "12 34\n"
      "#PRODUCT\nQX7401\n"
      "#COMPILER\nqxcc\n"
      "#ID\n7401H\n"
      "#ROM\n256\n"
      "#REG0\n000H 07FH\n"
      "#REG1\n100H 17FH\n"
      "#STACK\n2\n"
      "#SIMIC\n1234\n"
      "#SBMADDR\n0FFH\n"
      "#REG3BYTE\n030H A\n\n031H B\n");
  ASSERT_EQ(r.status, Status::Loaded);
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.chipFile, "INC/A.CHP");
  EXPECT_EQ(model.ProductName, "QX7401");
  EXPECT_EQ(model.ModelName, "QX7401");
  EXPECT_EQ(model.CompilerName, "QXCC");
  EXPECT_EQ(model.ChipId, 0x7401);
  EXPECT_EQ(model.RomSize, 256);
  EXPECT_EQ(model.Reg0Range, (AddressRange{0, 0x7F}));
  EXPECT_EQ(model.Reg1Range, (AddressRange{0x100, 0x17F}));
  EXPECT_EQ(model.StackDepth, 4);
  EXPECT_EQ(model.SimIc, 1234);
  EXPECT_EQ(model.Reg3ByteCount, 2);  // the blank line does not count
  EXPECT_EQ(Form(kRegisterView).Caption("Caption"), "QX7401Register");
  EXPECT_FALSE(r.forceLinkKind.has_value());
  EXPECT_TRUE(r.clearAdcWindowFlag);
  EXPECT_EQ(host.chipLoaded, 1);
  EXPECT_TRUE(r.warnings.empty());
}

TEST_F(ChipLoaderTest, BadBinaryWordReadsAsZeroWithAWarningNeverAsAnEarlierNumber) {
  const LoadResult r = Load("#ID\n300\n#SIMIC\n12B\n#STACK\n-\n");
  EXPECT_EQ(model.ChipId, 300);
  EXPECT_EQ(model.SimIc, 0);
  EXPECT_EQ(model.StackDepth, 4) << "the malformed word takes 0 from 12B, then the minimum";
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0],
            "INC/A.CHP:4: binary number 12B holds other digits than 0 and 1; read as 0");
}

TEST_F(ChipLoaderTest, RomBelow256BecomesDefault) {
  Load("#ROM\n255\n");
  EXPECT_EQ(model.RomSize, 4096);
  Load("#ROM\n0FFFFH\n");
  EXPECT_EQ(model.RomSize, 0xFFFF);
  Load("#ROM\n10000H\n");  // low 16 bits are 0
  EXPECT_EQ(model.RomSize, 4096);
}

TEST_F(ChipLoaderTest, DirectivesAreCaseBlindAndIgnoreFurtherWords) {
  Load("#product extra words\nabc\n#rom 99\n300\n");
  EXPECT_EQ(model.ProductName, "ABC");
  EXPECT_EQ(model.RomSize, 300);
}

TEST_F(ChipLoaderTest, ProductLineWithoutWordStillSetsCaption) {
  Load("#PRODUCT\nP1\n");
  Load("#PRODUCT\n; only a comment\n");
  EXPECT_EQ(model.ProductName, "P1");  // kept from the earlier load
  EXPECT_EQ(Form(kRegisterView).Caption("Caption"), "P1Register");
}

TEST_F(ChipLoaderTest, Product7R402ForcesSpecialLink) {
  const LoadResult r = Load("#PRODUCT\n7r402\n");
  ASSERT_TRUE(r.forceLinkKind.has_value());
  EXPECT_EQ(*r.forceLinkKind, 2);
  EXPECT_EQ(model.ModelName, "7R402");
}

TEST_F(ChipLoaderTest, InstrumentAndMenuDirectivesKeepTheSection) {
  const LoadResult r = Load(
      "#RAMBANK0\n#FLUKE\n080H 0FFH\n"
      "#POWER\n#ENOB\n#CONTINUE\n#CHAMBER\n#REGISTERTEST\n");
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(model.RamBank[0], (AddressRange{0x80, 0xFF}));  // the line after #FLUKE
  const FormState& main = Form(kMainWindow);
  for (const char* item :
       {"Fluke1", "SaveFluke1", "DownLoadFluke1", "Power1", "SavePower1", "DownloadPower1",
        "Menu_ReadAdc", "Regist", "SaveReg1", "DownloadReg1", "Memu_File"}) {
    EXPECT_TRUE(main.IsVisible(item)) << item;
  }
  EXPECT_EQ(main.Caption("Menu_ReadAdc"), "ENOB Test");
  const FormState& setup = Form(kSetupDialog);
  for (const char* c : {"Label8", "FlukeCOM", "FlukeSelect", "Label13", "PowerCOM", "PowerSelect",
                        "Label6", "ChamberCOM", "ChamberSelect"}) {
    EXPECT_TRUE(setup.IsVisible(c)) << c;
  }

  // The next load hides them all again unless its file asks for them.
  Load("#FLUKE\n");
  EXPECT_TRUE(Form(kMainWindow).IsVisible("Fluke1"));
  EXPECT_FALSE(Form(kMainWindow).IsVisible("Power1"));
  EXPECT_FALSE(Form(kMainWindow).IsVisible("Menu_ReadAdc"));
  EXPECT_FALSE(Form(kSetupDialog).IsVisible("ChamberSelect"));
  EXPECT_TRUE(Form(kSetupDialog).checked.at("Photo"));
  EXPECT_FALSE(Form(kSetupDialog).IsEnabled("Photo"));
  EXPECT_GE(host.menuChanged, 2);
}

TEST_F(ChipLoaderTest, RamBanks) {
  Load("#RAMBANK1\n080H 080H\n#RAMBANK2\n100H 17FH\n");
  EXPECT_FALSE(Form(kRamView).IsVisible("PBank1"));
  EXPECT_FALSE(Form(kRamView).IsVisible("RAMBANK1"));
  EXPECT_EQ(model.ValidBits[0x80], 0);
  EXPECT_TRUE(Form(kRamView).IsVisible("PBank2"));
  EXPECT_TRUE(Form(kRamView).IsVisible("RAMBANK2"));
  EXPECT_EQ(model.ValidBits[0xFF], 0);
  EXPECT_EQ(model.ValidBits[0x100], 0xFF);
  EXPECT_EQ(model.ValidBits[0x17F], 0xFF);
  EXPECT_EQ(model.ValidBits[0x180], 0);

  Load("#RAMBANK1\n080H 0FFH\n");
  EXPECT_TRUE(Form(kRamView).IsVisible("PBank1"));
  EXPECT_FALSE(Form(kRamView).IsVisible("PBank2"));  // every load starts with hidden banks
  EXPECT_EQ(model.ValidBits[0x80], 0xFF);
  EXPECT_EQ(model.ValidBits[0xFF], 0xFF);
  EXPECT_EQ(model.ValidBits[0x100], 0);  // masks are rebuilt at every load
  EXPECT_EQ(model.RamBank[2], (AddressRange{}));
}

TEST_F(ChipLoaderTest, RamBankBeyondAddressSpaceIsClampedWithWarning) {
  const LoadResult r = Load("#RAMBANK3\n3F0H 7FFH\n#RAMBANK4\n400H 4FFH\n");
  EXPECT_EQ(model.ValidBits[0x3F0], 0xFF);
  EXPECT_EQ(model.ValidBits[0x3FF], 0xFF);
  EXPECT_FALSE(Form(kRamView).IsVisible("PBank4"));
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], "INC/A.CHP:2: RAM bank ends beyond address 3FFH; marked up to 3FFH");
  EXPECT_EQ(r.warnings[1].rfind("INC/A.CHP:4: ", 0), 0u);
}

TEST_F(ChipLoaderTest, GainTablesAndTheNumberRegister) {
  Load("#PGAINDEX\n1 2 4 8\n#GAININDEX\n0 3 XYZ\n");
  EXPECT_EQ(model.PgaGain, (std::array<uint8_t, 8>{1, 2, 4, 8, 8, 8, 8, 8}));
  // 0 reads as 1; the malformed and missing words repeat the last converted number.
  EXPECT_EQ(model.AdgnGain, (std::array<uint8_t, 4>{1, 3, 3, 3}));

  Load("#GAININDEX\n2\n");
  EXPECT_EQ(model.PgaGain, (std::array<uint8_t, 8>{1, 1, 1, 1, 1, 1, 1, 1}));  // reset per load
  EXPECT_EQ(model.AdgnGain, (std::array<uint8_t, 4>{2, 2, 2, 2}));

  // The register starts at 0 for each load, and survives across sections within one.
  Load("#ID\nnonsense\n");
  EXPECT_EQ(model.ChipId, 0);
  Load("#ROM\n300\n#ID\nFFH\n");
  EXPECT_EQ(model.ChipId, 300);
}

TEST_F(ChipLoaderTest, BitRegisterPages) {
  const LoadResult r = Load(
      "#REGBIT\n085H STATUS - - - TO PD Z DC C\n003H VERYLONGREGISTERNAME1 A B\n"
      "#REGBIT1\n"
      "#REGBIT2\n005H PT2 B7\n"
      "#REGBIT3\n006H PT3\n007H PT4\n",
      {0, 0, 1});
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(model.BitPageCount, (std::array<uint16_t, 4>{2, 0, 1, 2}));
  ASSERT_EQ(model.BitRegs.Count(), 5);
  const BitRegister& status = *model.BitRegs.Items(0);
  EXPECT_EQ(status.address, 0x85);
  EXPECT_EQ(status.name, "STATUS");
  EXPECT_EQ(status.bit[0].name, "-");
  EXPECT_EQ(status.bit[3].name, "TO");
  EXPECT_EQ(status.bit[7].name, "C");
  EXPECT_EQ(model.ValidBits[0x85], 0x1F);
  EXPECT_EQ(model.BitRegs.Items(1)->name, "VERYLONGREGISTE");  // 15 characters
  EXPECT_EQ(model.ValidBits[0x03], 0xFF);                      // missing bit names are not "-"
  const FormState& view = Form(kRegisterView);
  EXPECT_TRUE(view.IsVisible("PPage1"));
  EXPECT_FALSE(view.IsVisible("PPAGE2"));
  EXPECT_TRUE(view.IsVisible("PPAGE3"));
  EXPECT_TRUE(view.IsVisible("PPAGE4"));
  EXPECT_EQ(r.currentPage, 0);  // page 1 is empty in this chip

  // Only #REGBIT empties the list: a file without it appends to the old records.
  Load("#REGBIT2\n010H X\n");
  EXPECT_EQ(model.BitRegs.Count(), 6);
  EXPECT_EQ(model.BitPageCount, (std::array<uint16_t, 4>{0, 0, 1, 0}));
}

TEST_F(ChipLoaderTest, ASecondListDirectiveRestartsItsCounts) {
  ASSERT_TRUE(Load("#REGBIT1\n001H A\n002H B\n#REGBIT\n003H C\n"
                   "#REGBYTE\n010H X 1\n#REGBYTE\n011H Y 1\n"
                   "#REGWORD\n020H W 021H 0 1 1\n#REGWORD\n")
                  .Ok());
  // The page counts always add up to the records held.
  EXPECT_EQ(model.BitRegs.Count(), 1);
  EXPECT_EQ(model.BitPageCount, (std::array<uint16_t, 4>{1, 0, 0, 0}));
  EXPECT_EQ(model.ByteRegs.Count(), 1);
  EXPECT_EQ(model.ByteRegisterCount, 1);
  EXPECT_EQ(model.Ui.Grid("SByteReg").Cell(0, 0), "Y");
  EXPECT_EQ(model.WordRegs.Count(), 0);
  EXPECT_EQ(model.WordRegisterCount, 0);
  EXPECT_EQ(model.Ui.Grid("SWordReg").rows, 0);
}

TEST_F(ChipLoaderTest, ByteAndWordListsHoldOnlyTheNewChipsRegisters) {
  ASSERT_TRUE(Load("#REGBYTE\n010H X 1\n011H Y 1\n#REGWORD\n020H W 021H 0 1 1\n").Ok());
  ASSERT_TRUE(Load("#PRODUCT\nQXB\n#REGBYTE\n030H Z 0FFH\n").Ok());
  ASSERT_EQ(model.ByteRegs.Count(), 1);
  EXPECT_EQ(model.ByteRegs.Items(0)->address, 0x30);
  EXPECT_EQ(model.WordRegs.Count(), 0);
  EXPECT_EQ(model.WordRegisterCount, 0);
  EXPECT_EQ(model.Ui.Grid("SWordReg").rows, 0);
  EXPECT_EQ(model.Ui.Grid("SByteReg").Cell(1, 0), "");
}

TEST_F(ChipLoaderTest, CurrentPageAndBankAreCorrected) {
  const char* file = "#REGBIT\n001H A\n#REGBIT2\n002H B\n#RAMBANK2\n080H 0FFH\n";
  struct Case {
    int bank, page, wantBank, wantPage;
  } cases[] = {{2, 2, 2, 2}, {1, 1, 0, 0}, {5, 4, 0, 0}, {-1, -1, 0, 0}, {0, 3, 0, 0}};
  for (const Case& c : cases) {
    const LoadResult r = Load(file, {0, c.bank, c.page});
    EXPECT_EQ(r.currentBank, c.wantBank) << c.bank;
    EXPECT_EQ(r.currentPage, c.wantPage) << c.page;
  }
}

TEST_F(ChipLoaderTest, ByteAndWordRegistersLayTheirGrids) {
  std::string file = "#REGBYTE\n";
  for (int i = 0; i < 10; ++i) file += std::to_string(i + 0x40) + " B" + std::to_string(i) + " 7\n";
  file += "#REGWORD\n00FH FSR0 010H 0 003H 0FFH\n";
  ASSERT_TRUE(Load(file).Ok());
  EXPECT_EQ(model.ByteRegisterCount, 10);
  const GridState& bytes = model.Ui.Grid("SByteReg");
  EXPECT_EQ(bytes.columns, 9);
  EXPECT_EQ(bytes.rows, 4);  // register 9 opened the second pair of rows
  EXPECT_EQ(bytes.Cell(0, 0), "B0");
  EXPECT_EQ(bytes.Cell(8, 0), "B8");
  EXPECT_EQ(bytes.Cell(0, 1), "");
  EXPECT_EQ(bytes.Cell(0, 2), "B9");
  EXPECT_EQ(model.ValidBits[64], 7);
  EXPECT_EQ(model.ByteRegs.Items(9)->address, 73);

  EXPECT_EQ(model.WordRegisterCount, 1);
  EXPECT_EQ(model.Ui.Grid("SWordReg").rows, 2);
  EXPECT_EQ(model.Ui.Grid("SWordReg").Cell(0, 0), "FSR0");
  EXPECT_EQ(model.ValidBits[0x0F], 0x03);
  EXPECT_EQ(model.ValidBits[0x10], 0xFF);
  EXPECT_EQ(model.WordRegs.KeyOf(0), 0x0F10);
  EXPECT_EQ(model.Ui.Grid("SREG").rows, 0);

  // A byte line without a mask takes the last converted number: the address itself.
  Load("#REGBYTE\n085H NOMASK\n");
  EXPECT_EQ(model.ValidBits[0x85], 0x85);
  EXPECT_EQ(model.Ui.Grid("SByteReg").rows, 2);
}

TEST_F(ChipLoaderTest, AddressesBeyondTheAddressSpaceAreSkipped) {
  const LoadResult r =
      Load("#REGBIT\n400H BIG\n-1 NEG\n#REGBYTE\n0FFFFH BIG 0FFH\n#REGWORD\n3FFH W 400H 0 1 1\n");
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(model.BitRegs.Count(), 0);
  EXPECT_EQ(model.ByteRegs.Count(), 0);
  EXPECT_EQ(model.WordRegs.Count(), 0);
  EXPECT_EQ(model.BitPageCount[0], 0);
  EXPECT_EQ(model.ValidBits[0x3FF], 0);
  ASSERT_EQ(r.warnings.size(), 4u);
  EXPECT_EQ(r.warnings[0], "INC/A.CHP:2: bit register address 1024 beyond 3FFH; line skipped");
}

TEST_F(ChipLoaderTest, FullListsStopCountingWithWarning) {
  std::string file = "#REGBYTE\n";
  for (int i = 0; i < 520; ++i) file += std::to_string(i) + " R 0FFH\n";
  const LoadResult r = Load(file);
  EXPECT_EQ(model.ByteRegs.Count(), 512);
  EXPECT_EQ(model.ByteRegisterCount, 512);
  EXPECT_EQ(model.Ui.Grid("SByteReg").rows, (511 / 9) * 2 + 2);
  EXPECT_EQ(model.ValidBits[512], 0);  // the skipped lines mark nothing
  EXPECT_EQ(r.warnings.size(), 8u);
}

TEST_F(ChipLoaderTest, BitDescriptions) {
  std::string file = "#REGBIT\n085H STATUS A B C D E F G H\n086H OTHER\n#REGBITSTR\n085H\n";
  file += "\"Status register\"\n";
  for (int i = 7; i >= 0; --i) file += "\"bit " + std::to_string(i) + "\"\n";
  file += "\"tenth string, ignored\"\n";
  file += "999H\n\"still STATUS: the failed selection keeps the old one\"\n";
  ASSERT_TRUE(Load(file).Ok());
  const BitRegister& r = *model.BitRegs.Items(0);
  EXPECT_EQ(r.description, "Status register");
  EXPECT_EQ(r.bit[0].description, "bit 7");
  EXPECT_EQ(r.bit[7].description, "bit 0");
  EXPECT_EQ(model.BitRegs.Items(1)->description, "");
}

TEST_F(ChipLoaderTest, DescriptionStringRules) {
  const std::string longText(300, 'x');
  const std::string file =
      "#REGBIT\n001H A\n#REGBYTE\n029H WORK 0FFH\n030H T 0FFH\n#REGWORD\n00FH F 010H 0 3 0FFH\n"
      "#REGBYTESTR\n"
      "\"no register selected yet\"\n"
      "029H\n"
      ";semicolon line\n"
      "030H\n"
      "  \"Keeps Case\"  \n"
      "-1\n"
      "\"negative selects nothing\"\n"
      "#REGWORDSTR\n"
      "00FH\n"
      "\"key 0FH matches no word register\"\n"
      "00F10H\n"
      "\"" +
      longText +
      "\"\n"
      "#REGBITSTR\n001H\n\"" +
      longText + "\"\n\"" + longText + "\"\n";
  ASSERT_TRUE(Load(file).Ok());
  EXPECT_EQ(model.ByteRegs.Items(0)->description, "semicolon lin");
  EXPECT_EQ(model.ByteRegs.Items(1)->description, "negative selects nothing");
  EXPECT_EQ(model.WordRegs.Items(0)->description, std::string(160, 'x'));
  EXPECT_EQ(model.BitRegs.Items(0)->description, std::string(160, 'x'));
  EXPECT_EQ(model.BitRegs.Items(0)->bit[0].description, std::string(250, 'x'));
}

TEST_F(ChipLoaderTest, DescriptionKeepsRawBytesAndCrLf) {
  ASSERT_TRUE(
      Load("#REGBYTE\r\n029H W 0FFH\r\n#REGBYTESTR\r\n029H\r\n\"\xE5\xB7\xA5\xA5\x61\"\r\n").Ok());
  EXPECT_EQ(model.ByteRegs.Items(0)->description, "\xE5\xB7\xA5\xA5\x61");
}

TEST_F(ChipLoaderTest, DescriptionLanguageSelectsSections) {
  const char* file =
      "#REGBYTE\n029H W 0FFH\n"
      "#REGBYTESTR\n029H\n\"plain\"\n"
      "#REGBYTESTRCN\n\"cn\"\n";  // the CN section shares the selection of the plain one
  Load(file);
  EXPECT_EQ(model.ByteRegs.Items(0)->description, "plain");
  model.DescriptionLanguage = 1;
  Load(file);
  EXPECT_EQ(model.ByteRegs.Items(0)->description, "");  // the plain selection line was skipped
  Load("#REGBYTE\n029H W 0FFH\n#REGBYTESTR\n029H\n\"plain\"\n#REGBYTESTRCN\n029H\n\"cn\"\n");
  EXPECT_EQ(model.ByteRegs.Items(0)->description, "cn");
}

TEST_F(ChipLoaderTest, MissingFiles) {
  files.Remove("INC/QxSel.INC");
  model.ValidBits[5] = 0xFF;
  model.PgaGain[3] = 9;
  LoadResult r = loader.GetSELUP({});
  EXPECT_EQ(r.status, Status::IndexMissing);
  EXPECT_FALSE(r.Ok());
  // Steps before the index lookup have happened.
  EXPECT_EQ(model.ValidBits[5], 0);
  EXPECT_EQ(model.PgaGain[3], 1);
  EXPECT_FALSE(Form(kMainWindow).IsVisible("Fluke1"));
  EXPECT_TRUE(host.errors.empty());  // a missing file is no error message
  EXPECT_EQ(host.chipLoaded, 0);

  Load("#PRODUCT\nOLD\n#RAMBANK0\n080H 0FFH\n");
  files.Set("INC/QxSel.INC", "A.CHP X Y\nB.CHP X Y\n");
  r = loader.GetSELUP({1, 0, 0});
  EXPECT_EQ(r.status, Status::ChipFileMissing);
  EXPECT_EQ(r.chipFile, "INC/B.CHP");
  EXPECT_EQ(model.ProductName, "OLD");
  EXPECT_EQ(model.RamBank[0], (AddressRange{0x80, 0xFF}));  // ranges of the previous load stay

  r = loader.GetSELUP({7, 0, 0});  // past the end of the index: an empty line names no file
  EXPECT_EQ(r.status, Status::ChipFileMissing);
  EXPECT_EQ(r.chipFile, "");
}

TEST_F(ChipLoaderTest, ReadErrorsAreReportedWithTheFile) {
  files.Set("INC/QxSel.INC", "A.CHP X Y\n");
  files.SetReadError("INC/A.CHP", "device not ready");
  const LoadResult r = loader.GetSELUP({});
  EXPECT_EQ(r.status, Status::ReadError);
  EXPECT_EQ(r.error, "INC/A.CHP: device not ready");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0], r.error);
}

TEST_F(ChipLoaderTest, StrayNulIsOneMoreCharacterButUtf16IsRefusedWhole) {
  const LoadResult r = Load(std::string("#PRODUCT\nGOOD\n; note \0 pasted\n#ID\n5\n", 36));
  EXPECT_EQ(r.status, Status::Loaded);
  EXPECT_EQ(model.ProductName, "GOOD");
  EXPECT_EQ(model.ChipId, 5) << "lines after the NUL still load";
  EXPECT_EQ(r.warnings, std::vector<std::string>{"INC/A.CHP:3: NUL byte in the line"});

  std::string utf16;
  for (const char c : std::string("#PRODUCT\r\nWIDE\r\n")) utf16 += std::string{c, '\0'};
  for (const std::string& file : {utf16, "\xFF\xFE" + utf16}) {
    host.errors.clear();
    const LoadResult wide = Load(file);
    EXPECT_EQ(wide.status, Status::BadData);
    EXPECT_EQ(wide.error, "INC/A.CHP: UTF-16 text; save the chip description as ANSI or UTF-8");
    EXPECT_EQ(model.ProductName, "GOOD") << "the chip loaded before stays";
    EXPECT_EQ(host.errors.size(), 1u);
  }
}

TEST_F(ChipLoaderTest, GarbageOverlongAndTruncatedLinesAreHarmless) {
  std::string file = "\xEF\xBB\xBF#PRODUCT\nBOM\n";  // byte order mark before the first word
  file += "#REGBIT\n";
  file += std::string(100000, 'Z') + "\n";
  std::string many = "001H NAME";
  for (int i = 0; i < 40; ++i) many += " B" + std::to_string(i);
  file += many + "\n";
  file += "\xFF\xFE\x80\x81 \x7F\n";
  file += "#REGBYTE\n002H";  // truncated: no newline, no name, no mask
  const LoadResult r = Load(file);
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(model.ProductName, "BOM");
  ASSERT_EQ(model.BitRegs.Count(), 3);  // every non-empty line of a bit section is a record
  EXPECT_EQ(model.BitRegs.Items(1)->bit[7].name, "B7");
  ASSERT_EQ(model.ByteRegs.Count(), 1);
  EXPECT_EQ(model.ByteRegs.Items(0)->address, 2);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], "INC/A.CHP:5: more than 29 words; the rest of the line is ignored");
}

}  // namespace
}  // namespace qx::chip
