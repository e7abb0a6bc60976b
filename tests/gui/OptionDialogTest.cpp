#include "gui/OptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "PanelFixture.h"
#include "core/chip/ChipUiState.h"
#include "core/instruments/MeterPortsFile.h"

namespace qx::gui::test {
namespace {

std::filesystem::path ShippedChipFolder() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE")
      .lexically_normal();
}

/// Serial ports that never open; notes each name asked for and whether the wait cursor was up.
class AbsentPorts final : public base::SerialPortProvider {
 public:
  std::unique_ptr<base::SerialPort> Open(const std::string& name) override {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    asked.push_back(name);
    busy.push_back(cursor && cursor->shape() == Qt::WaitCursor);
    return nullptr;
  }
  std::vector<std::string> asked;
  std::vector<bool> busy;
};

/// The panel as qxpanel --simulate builds it, with the shipped chip files in its folder.
class OptionDialogTest : public PanelFixture {
 protected:
  void StartWithChips() {
    if (!std::filesystem::exists(dir / "INCLUDE"))
      std::filesystem::copy(ShippedChipFolder(), dir / "INCLUDE");
    Create();
    panel->Serial().Bind(&board->SerialPorts());
    panel->Host().OnChipLoaded(&panel->Main(),
                               [this] { board->ApplyChipGains(panel->Bench().chip); });
    panel->Start();
  }

  OptionDialog& Dialog() { return panel->Option(); }
  QPushButton* Button(const char* name) { return Dialog().findChild<QPushButton*>(name); }
  std::string LabelText(const char* name) {
    auto* label = Dialog().findChild<QLabel*>(name);
    return label ? label->text().toStdString() : "<no " + std::string(name) + ">";
  }
  QComboBox* Combo(const char* name) { return Dialog().findChild<QComboBox*>(name); }
  QWidget* Control(const char* name) { return Dialog().findChild<QWidget*>(name); }
  /// The user picks `item` from a list.
  void Choose(const char* list, int item) {
    QComboBox* combo = Combo(list);
    ASSERT_NE(combo, nullptr) << list;
    combo->setCurrentIndex(item);
    emit combo->activated(item);
  }
  static std::vector<std::string> Items(QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
    return items;
  }

  /// RMS of `n` conversions of the simulated converter, in codes.
  double CodeRms(int n) {
    double sum = 0, sq = 0;
    for (int i = 0; i < n; ++i) {
      const double c = board->Target().Convert();
      sum += c;
      sq += c * c;
    }
    const double mean = sum / n;
    return std::sqrt(sq / n - mean * mean);
  }
};

TEST_F(OptionDialogTest, CreatedFourthWithItsControlsAndTheChipIndex) {
  StartWithChips();
  EXPECT_EQ(Dialog().objectName(), "TOption");
  EXPECT_EQ(Dialog().windowTitle().toStdString(), "選項");
  EXPECT_TRUE(Dialog().isHidden());
  EXPECT_EQ(Items(Combo("CbSeluP")), (std::vector<std::string>{"QX7401  (16K)", "7R404  (8K)",
                                                               "7T404  (16K)", "7R402  (2K)"}));
  EXPECT_EQ(Items(Combo("SelLPT")),
            (std::vector<std::string>{"RS232", "SPI", "Special", "Parallel", "UART", "QX740x"}));
  EXPECT_EQ(Combo("SelLPT")->currentIndex(), 5);
  EXPECT_FALSE(Combo("SelLPT")->isEnabled());
  EXPECT_EQ(Combo("TXBaud")->count(), 10);
  EXPECT_EQ(Combo("TXCOM")->currentText().toStdString(), "COM16") << "as the settings loader sets";
  EXPECT_EQ(Combo("TXBaud")->currentText().toStdString(), "9600");
  for (const char* name : {"TXCOM", "TXBaud", "TXParity", "CLPT", "Photo"}) {
    EXPECT_TRUE(Control(name)->isHidden()) << name;
    EXPECT_FALSE(Control(name)->isEnabled()) << name;
  }
  auto* photo = Dialog().findChild<QCheckBox*>("Photo");
  EXPECT_TRUE(photo->isChecked());
  EXPECT_EQ(Dialog().findChild<QPushButton*>("BtClose")->text().toStdString(), "關閉");
  // The saved chip 0 names every instrument; the groups are shown but select nothing yet.
  for (const char* name : {"FlukeSelect", "PowerCOM", "ChamberSelect", "Label13"})
    EXPECT_FALSE(Control(name)->isHidden()) << name;
}

TEST_F(OptionDialogTest, AnotherChipReloadsTheDescription) {
  StartWithChips();
  ASSERT_EQ(panel->Bench().chip.ModelName, "QX7401");
  auto* fileMenu = panel->Main().findChild<QMenu*>("Memu_File");
  EXPECT_TRUE(fileMenu->menuAction()->isVisible()) << "#REGISTERTEST shows it";
  EXPECT_TRUE(Action("Fluke1")->isVisible());
  Choose("CbSeluP", 1);
  const app::Workbench& bench = panel->Bench();
  EXPECT_EQ(bench.target.ChipIndex, 1);
  EXPECT_EQ(bench.chip.ModelName, "7R404");
  EXPECT_EQ(bench.chip.Ui.Form(chip::kRegisterView).Caption("Caption"), "7R404Register");
  EXPECT_TRUE(Control("FlukeSelect")->isHidden()) << "this chip names no calibrator";
  EXPECT_FALSE(Action("Fluke1")->isVisible());
  EXPECT_FALSE(fileMenu->menuAction()->isVisible());
  // The commands that vanished are named once, with the reason.
  EXPECT_EQ(Status(2),
            "File, ENOB Test, 連續讀取, Fluke, Power hidden: the chip description of 7R404 has "
            "no #REGISTERTEST, #ENOB, #CONTINUE, #FLUKE, #POWER line");
  Choose("CbSeluP", 2);
  EXPECT_EQ(Status(2),
            "File, 連續讀取, Fluke, Power hidden: the chip description of 7T404 has no "
            "#REGISTERTEST, #CONTINUE, #FLUKE, #POWER line");

  Choose("CbSeluP", 3);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkSpecial);
  EXPECT_EQ(Combo("SelLPT")->currentIndex(), 2);
  Choose("SelLPT", 0);
  EXPECT_EQ(bench.target.LinkKind, link::kLinkQx740x) << "the link list always goes back to 5";
  EXPECT_EQ(Combo("SelLPT")->currentIndex(), 5);
}

TEST_F(OptionDialogTest, BridgeLineOverTheSimulatedSerialBridge) {
  StartWithChips();
  Choose("TXCOM", 14);  // COM15: no bridge and no simulated instrument there
  EXPECT_EQ(Status(0), "Uart  not  found");
  EXPECT_FALSE(panel->Bench().target.ComOpen);

  Choose("TXCOM", 0);
  EXPECT_EQ(Status(0), "RS232 COM1 , Baud = 9600, Pariyt = None");
  EXPECT_TRUE(board->SerialPorts().InUse());
  EXPECT_EQ(board->SerialBridge().Settings().baudRate, 9600);
  Choose("TXParity", 1);
  EXPECT_EQ(Status(0), "RS232 COM1 , Baud = 9600, Pariyt = EVEN");
  EXPECT_EQ(board->SerialBridge().Settings().parity, base::Parity::Even);

  // The opened port is the serial bridge link's port.
  Choose("TXParity", 0);
  app::Workbench& bench = panel->Bench();
  bench.target.LinkKind = link::kLinkRs232;
  board->Target().SetMemory(0x90, 0x6B);
  ASSERT_TRUE(bench.access.ReadBytes(0x90, 1));
  EXPECT_EQ(bench.frame[0], 0x6B);
}

TEST_F(OptionDialogTest, SetupCommandShowsTheDialogModallyBesideTheMainWindow) {
  StartWithChips();
  panel->Main().show();
  panel->Main().move(100, 80);
  Choose("CbSeluP", 2);
  Choose("SelLPT", 0);
  Combo("CbSeluP")->setCurrentIndex(0);  // looked at, not chosen
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = Dialog().isVisible();
    EXPECT_TRUE(Dialog().isModal());
    EXPECT_EQ(Dialog().pos(), panel->Main().pos() + QPoint(40, 40));
    EXPECT_EQ(Combo("CbSeluP")->currentIndex(), 2);
    EXPECT_EQ(Combo("SelLPT")->currentIndex(), 5);
    Dialog().findChild<QPushButton*>("BtClose")->click();
  });
  Action("SMenu_Option")->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(Dialog().isHidden());
}

TEST_F(OptionDialogTest, SetupOpensAtItsOwnSizeAfterAStartThatNeverOpenedIt) {
  // The placement file keeps the bounds of every window, also of a setup never opened.
  StartWithChips();
  panel->Main().show();
  CloseAndDestroy();
  Start();
  panel->Main().show();
  QSize shown;
  QTimer::singleShot(0, [&] {
    shown = Dialog().size();
    Dialog().findChild<QPushButton*>("BtClose")->click();
  });
  Action("SMenu_Option")->trigger();
  EXPECT_EQ(shown, Dialog().sizeHint()) << "its layout's size, not a default one";
}

TEST_F(OptionDialogTest, UsbScanRestoresTheDialogAndNamesTheChip) {
  StartWithChips();
  panel->Bench().target.ChipIndex = 2;
  Action("USBScan")->trigger();
  EXPECT_EQ(Status(0), "USB On Line");
  EXPECT_EQ(panel->Bench().chip.ModelName, "7T404");
  EXPECT_EQ(Combo("CbSeluP")->currentIndex(), 2);
  EXPECT_EQ(panel->Main().windowTitle().toStdString(),
            "Qx-740xTEST V1.4 ---- Now Chip is  7T404  (16K)");
}

TEST_F(OptionDialogTest, PgaGainOfTheLoadedChipScalesTheInputNoiseInCodes) {
  StartWithChips();
  app::Workbench& bench = panel->Bench();
  ASSERT_EQ(bench.chip.ModelName, "QX7401");
  const chip::FieldDescriptor pga = bench.chip.AdcField("PGA");
  ASSERT_TRUE(pga.present);
  board->Target().SetOutputNoiseCodes(0);
  board->Target().SetInputNoiseNv(2000);
  board->Target().SetDcLevelVolts(0);

  Action("USBScan")->trigger();
  ASSERT_TRUE(bench.target.Usb.Opened);
  bench.access.WriteReg(pga.address, 0);
  const double gain1 = CodeRms(4000);
  // PGA setting 3 is gain 8 in the chip's table.
  bench.access.WriteReg(pga.address, static_cast<uint8_t>(3 << pga.lsb));
  ASSERT_EQ(board->Target().FieldValue("PGA", 0), 3);
  const double gain8 = CodeRms(4000);
  EXPECT_NEAR(gain1, 2000e-9 / 2.4 * 8388608.0, 0.05 * gain1);
  EXPECT_NEAR(gain8 / gain1, 8.0, 0.4);
}

TEST_F(OptionDialogTest, SelectOnAPortThatDoesNotOpenSaysSoAndSelectsNothing) {
  StartWithChips();
  AbsentPorts absent;
  panel->Serial().Bind(&absent);
  const instruments::InstrumentPorts& ports = panel->Bench().instruments;
  struct Case {
    const char* list;
    const char* button;
    const char* status;
    const instruments::DevcRS232* record;
  };
  const Case cases[] = {
      {"FlukeCOM", "FlukeSelect", "Fluke Uart  not  found", &ports.FlukePort},
      {"PowerCOM", "PowerSelect", "Power Supply Uart  not  found", &ports.PowerPort},
      {"ChamberCOM", "ChamberSelect", "Chamber Uart  not  found", &ports.ChamberPort}};
  int item = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    Choose(c.list, item);
    absent.asked.clear();
    absent.busy.clear();
    Button(c.button)->click();
    EXPECT_EQ(Status(1), c.status + std::string(": COM") + std::to_string(item + 1));
    EXPECT_FALSE(c.record->Selected);
    EXPECT_FALSE(c.record->IsOpen());
    ASSERT_EQ(absent.asked, std::vector<std::string>{"COM" + std::to_string(item + 1)})
        << "the port chosen in its own list";
    EXPECT_TRUE(absent.busy[0]) << "wait cursor while the probe blocks";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "and gone after it";
    ++item;
  }
}

TEST_F(OptionDialogTest, MeterGroupComesWithTheChamberGroup) {
  StartWithChips();
  auto* group = Dialog().findChild<QGroupBox*>("MeterGroup");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title().toStdString(), "Multimeters");
  for (int m = 1; m <= 6; ++m) {
    const std::string name = "MeterCOM" + std::to_string(m);
    QComboBox* list = Combo(name.c_str());
    ASSERT_NE(list, nullptr) << name;
    const std::vector<std::string> items = Items(list);
    ASSERT_EQ(items.size(), 17u);
    EXPECT_EQ(items.front(), "—");
    EXPECT_EQ(items[1], "COM1");
    EXPECT_EQ(items.back(), "COM16");
    EXPECT_EQ(list->currentIndex(), 0) << "unused without a saved port";
  }
  ASSERT_NE(Button("MeterSelect"), nullptr);
  Button("MeterSelect")->click();
  EXPECT_EQ(Status(1), "No multimeter in use") << "a press with nothing chosen still answers";
  EXPECT_FALSE(group->isHidden());
  ASSERT_FALSE(Control("ChamberCOM")->isHidden());
  Choose("CbSeluP", 1);
  EXPECT_TRUE(Control("ChamberCOM")->isHidden()) << "this chip names no chamber";
  EXPECT_TRUE(group->isHidden());
}

TEST_F(OptionDialogTest, MeterPortsComeFromTheirFileAndGoBackToIt) {
  {
    std::ofstream file(dir / "QxMeters.txt", std::ios::binary);
    file << "METER2 COM3\r\nMETER6 COM17\r\n";
  }
  StartWithChips();
  EXPECT_EQ(Combo("MeterCOM1")->currentIndex(), 0);
  EXPECT_EQ(Combo("MeterCOM2")->currentText().toStdString(), "COM3");
  EXPECT_EQ(Combo("MeterCOM6")->currentText().toStdString(), "COM17") << "kept, though unlisted";

  AbsentPorts absent;
  panel->Serial().Bind(&absent);
  Choose("MeterCOM1", 5);
  Choose("MeterCOM2", 0);
  Button("MeterSelect")->click();
  EXPECT_EQ(absent.asked, (std::vector<std::string>{"COM5", "COM17"}))
      << "unused meters not opened";
  EXPECT_EQ(absent.busy, (std::vector<bool>{true, true}));
  EXPECT_EQ(LabelText("MeterValue1"), "not found");
  EXPECT_EQ(LabelText("MeterValue2"), "");
  EXPECT_EQ(LabelText("MeterValue6"), "not found");
  EXPECT_EQ(Status(1), "Meter 6 Uart  not  found: COM17");
  for (const instruments::DevcRS232& meter : panel->Bench().instruments.MeterPorts)
    EXPECT_FALSE(meter.Selected);

  const instruments::MeterPortsFile::Names saved =
      instruments::MeterPortsFile::Load(dir / "QxMeters.txt");
  EXPECT_EQ(saved, (instruments::MeterPortsFile::Names{"COM5", "", "", "", "", "COM17"}));

  // A folder in the file's place: the names cannot be kept, and the status bar says so.
  std::filesystem::remove(dir / "QxMeters.txt");
  std::filesystem::create_directory(dir / "QxMeters.txt");
  Button("MeterSelect")->click();
  EXPECT_EQ(Status(1).rfind("Meter ports not saved: ", 0), 0u) << Status(1);
}

// A kill must not make the user choose the instruments' ports again before a resume.
TEST_F(OptionDialogTest, InstrumentPortsAreWrittenWhenChosenAndShownAtTheNextStart) {
  {
    std::ofstream file(dir / "QxMeters.txt", std::ios::binary);
    file << "METER2 COM3\r\n";
  }
  StartWithChips();
  Choose("FlukeCOM", 4);
  Choose("ChamberCOM", 6);
  EXPECT_EQ(instruments::MeterPortsFile::LoadInstruments(dir / "QxMeters.txt"),
            (instruments::MeterPortsFile::InstrumentNames{"COM5", "", "COM7"}));
  EXPECT_EQ(instruments::MeterPortsFile::Load(dir / "QxMeters.txt")[1], "COM3");

  Destroy();  // as a kill would leave it: no close ran
  StartWithChips();
  EXPECT_EQ(Combo("FlukeCOM")->currentText().toStdString(), "COM5");
  EXPECT_EQ(Combo("PowerCOM")->currentIndex(), -1);
  EXPECT_EQ(Combo("ChamberCOM")->currentText().toStdString(), "COM7");
  EXPECT_EQ(Combo("MeterCOM2")->currentText().toStdString(), "COM3");

  std::filesystem::remove(dir / "QxMeters.txt");
  std::filesystem::create_directory(dir / "QxMeters.txt");
  Choose("PowerCOM", 5);
  EXPECT_EQ(Status(1).rfind("Instrument ports not saved: ", 0), 0u) << Status(1);
}

TEST_F(OptionDialogTest, MeterPortFileThatIsNoFileIsNamedInTheStatusBar) {
  std::filesystem::create_directory(dir / "QxMeters.txt");
  StartWithChips();
  EXPECT_EQ(Status(1), dir.string() + "/QxMeters.txt: not a regular file");
}

}  // namespace
}  // namespace qx::gui::test
