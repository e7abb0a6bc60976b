#include "core/chip/SetupDialogModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SetupFakePorts.h"
#include "core/base/RecordingHost.h"
#include "core/chip/MemoryTextSource.h"
#include "core/chip/SetupLists.h"

namespace qx::chip {
namespace {

constexpr char kIndex[] = "PD/INCLUDE/QxSel.INC";

class SetupDialogModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Set(kIndex,
              "ADC.CHP   QX7401  (16k)  usb part\r\n"
              "BANK.CHP  7R404   (8k)\r\n"
              "SMALL.CHP 7R402   (2k)\r\n");
    files.Set("PD/INCLUDE/ADC.CHP",
              "#PRODUCT\nQX7401\n#REGBIT\n003H STATUS A B C D E F G H\n"
              "#ADC0S\n001H PGA 3 5\n#FLUKE\n#CHAMBER\n");
    files.Set("PD/INCLUDE/BANK.CHP",
              "#PRODUCT\n7R404\n#RAMBANK0\n080H 0FFH\n#RAMBANK1\n100H 17FH\n");
    files.Set("PD/INCLUDE/SMALL.CHP", "#PRODUCT\n7R402\n");
  }

  void Create() {
    model.FormCreate();
    host.status = {};
  }

  link::TargetRecord target;
  base::Settings settings;
  ChipModel chip;
  base::RecordingHost host;
  MemoryTextSource files;
  test::FakeSetupPorts ports;
  SetupDialogModel model{target, settings, chip, host, files, ports, "PD/"};
};

TEST(SetupLists, ItemIndexesMapToPortsRatesAndParity) {
  struct Row {
    int index;
    std::string com;
    int32_t baud;
    base::Parity parity;
    std::string parityText;
    uint16_t lpt;
  };
  const std::vector<Row> rows = {
      {-1, "prev", 0, base::Parity::None, "None", 0x378},
      {0, "COM1", 300, base::Parity::None, "None", 0x378},
      {1, "COM2", 600, base::Parity::Even, "EVEN", 0x278},
      {2, "COM3", 1200, base::Parity::Odd, "ODD", 0x3BC},
      {3, "COM4", 2400, base::Parity::None, "None", 0x378},
      {5, "COM6", 9600, base::Parity::None, "None", 0x378},
      {9, "COM10", 115200, base::Parity::None, "None", 0x378},
      {10, "COM11", 0, base::Parity::None, "None", 0x378},
      {15, "COM16", 0, base::Parity::None, "None", 0x378},
      {16, "COM17", 0, base::Parity::None, "None", 0x378},
      {17, "prev", 0, base::Parity::None, "None", 0x378},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SetupLists::ComName(r.index, "prev"), r.com) << r.index;
    EXPECT_EQ(SetupLists::BaudRateValue(r.index), r.baud) << r.index;
    EXPECT_EQ(SetupLists::GetParity(r.index), r.parity) << r.index;
    EXPECT_EQ(SetupLists::GetParityText(r.index), r.parityText) << r.index;
    EXPECT_EQ(SetupLists::LptPortBase(r.index), r.lpt) << r.index;
  }
  const auto com = SetupLists::ComItems();
  EXPECT_EQ(com.front(), "COM1");
  EXPECT_EQ(com.back(), "COM16");
  const auto baud = SetupLists::BaudItems();
  EXPECT_EQ(std::vector<std::string>(baud.begin(), baud.end()),
            (std::vector<std::string>{"300", "600", "1200", "2400", "4800", "9600", "19200",
                                      "38400", "57600", "115200"}));
}

TEST_F(SetupDialogModelTest, ChipListFromTheIndexEndsAtAShortFirstWord) {
  files.Set(
      kIndex,
      "ADC.CHP QX7401 (16k)\r\nBANK.CHP 7R404 (8k)\r\nAB 7R403 (4k)\r\nSMALL.CHP 7R402 (2k)\r\n");
  Create();
  EXPECT_EQ(model.Chips().items, (std::vector<std::string>{"QX7401  (16K)", "7R404  (8K)"}));
  EXPECT_EQ(model.ChipItem(), 0);
  EXPECT_EQ(model.ChipListEntry(1), "7R404  (8K)");
  EXPECT_EQ(model.ChipListEntry(2), "");
  EXPECT_EQ(model.ChipFolder(), "PD/INCLUDE/");
}

TEST_F(SetupDialogModelTest, WithoutAnIndexSixtyFourBuiltInChipsThatLoadNothing) {
  files.Remove(kIndex);
  Create();
  ASSERT_EQ(model.Chips().items.size(), 64u);
  for (size_t i = 0; i < 64; i += 4) {
    EXPECT_EQ(model.ChipListEntry(static_cast<uint16_t>(i)), "7T404 (16k)");
    EXPECT_EQ(model.ChipListEntry(static_cast<uint16_t>(i + 3)), "7R402  (2k)");
  }
  for (int item : {0, 1, 2, 3, 63}) {
    EXPECT_FALSE(model.CbSeluPChange(item)) << item;
    EXPECT_EQ(target.ChipIndex, item);
    EXPECT_EQ(model.LastLoad().status, LoadResult::Status::IndexMissing);
  }
  EXPECT_TRUE(chip.ProductName.empty());
  EXPECT_TRUE(host.errors.empty()) << "a missing index is not an error";
}

TEST_F(SetupDialogModelTest, UnreadableIndexIsReportedAndFallsBack) {
  files.SetReadError(kIndex, "permission denied");
  Create();
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0], "PD/INCLUDE/QxSel.INC: permission denied");
  EXPECT_EQ(model.Chips().items.size(), 64u);
}

TEST_F(SetupDialogModelTest, ChoosingAChipLoadsItAndCarriesTheLoadIntoTheRecords) {
  Create();
  settings.CurrentBank = 1;
  settings.CurrentPage = 2;
  settings.OptionFlags.fill(true);
  int changes = 0;
  model.changed = [&] { ++changes; };

  ASSERT_TRUE(model.CbSeluPChange(1));
  EXPECT_EQ(target.ChipIndex, 1);
  EXPECT_EQ(model.ChipItem(), 1);
  EXPECT_EQ(chip.ModelName, "7R404");
  EXPECT_EQ(settings.CurrentBank, 1) << "bank 1 exists on this chip";
  EXPECT_EQ(settings.CurrentPage, 0) << "the chip has no bit page 2";
  EXPECT_FALSE(settings.OptionFlags[2]) << "no ADC block";
  EXPECT_TRUE(settings.OptionFlags[1]);
  EXPECT_EQ(host.chipLoads, 1);
  EXPECT_GE(changes, 1);

  // The small part talks over the special link until the link list is used again.
  ASSERT_TRUE(model.CbSeluPChange(2));
  EXPECT_EQ(target.LinkKind, link::kLinkSpecial);
  EXPECT_EQ(model.LinkItem(), link::kLinkSpecial);
  EXPECT_EQ(settings.CurrentBank, 0);
  model.SelLPTChange(2);
  EXPECT_EQ(target.LinkKind, link::kLinkQx740x);
  EXPECT_EQ(model.LinkItem(), link::kLinkQx740x);

  // A missing chip file still resets the gains and tells the windows.
  files.Remove("PD/INCLUDE/BANK.CHP");
  chip.PgaGain.fill(9);
  EXPECT_FALSE(model.CbSeluPChange(1));
  EXPECT_EQ(model.LastLoad().status, LoadResult::Status::ChipFileMissing);
  EXPECT_EQ(chip.PgaGain[0], 1);
  EXPECT_EQ(host.chipLoads, 3);
}

TEST_F(SetupDialogModelTest, LinkListAlwaysReturnsToQx740x) {
  Create();
  for (int item : {0, 1, 2, 3, 4, 5, -1, 9}) {
    target.LinkKind = 0;
    model.SelLPTChange(item);
    EXPECT_EQ(target.LinkKind, link::kLinkQx740x) << item;
    EXPECT_EQ(model.LinkItem(), 5) << item;
  }
}

TEST_F(SetupDialogModelTest, ChennalComChangeRestoresTheSavedChipAndReloadsIt) {
  Create();
  target.ChipIndex = 0;
  target.LinkKind = link::kLinkRs232;
  EXPECT_TRUE(model.ChennalComChange());
  EXPECT_EQ(model.ChipItem(), 0);
  EXPECT_EQ(target.LinkKind, link::kLinkQx740x);
  EXPECT_EQ(chip.ModelName, "QX7401");
  EXPECT_EQ(host.chipLoads, 1);

  target.ChipIndex = 7;  // past the end of the list: nothing selected, nothing loaded
  EXPECT_FALSE(model.ChennalComChange());
  EXPECT_EQ(model.ChipItem(), -1);
}

TEST_F(SetupDialogModelTest, BridgeLineIsOpenedExclusivelyAndReported) {
  ports.existing = {"COM3"};
  Create();
  target.BaudIndex = 9;
  target.ParityIndex = 1;
  ASSERT_TRUE(model.TXCOMChange(2));
  EXPECT_EQ(host.status[0], "RS232 COM3 , Baud = 115200, Pariyt = EVEN");
  EXPECT_EQ(target.ComName, "COM3");
  EXPECT_EQ(target.ComIndex, 2);
  EXPECT_TRUE(target.ComOpen);
  ASSERT_NE(target.ComPort, nullptr);
  ASSERT_EQ(ports.opened.size(), 1u);
  ASSERT_EQ(ports.opened[0]->configured.size(), 1u);
  const base::LineSettings& line = ports.opened[0]->configured[0];
  EXPECT_EQ(line.baudRate, 115200);
  EXPECT_EQ(line.byteSize, 8);
  EXPECT_EQ(line.parity, base::Parity::Even);
  EXPECT_EQ(line.stopBits, 0);
  EXPECT_EQ(model.OpenedPortsMask(), 1u << 2);

  // Baud and parity are stored and applied to the same port, which is not opened again.
  ASSERT_TRUE(model.TXParityChange(2));
  EXPECT_EQ(host.status[0], "RS232 COM3 , Baud = 115200, Pariyt = ODD");
  ASSERT_TRUE(model.TXBaudChange(5));
  EXPECT_EQ(host.status[0], "RS232 COM3 , Baud = 9600, Pariyt = ODD");
  EXPECT_EQ(target.BaudIndex, 5);
  EXPECT_EQ(target.ParityIndex, 2);
  EXPECT_EQ(ports.openAttempts, (std::vector<std::string>{"COM3"}));
  ASSERT_EQ(ports.opened[0]->configured.size(), 3u);
  EXPECT_EQ(ports.opened[0]->configured[2].baudRate, 9600);
  EXPECT_EQ(ports.opened[0]->configured[2].parity, base::Parity::Odd);
}

TEST_F(SetupDialogModelTest, MissingPortSaysUartNotFound) {
  Create();
  EXPECT_FALSE(model.TXCOMChange(4));
  EXPECT_EQ(host.status[0], "Uart  not  found");
  EXPECT_EQ(target.ComName, "COM5");
  EXPECT_FALSE(target.ComOpen);
  EXPECT_EQ(target.ComPort, nullptr);
  EXPECT_EQ(model.OpenedPortsMask(), 0u);
  // Not opened, so the next try opens again (the port may have been plugged in since).
  ports.existing = {"COM5"};
  EXPECT_TRUE(model.TXCOMChange(4));
  EXPECT_EQ(ports.openAttempts, (std::vector<std::string>{"COM5", "COM5"}));
}

TEST_F(SetupDialogModelTest, ReturningToAPortUsedBeforeWorksOnThatPort) {
  ports.existing = {"COM1", "COM2"};
  Create();
  ASSERT_TRUE(model.TXCOMChange(0));
  ASSERT_TRUE(model.TXCOMChange(1));
  ASSERT_TRUE(model.TXCOMChange(0));
  EXPECT_EQ(ports.openAttempts, (std::vector<std::string>{"COM1", "COM2"}))
      << "each port is opened once per run";
  EXPECT_EQ(model.OpenedPortsMask(), 0x3u);
  EXPECT_EQ(ports.opened[0]->configured.size(), 2u) << "COM1's own port got the line again";
  EXPECT_EQ(ports.opened[1]->configured.size(), 1u);
  EXPECT_FALSE(ports.opened[1]->closed) << "COM2 stays held for a later return";
  EXPECT_EQ(host.status[0], "RS232 COM1 , Baud = 300, Pariyt = None");

  // Whoever closes the target's port (the main window at exit) makes the next use open again.
  target.ComPort.reset();
  EXPECT_TRUE(ports.opened[0]->closed);
  ASSERT_TRUE(model.TXCOMChange(0));
  EXPECT_EQ(ports.openAttempts.size(), 3u);
}

TEST_F(SetupDialogModelTest, ItemOutsideThePortTableKeepsTheCurrentPort) {
  ports.existing = {"COM2"};
  Create();
  EXPECT_FALSE(model.TXCOMChange(-1)) << "no port yet";
  EXPECT_EQ(host.status[0], "Uart  not  found");
  ASSERT_TRUE(model.TXCOMChange(1));
  ASSERT_TRUE(model.TXCOMChange(20));
  EXPECT_EQ(target.ComName, "COM2");
  EXPECT_EQ(host.status[0], "RS232 COM2 , Baud = 300, Pariyt = None");
  EXPECT_EQ(ports.openAttempts.size(), 1u);
}

TEST_F(SetupDialogModelTest, RefusedLineSettingsAreNotReportedAsTheLine) {
  ports.existing = {"COM1"};
  ports.refusingLine = {"COM1"};
  Create();
  EXPECT_FALSE(model.TXCOMChange(0));
  EXPECT_EQ(host.status[0], "RS232 COM1 : line settings not accepted, Baud = 300");
}

TEST_F(SetupDialogModelTest, InstrumentListsKeepTheirPortAndReapplyTheBridgeLine) {
  ports.existing = {"COM16"};
  Create();
  target.ComIndex = 15;
  EXPECT_TRUE(model.InstrumentComChange("FlukeCOM", 3));
  EXPECT_EQ(model.GetFlukeCOMString(), "COM4");
  EXPECT_EQ(model.InstrumentComItem("FlukeCOM"), 3);
  EXPECT_EQ(host.status[0], "RS232 COM16 , Baud = 300, Pariyt = None");
  model.InstrumentComChange("PowerCOM", 16);
  model.InstrumentComChange("PowerCOM", 30);
  EXPECT_EQ(model.GetPowerCOMString(), "COM17");
  EXPECT_EQ(model.GetChamberCOMString(), "");
}

TEST_F(SetupDialogModelTest, ParallelPortBaseAndClose) {
  Create();
  std::vector<uint16_t> inits;
  model.initParallelPort = [&](uint16_t base) { inits.push_back(base); };
  model.CLPTChange(2);
  EXPECT_EQ(settings.CLPT, 2);
  EXPECT_EQ(settings.LptPortBase, 0x3BC);
  model.BtCloseClick();
  EXPECT_TRUE(inits.empty()) << "only the parallel link needs the port";
  target.LinkKind = link::kLinkParallel;
  model.CLPTChange(1);
  model.BtCloseClick();
  model.CLPTChange(5);
  model.BtCloseClick();
  EXPECT_EQ(inits, (std::vector<uint16_t>{0x278, 0x378}));
}

TEST_F(SetupDialogModelTest, HiddenAndDisabledControls) {
  settings.CLPT = 2;
  Create();
  EXPECT_EQ(model.ClptItem(), 0);
  for (const char* c : {"TXCOM", "TXBaud", "TXParity", "CLPT", "Photo", "Label1", "Label5"})
    EXPECT_FALSE(model.IsVisible(c)) << c;
  for (const char* c : {"CbSeluP", "SelLPT", "GroupBox1", "SelIOLPT", "BtClose", "Label2"})
    EXPECT_TRUE(model.IsVisible(c)) << c;
  EXPECT_FALSE(model.IsEnabled("SelLPT"));
  EXPECT_FALSE(model.IsEnabled("CLPT"));
  EXPECT_TRUE(model.IsEnabled("TXCOM"));
  EXPECT_TRUE(model.IsEnabled("Photo"));
  settings.SerialListsEnabled = false;
  for (const char* c : {"TXCOM", "TXBaud", "TXParity"}) EXPECT_FALSE(model.IsEnabled(c)) << c;

  // The instrument groups appear as the chip description names them.
  for (const char* c : {"Label8", "FlukeCOM", "FlukeSelect", "ChamberSelect", "PowerCOM"})
    EXPECT_FALSE(model.IsVisible(c)) << c;
  settings.Photo = false;
  ASSERT_TRUE(model.CbSeluPChange(0));
  for (const char* c : {"Label8", "FlukeCOM", "FlukeSelect", "Label6", "ChamberCOM"})
    EXPECT_TRUE(model.IsVisible(c)) << c;
  EXPECT_FALSE(model.IsVisible("PowerSelect"));
  EXPECT_TRUE(model.PhotoChecked());
  EXPECT_FALSE(model.IsEnabled("Photo"));
  ASSERT_TRUE(model.CbSeluPChange(1));
  EXPECT_FALSE(model.IsVisible("FlukeSelect"));
}

TEST_F(SetupDialogModelTest, SetupCommandSelectsLinkFiveAndTheSavedChip) {
  Create();
  ASSERT_TRUE(model.CbSeluPChange(2));
  ASSERT_EQ(model.LinkItem(), 2);
  model.PrepareForShow();
  EXPECT_EQ(model.LinkItem(), 5);
  EXPECT_EQ(model.ChipItem(), 2);
  EXPECT_EQ(target.LinkKind, link::kLinkSpecial) << "only the list is reset, not the link";
}

}  // namespace
}  // namespace qx::chip
