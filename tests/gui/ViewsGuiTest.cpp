#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "PanelFixture.h"
#include "core/base/FileBytes.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/FileTextSource.h"
#include "core/views/CellLook.h"

namespace qx::gui::test {
namespace {

std::string ShippedChips() {
  return (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "INCLUDE")
      .lexically_normal()
      .string();
}

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
}

void Type(QWidget* w, const QString& chars) {
  for (QChar c : chars) Key(w, c.toUpper().unicode(), QString(c));
}

/// Presses (and optionally double-clicks) the mouse on a cell of a grid.
void Click(ViewGrid& grid, int col, int row, bool twice = false) {
  const QPoint at = grid.visualRect(grid.model()->index(row, col)).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid.viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, grid.viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(grid.viewport(), &release);
  if (!twice) return;
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid.viewport(), &dbl);
}

std::string Cell(ViewGrid& grid, int col, int row, int role = Qt::DisplayRole) {
  return grid.model()->index(row, col).data(role).toString().toStdString();
}

/// The panel on the simulated board with the banked sample chip, on the SPI link.
class ViewsGuiTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    InstallShippedChips();
    Start();
    // USB Scan reloads the chip of the setup dialog: make that the banked chip too.
    panel->Bench().target.ChipIndex = 1;
    chip::FileTextSource files;
    chip::ChipLoader loader(panel->Bench().chip, files, panel->Host(), ShippedChips());
    chip::LoadRequest request;
    request.chipIndex = 1;
    ASSERT_TRUE(loader.GetSELUP(request).Ok());
    Action("USBScan")->trigger();
    ASSERT_TRUE(panel->Bench().target.Usb.Opened);
    // The scan's setup restore selects the QX740x link; these tests reach memory over SPI.
    panel->Bench().target.LinkKind = link::kLinkSpi;
  }
  RegisterView& Reg() { return *panel->Views().Registers(); }
  RamView& Ram() { return *panel->Views().Ram(); }
  HexPopup& Popup() { return *panel->Views().Popup(); }
  sim::SimTarget& Target() { return board->Target(); }

  /// Types into the popup as soon as it runs.
  void AnswerPopup(const QString& keys) {
    QTimer::singleShot(0, [this, keys] { Type(Popup().Edit(), keys); });
  }
};

TEST_F(ViewsGuiTest, PopupDigitRuleAutoCloseAndPlacement) {
  uint32_t value = 0;
  AnswerPopup("1a");
  EXPECT_TRUE(Popup().AskHex({10, 10}, value, "FF", "00~FF", "Ram080=00"));
  EXPECT_EQ(value, 0x1Au);
  EXPECT_EQ(Popup().windowTitle().toStdString(), "Ram080=00");

  // A limited pattern refuses digits above it; Enter takes what is there.
  QTimer::singleShot(0, [this] {
    Popup().KeyButton(4)->click();  // above "3": refused
    Popup().KeyButton(2)->click();
    EXPECT_EQ(Popup().Edit()->text().toStdString(), "2");
    Key(Popup().Edit(), Qt::Key_Return, "\r");
  });
  EXPECT_TRUE(Popup().AskHex({10, 10}, value, "3FF", "000~3FF", "x"));
  EXPECT_EQ(value, 2u);

  QTimer::singleShot(0, [this] {
    Type(Popup().Edit(), "12");
    Key(Popup().Edit(), Qt::Key_Escape);
  });
  EXPECT_FALSE(Popup().AskHex({10, 10}, value, "FFFF", "0000~FFFF", "x"));

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QTimer::singleShot(0, [this, screen] {
    EXPECT_TRUE(screen.contains(Popup().frameGeometry().bottomRight()));
    Popup().KeyButton(views::HexEntry::kCancelButton)->click();
  });
  EXPECT_FALSE(Popup().AskHex(screen.bottomRight() - QPoint(5, 5), value, "FF", "00~FF", "x"));
}

TEST_F(ViewsGuiTest, TypingIntoAByteCellWritesTheBoard) {
  ViewGrid& bytes = Reg().Grid(views::RegGrid::Byte);
  EXPECT_EQ(Cell(bytes, 5, 0), "TMRCON");
  bytes.setCurrentIndex(bytes.model()->index(1, 5));
  Type(&bytes, "123");
  EXPECT_EQ(Cell(bytes, 5, 1), "23");
  Key(&bytes, Qt::Key_Return, "\r");
  EXPECT_EQ(Target().Memory(0x30), 0x23);
  EXPECT_EQ(Cell(bytes, 5, 1), "23");
  EXPECT_EQ(Cell(bytes, 5, 0, Qt::ToolTipRole), "Timer control");
}

TEST_F(ViewsGuiTest, WordRegisterIsWrittenAsTwoBytesThroughThePopup) {
  ViewGrid& words = Reg().Grid(views::RegGrid::Word);
  AnswerPopup("1234");
  Click(words, 2, 0, true);  // TMR
  EXPECT_EQ(Target().Memory(0x14), 0x12);
  EXPECT_EQ(Target().Memory(0x15), 0x34);
  EXPECT_EQ(Cell(words, 2, 1), "1234");
}

TEST_F(ViewsGuiTest, PageButtonsSwitchTheBitGrid) {
  ViewGrid& bits = Reg().Grid(views::RegGrid::Bit);
  EXPECT_EQ(bits.model()->rowCount(), 3);
  auto* page2 = Reg().findChild<QPushButton*>("PPAGE2");
  ASSERT_NE(page2, nullptr);
  EXPECT_FALSE(page2->isHidden());
  page2->click();
  EXPECT_EQ(panel->Bench().settings.CurrentPage, 1);
  EXPECT_EQ(bits.model()->rowCount(), 2);
  EXPECT_EQ(Cell(bits, 0, 0), "PT1");
  EXPECT_TRUE(page2->isChecked());

  // The bit menu sets a single bit.
  Target().SetMemory(0x05, 0x01);
  Action("Menu_ReadRAM")->trigger();
  Click(bits, 1, 0, true);  // PT1.7
  Reg().findChild<QAction*>("PMBitSet")->trigger();
  EXPECT_EQ(Target().Memory(0x05), 0x81);
  EXPECT_EQ(Cell(bits, 1, 0), "PT1.7");
}

TEST_F(ViewsGuiTest, ReadRamFillsTheRamViewAndBankButtonsSelect) {
  Target().SetMemory(0x80, 0x5A);
  Target().SetMemory(0x180, 0xC3);
  Action("Menu_ReadRAM")->trigger();
  ViewGrid& sgd = Ram().Grid();
  EXPECT_EQ(Cell(sgd, 1, 9), "5A");
  EXPECT_EQ(sgd.model()->index(9, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
            QColor(0, 0, 255));
  auto* bank1 = Ram().findChild<QPushButton*>("PBank1");
  ASSERT_NE(bank1, nullptr);
  EXPECT_TRUE(Ram().findChild<QPushButton*>("PBank4")->isHidden());
  bank1->click();
  EXPECT_EQ(Cell(sgd, 0, 3), "120");
  EXPECT_EQ(Cell(sgd, 5, 3), "-");
  EXPECT_EQ(Cell(sgd, 1, 9), "C3");
  sgd.setCurrentIndex(sgd.model()->index(9, 2));
  Type(&sgd, "7e");
  Key(&sgd, Qt::Key_Tab);
  EXPECT_EQ(Target().Memory(0x181), 0x7E);
}

TEST_F(ViewsGuiTest, RamFileRoundTripWithMarksAndHints) {
  Target().SetMemory(0x80, 0x5A);
  Action("Menu_ReadRAM")->trigger();
  Action("Menu_ReadRAM")->trigger();  // the change colouring would hide the mark
  ViewGrid& sgd = Ram().Grid();
  Ram().SetMarkColour(0x00FF00);
  Click(sgd, 1, 9);
  Ram().findChild<QAction*>("SetMark")->trigger();
  EXPECT_EQ(sgd.model()->index(9, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
            QColor(0, 255, 0));
  const std::string path = (dir / "a.ram").string();
  ASSERT_TRUE(Ram().SaveRamTo(path));

  // A hint added to the file, then everything reset and loaded back.
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  in.close();
  const std::string group = " 1 0\r\n65280\r\n\r\n";
  const size_t at = text.find(group);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, group.size(), " 1 1\r\n65280\r\nscale\r\n");
  std::ofstream(path, std::ios::binary) << text;

  panel->Host().SetDialogsEnabled(true);
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "Are you sure to reset all mark?");
    box->button(QMessageBox::Yes)->click();
  });
  Ram().findChild<QAction*>("RstAllMark")->trigger();
  panel->Host().SetDialogsEnabled(false);
  EXPECT_NE(sgd.model()->index(9, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
            QColor(0, 255, 0));
  EXPECT_FALSE(Ram().SaveRamTo(path)) << "the file exists and nobody agreed to overwrite it";

  Target().SetMemory(0x80, 0x00);
  ASSERT_TRUE(Ram().LoadRamFrom(path));
  EXPECT_EQ(Cell(sgd, 1, 9), "5A");
  EXPECT_EQ(Target().Memory(0x80), 0x00) << "loading fills the image only";
  EXPECT_EQ(sgd.model()->index(9, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
            QColor(0, 255, 0));
  EXPECT_TRUE(sgd.model()->index(9, 1).data(Qt::FontRole).value<QFont>().underline());
  EXPECT_EQ(Cell(sgd, 1, 9, Qt::ToolTipRole), "scale");

  std::ofstream(path, std::ios::binary) << "00\r\n";
  EXPECT_FALSE(Ram().LoadRamFrom(path));
  EXPECT_NE(Status(2).find("ends after line 1"), std::string::npos) << Status(2);
}

std::string Unzip(const std::string& zip, const char* member) {
  const std::string cmd = "unzip -p '" + zip + "' " + member;
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST_F(ViewsGuiTest, WorkbookHoldsTheUserDataSheet) {
  Target().SetMemory(0x80, 0x5A);
  Action("Menu_ReadRAM")->trigger();
  const std::string path = (dir / "ram.xlsx").string();
  ASSERT_TRUE(Ram().ExportTo(path));
  EXPECT_NE(Unzip(path, "xl/workbook.xml").find("name=\"USER Data\""), std::string::npos);
  const std::string sheet = Unzip(path, "xl/worksheets/sheet1.xml");
  // 0x80: row 8 + 3, columns 0 + 3 (C) and 0 + 20 (T).
  EXPECT_NE(sheet.find("<c r=\"C11\"><v>90</v></c>"), std::string::npos) << sheet.substr(0, 600);
  EXPECT_NE(sheet.find("<c r=\"T11\" t=\"s\">"), std::string::npos);
  EXPECT_NE(sheet.find("<c r=\"D3\" t=\"s\">"), std::string::npos) << "a \"-\" cell";
  const std::string strings = Unzip(path, "xl/sharedStrings.xml");
  EXPECT_NE(strings.find("<t>5Ah</t>"), std::string::npos);
  EXPECT_NE(strings.find("<t>-</t>"), std::string::npos);
}

TEST_F(ViewsGuiTest, WorkbookReplacesTheFileAtomicallyAndNeverThroughALink) {
  Action("Menu_ReadRAM")->trigger();
  const auto victim = dir / "victim.txt";
  { std::ofstream(victim, std::ios::binary) << "precious"; }
  const auto path = dir / "ram.xlsx";
  std::filesystem::create_symlink(victim, path);
  ASSERT_TRUE(Ram().ExportTo(path.string()));
  EXPECT_EQ(base::ReadFileBytes(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_NE(Unzip(path.string(), "xl/workbook.xml").find("name=\"USER Data\""), std::string::npos);
  // Neither the library's scratch file nor a temporary file is left behind.
  for (const auto& e : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

/// The register view of the ADC chip (index 0): its byte registers are ADCCON0 to ADCCON4.
class RegisterGridLookTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    InstallShippedChips();
    Start();
    Action("USBScan")->trigger();
    panel->Main().resize(1024, 700);
    panel->Main().show();
    Action("SMenu_REG")->trigger();
    QApplication::processEvents();
  }
  RegisterView& Reg() { return *panel->Views().Registers(); }
};

TEST_F(RegisterGridLookTest, ByteRegisterNamesShowInFull) {
  ViewGrid& bytes = Reg().Grid(views::RegGrid::Byte);
  ASSERT_EQ(Cell(bytes, 0, 0), "ADCCON0");
  // The text room of a cell is its width less the style's margins on either side.
  const int margins =
      2 * (bytes.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &bytes) + 1);
  const QFontMetrics metrics(bytes.font());
  int names = 0;
  for (int c = 0; c < bytes.model()->columnCount(); ++c)
    for (int r = 0; r < bytes.model()->rowCount(); r += 2) {
      const QString name = QString::fromStdString(Cell(bytes, c, r));
      if (name.isEmpty()) continue;
      ++names;
      EXPECT_LE(metrics.horizontalAdvance(name) + margins, bytes.columnWidth(c))
          << name.toStdString();
    }
  EXPECT_EQ(names, 5);
  // The window is wide enough for the widened columns: nothing to scroll sideways.
  EXPECT_GE(bytes.viewport()->width() + 2 * bytes.frameWidth() + 1,
            bytes.ContentWidth() - 2 * bytes.frameWidth());
  EXPECT_EQ(bytes.horizontalScrollBar()->maximum(), 0);
}

TEST_F(RegisterGridLookTest, ASelectedChangedCellStaysBlueInsideTheSelectionFrame) {
  ViewGrid& bytes = Reg().Grid(views::RegGrid::Byte);
  panel->Bench().chip.Changed[0] = true;  // ADCCON0 changed at the last refresh
  Reg().Repaint();
  ASSERT_EQ(bytes.model()->index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
            QColor(Qt::blue));
  bytes.setCurrentIndex(bytes.model()->index(0, 0));
  ASSERT_TRUE(bytes.selectionModel()->isSelected(bytes.model()->index(0, 0)));
  const QRect cell = bytes.visualRect(bytes.model()->index(0, 0));
  const QImage image = bytes.viewport()->grab().toImage();
  const QColor frame = ToQColor(views::colour::kSelectionFrame);
  int blue = 0;
  int framed = 0;
  for (int y = cell.top(); y <= cell.bottom(); ++y)
    for (int x = cell.left(); x <= cell.right(); ++x) {
      const QColor px = image.pixelColor(x, y);
      if (px == QColor(Qt::blue)) ++blue;
      if (px == frame) ++framed;
    }
  const int area = cell.width() * cell.height();
  EXPECT_GT(blue, area / 3) << "the changed colour is painted over";
  EXPECT_GT(framed, cell.width()) << "no selection frame";
  // The selection and the changed mark never share a colour.
  EXPECT_NE(frame, QColor(Qt::blue));
  EXPECT_NE(ToQColor(views::colour::kSelectionFrame), ToQColor(views::colour::kBlue));
}

}  // namespace
}  // namespace qx::gui::test
