#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "PanelFixture.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "gui/panels/TADCForm.h"
#include "gui/panels/TCMPForm.h"
#include "gui/panels/TOPForm.h"

namespace qx::gui::test {
namespace {

std::filesystem::path ShippedChips() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE")
      .lexically_normal();
}

/// The panels over the simulated board with a shipped chip description loaded.
class PanelFormsTest : public PanelFixture {
 protected:
  static constexpr uint16_t kQx7401 = 0;
  static constexpr uint16_t kQx7T404 = 2;
  static constexpr uint16_t kQx7R402 = 3;

  void StartWithChip(uint16_t index, uint16_t linkKind,
                     const std::filesystem::path& folder = ShippedChips()) {
    Start();
    // The scan restores the saved chip; the chip under test is loaded after it.
    panel->Bench().target.LinkKind = linkKind;
    Action("USBScan")->trigger();
    ASSERT_TRUE(panel->Bench().target.Usb.Opened);
    LoadChip(index, folder);
    panel->Bench().target.LinkKind = linkKind;
    sim::SimTarget& target = board->Target();
    target.SetInputNoiseNv(0);
    target.SetOutputNoiseCodes(0);
    target.SetReferenceVolts(1.0);
  }

  void LoadChip(uint16_t index, const std::filesystem::path& folder = ShippedChips()) {
    chip::FileTextSource files;
    chip::ChipLoader loader(panel->Bench().chip, files, panel->Host(), folder.string() + "/");
    chip::LoadRequest request;
    request.chipIndex = index;
    ASSERT_TRUE(loader.GetSELUP(request).Ok());
  }

  template <typename T>
  T* Find(QWidget& form, const char* name) {
    T* w = form.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  /// Picks an item as the user does: the list shows it, then reports the choice.
  void Choose(QWidget& form, const char* list, int index) {
    QComboBox* c = Find<QComboBox>(form, list);
    c->setCurrentIndex(index);
    emit c->activated(index);
  }

  void Click(QWidget& form, const char* name) {
    QWidget* w = Find<QWidget>(form, name);
    ASSERT_TRUE(w->isEnabled()) << name;
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  }

  std::string Text(QWidget& form, const char* name) {
    return Find<QLabel>(form, name)->text().toStdString();
  }
  bool Shown(QWidget& form, const char* name) { return !Find<QWidget>(form, name)->isHidden(); }
};

TEST_F(PanelFormsTest, WindowsExistWithTheirCaptionsAndMenuCommands) {
  Start();
  EXPECT_EQ(panel->AdcForm().objectName(), "TADCForm");
  EXPECT_EQ(panel->OpForm().objectName(), "TOPForm");
  EXPECT_EQ(panel->CmpForm().objectName(), "TCMPForm");
  EXPECT_EQ(panel->AdcForm().windowTitle(), "ADC");
  EXPECT_EQ(panel->OpForm().windowTitle(), "OP");
  EXPECT_EQ(panel->CmpForm().windowTitle(), "Comparator");
  EXPECT_TRUE(panel->AdcForm().isHidden());
  EXPECT_TRUE(Action("SMenu_ADC")->isVisible());
  EXPECT_FALSE(Action("SMenu_OP")->isVisible());
  EXPECT_FALSE(Action("SMenu_CMP")->isVisible());

  Action("SMenu_ADC")->trigger();
  EXPECT_FALSE(panel->AdcForm().isHidden());
  EXPECT_EQ(panel->Main().MdiArea()->subWindowList().size(), 1);

  // Closing only hides the window; it stays for the next time.
  panel->AdcForm().parentWidget()->close();
  EXPECT_TRUE(panel->AdcForm().isHidden());
  Action("SMenu_ADC")->trigger();
  EXPECT_FALSE(panel->AdcForm().isHidden());
}

TEST_F(PanelFormsTest, SelectingPgaItem3WritesTheSimulatedRegister) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  EXPECT_EQ(panel->AdcForm().windowTitle().left(6), "ADC - ");
  TADCForm& form = panel->AdcForm();
  board->Target().SetRegister(1, 0x1C);  // ADGN 3, FSRB 1
  panel->Bench().access.WriteReg(1, 0x1C);
  ASSERT_EQ(Text(form, "TXFRb"), "FRb = 1/2");

  Choose(form, "TXPGAGN", 3);
  EXPECT_EQ(board->Target().Register(1), 0x7C);
  EXPECT_EQ(panel->Bench().access.GetRegImage(1), 0x7C);
  EXPECT_EQ(Text(form, "TXPGAGNS"), "x 8");
  EXPECT_EQ(panel->Bench().chip.AdcFields.at("PGA").value, 3);
  board->Target().PgaGain() = {1, 2, 4, 8, 16, 32, 64, 128};
  board->Target().AdgnGain() = {1, 2, 4, 8};
  EXPECT_DOUBLE_EQ(board->Target().Gain(), 8 * 8 * 2);
  EXPECT_TRUE(Find<QWidget>(form, "OneGain0on")->isHidden());
}

TEST_F(PanelFormsTest, AChipWithoutAnAdcBlockShowsAnEmptyDisabledPanel) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  TADCForm& form = panel->AdcForm();
  ASSERT_EQ(Text(form, "LINP6"), "TEMP+");
  LoadChip(kQx7R402);
  EXPECT_EQ(Text(form, "TXADC"), "No ADC block");
  EXPECT_EQ(Text(form, "LINP6"), "AI6");
  for (const char* c : {"BADCRead", "BRDADC", "TXINP", "TXPGAGN", "COMOSCS", "PHS", "PENADC"})
    EXPECT_FALSE(Find<QWidget>(form, c)->isEnabled()) << c;
  EXPECT_EQ(Find<QComboBox>(form, "TXINP")->itemText(6), "110");

  LoadChip(kQx7401);
  EXPECT_TRUE(Find<QWidget>(form, "BADCRead")->isEnabled());
  EXPECT_EQ(Text(form, "LINP6"), "TEMP+");
}

TEST_F(PanelFormsTest, RefusedInputValueRestoresTheList) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  TADCForm& form = panel->AdcForm();
  panel->Bench().chip.AdcFields.at("INP").width = 2;  // four positive inputs on this part
  panel->Bench().access.WriteReg(0, 0x10);
  ASSERT_EQ(Find<QComboBox>(form, "TXINP")->currentIndex(), 1);

  Choose(form, "TXINP", 6);
  EXPECT_EQ(Find<QComboBox>(form, "TXINP")->currentIndex(), 1);
  EXPECT_EQ(board->Target().Register(0), 0x10);

  Choose(form, "TXINP", 2);
  EXPECT_EQ(board->Target().Register(0), 0x20);
  EXPECT_EQ(Find<QComboBox>(form, "TXINP")->currentIndex(), 2);
}

TEST_F(PanelFormsTest, SwitchPanelShowsTheActiveCaptionColour) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  TADCForm& form = panel->AdcForm();
  Click(form, "PHS");
  EXPECT_EQ(board->Target().Register(3) & 0x10, 0x10);
  const QString lit = Find<QWidget>(form, "PHS")->styleSheet();
  EXPECT_TRUE(lit.contains(form.palette().color(QPalette::Highlight).name())) << lit.toStdString();
  EXPECT_EQ(Text(form, "TXOSR"), "ADC_CK = 7680sps");
  Click(form, "PHS");
  EXPECT_FALSE(Find<QWidget>(form, "PHS")
                   ->styleSheet()
                   .contains(form.palette().color(QPalette::Highlight).name()));
}

TEST_F(PanelFormsTest, ReadingAllOnesInDecimalWith23BitsShowsMinusOne) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  TADCForm& form = panel->AdcForm();
  board->Target().SetDcLevelVolts(-1.0 / 8388608.0);  // one code below zero: FF FF FF
  Choose(form, "TXADCOMD", 1);
  Choose(form, "TXADCObit", 15);
  Click(form, "BADCRead");
  EXPECT_EQ(Text(form, "TXADC"), "-1");
  Choose(form, "TXADCOMD", 0);
  EXPECT_EQ(Text(form, "TXADC"), "7FFFFF");
}

TEST_F(PanelFormsTest, ContinuousReadingFollowsTheSimulatedSignalUntilClosed) {
  StartWithChip(kQx7401, link::kLinkQx740x);
  TADCForm& form = panel->AdcForm();
  Action("SMenu_ADC")->trigger();
  Choose(form, "TXADCOMD", 1);
  Choose(form, "TXADCObit", 15);
  ASSERT_EQ(Text(form, "BRDADC"), "STOP");
  Click(form, "BRDADC");
  EXPECT_EQ(Text(form, "BRDADC"), "Reading");

  board->Target().SetDcLevelVolts(2000.0 / 8388608.0);
  panel->Bench().monitor.Tick();
  EXPECT_EQ(Text(form, "TXADC"), "1000");
  board->Target().SetDcLevelVolts(-6000.0 / 8388608.0);
  panel->Bench().monitor.Tick();
  EXPECT_EQ(Text(form, "TXADC"), "-3000");

  form.parentWidget()->close();
  EXPECT_FALSE(panel->Bench().monitor.continuousRead);
  EXPECT_EQ(Text(form, "BRDADC"), "STOP");
  board->Target().SetDcLevelVolts(0);
  panel->Bench().monitor.Tick();
  EXPECT_EQ(Text(form, "TXADC"), "-3000");
}

TEST_F(PanelFormsTest, ClickingLai5SelectsOp0n5) {
  // A variant of the op-amp part whose negative input 5 exists.
  std::ifstream in(ShippedChips() / "QX7T404.CHP", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string chipText =
      std::regex_replace(text.str(), std::regex("040H OP0N   3 0 [^\\r\\n]*"),
                         "040H OP0N 3 0 AI0 AI1 AI2 AI3 AI4 AI5 VSS FB");
  const std::filesystem::path folder = dir / "INCLUDE";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "QX7T404.CHP", std::ios::binary) << chipText;
  std::ofstream(folder / "QxSel.INC", std::ios::binary)
      << "QX7401.CHP QX7401 (16k)\r\nQX7R404.CHP 7R404 (8k)\r\nQX7T404.CHP 7T404 (16k)\r\n";
  StartWithChip(kQx7T404, link::kLinkSpi, folder);

  TOPForm& form = panel->OpForm();
  ASSERT_TRUE(Shown(form, "LAI5"));
  EXPECT_EQ(Text(form, "LAI5"), "AI5");
  Click(form, "LAI5");
  EXPECT_EQ(board->Target().Memory(0x40) & 0x07, 5);
  EXPECT_TRUE(Shown(form, "OP0N101on"));
  EXPECT_FALSE(Shown(form, "OP0N101off"));
  EXPECT_FALSE(Shown(form, "OP0N000on"));
  EXPECT_EQ(Find<QComboBox>(form, "TXOP0N")->currentText(), "101");
}

TEST_F(PanelFormsTest, ClickingRaisingEdgeShowsFallingEdge) {
  StartWithChip(kQx7T404, link::kLinkSpi);
  TCMPForm& form = panel->CmpForm();
  ASSERT_TRUE(Shown(form, "CPOraising"));
  ASSERT_FALSE(Shown(form, "CPOfalling"));
  Click(form, "CPOraising");
  EXPECT_EQ(board->Target().Memory(0x49) & 0x20, 0x20);
  EXPECT_TRUE(Shown(form, "CPOfalling"));
  EXPECT_FALSE(Shown(form, "CPOraising"));
  EXPECT_EQ(Text(form, "PPMX"), "PT1.0");
  EXPECT_EQ(Text(form, "LCPIH1"), "Float");
}

TEST_F(PanelFormsTest, RegisterWritesElsewhereRefreshThePanels) {
  StartWithChip(kQx7T404, link::kLinkSpi);
  panel->Bench().access.WriteReg(0x4A, 0x40);  // CPVCS 2
  EXPECT_EQ(board->Target().Memory(0x4A), 0x40);
  QWidget* source = Find<QWidget>(panel->CmpForm(), "LCPVCS10");
  EXPECT_TRUE(source->styleSheet().contains("#000000")) << source->styleSheet().toStdString();
  panel->Bench().access.WriteReg(0x41, 0x80);  // OP0M 2
  EXPECT_EQ(Text(panel->OpForm(), "TXOP0MS"), "Offset Position");
}

}  // namespace
}  // namespace qx::gui::test
