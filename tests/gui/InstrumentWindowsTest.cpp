#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <filesystem>
#include <functional>

#include "PanelFixture.h"
#include "gui/instruments/StepTableWindow.h"

namespace qx::gui::test {
namespace {

/// The calibrator and power-supply windows of a started panel.
class InstrumentWindowsTest : public PanelFixture {
 protected:
  /// The panel with the shipped chips, whose saved chip 0 shows the instrument menu items.
  void StartWithChips() {
    InstallShippedChips();
    Start();
    panel->Main().show();
  }

  struct Window {
    const char* menuItem;
    const char* form;
    const char* caption;
    const char* grid;
  };
  static constexpr Window kWindows[] = {{"Fluke1", "TFLUKE", "FLUKE-5500", "FlukeGd"},
                                        {"Power1", "TFPower", "Power Supply", "PowerGd"}};

  QTableView* Open(const Window& w) {
    Action(w.menuItem)->trigger();
    QCoreApplication::processEvents();  // the MDI frame lays itself out around the window
    auto* window = panel->Main().findChild<StepTableWindow*>(w.form);
    return window ? window->findChild<QTableView*>(w.grid) : nullptr;
  }

  static std::string Cell(QTableView* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString().toStdString();
  }

  /// Lets the event loop run until `done` holds, for at most two seconds.
  static bool Eventually(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(2000);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QCoreApplication::processEvents();
      QThread::msleep(10);
    }
    return true;
  }

  /// Types `text` into a cell as the user does: an editor opens, Return commits it.
  static bool Type(QTableView* grid, int row, int column, const QString& text) {
    const QModelIndex at = grid->model()->index(row, column);
    grid->setCurrentIndex(at);
    grid->edit(at);
    // Editors of earlier edits may still wait for their deferred delete.
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) editor = e;
    if (!editor) return false;
    editor->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &enter);
    QCoreApplication::processEvents();
    return true;
  }
};

TEST_F(InstrumentWindowsTest, MenuItemsOpenBothTablesWholeWithTheirTitlesAndNumbers) {
  StartWithChips();
  for (const Window& w : kWindows) {
    SCOPED_TRACE(w.form);
    ASSERT_TRUE(Action(w.menuItem)->isEnabled());
    QTableView* grid = Open(w);
    ASSERT_NE(grid, nullptr);
    QWidget* window = grid->parentWidget();
    EXPECT_EQ(window->windowTitle().toStdString(), w.caption);
    EXPECT_TRUE(window->isVisible());
    auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    ASSERT_NE(frame, nullptr) << "an MDI child of the main window";
    EXPECT_EQ(frame->mdiArea(), panel->Main().MdiArea());

    ASSERT_EQ(grid->model()->rowCount(), 48) << "49 rows with the title row";
    ASSERT_EQ(grid->model()->columnCount(), 3);
    const char* titles[] = {"序號", "Step", "輸入值"};
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(grid->model()->headerData(c, Qt::Horizontal).toString().toStdString(), titles[c]);
    EXPECT_EQ(Cell(grid, 0, 0), "1");
    EXPECT_EQ(Cell(grid, 47, 0), "48");
    EXPECT_EQ(Cell(grid, 0, 2), "");

    // Every column at least as wide as designed and as its title; nothing scrolls sideways.
    const int designed[] = {28, 30, 240};
    QHeaderView* header = grid->horizontalHeader();
    int sum = 0;
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(header->sectionSize(c), designed[c]);
      EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << titles[c];
      sum += header->sectionSize(c);
    }
    EXPECT_LE(sum, grid->viewport()->width());
    EXPECT_GE(grid->width(), 338);
    EXPECT_TRUE(window->rect().contains(grid->geometry())) << "the grid shows whole";
    EXPECT_TRUE(frame->rect().contains(window->geometry())) << "and so does its window";
  }
  // Opened together, they sit side by side rather than on top of each other.
  auto* fluke = panel->Main().findChild<QWidget*>("TFLUKE")->parentWidget();
  auto* power = panel->Main().findChild<QWidget*>("TFPower")->parentWidget();
  EXPECT_FALSE(fluke->geometry().intersects(power->geometry()));
}

TEST_F(InstrumentWindowsTest, EditsReachTheStepTablesAndEveryColumnIsEditable) {
  StartWithChips();
  instruments::StepTable* tables[] = {&panel->Bench().flukeSteps, &panel->Bench().powerSteps};
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(kWindows[i].form);
    QTableView* grid = Open(kWindows[i]);
    ASSERT_NE(grid, nullptr);
    instruments::StepTable& table = *tables[i];
    ASSERT_TRUE(Type(grid, 2, 2, "OUT 600 mV ,0 Hz"));
    ASSERT_TRUE(Type(grid, 2, 1, "A"));
    EXPECT_EQ(table.Command(3), "OUT 600 mV ,0 Hz") << "view row 2 is step 3";
    EXPECT_TRUE(table.Enabled(3)) << "Step is read as hex";
    ASSERT_TRUE(Type(grid, 2, 1, "0"));
    EXPECT_FALSE(table.Enabled(3));
    EXPECT_EQ(Cell(grid, 2, 2), "OUT 600 mV ,0 Hz");

    // A Step that is no hex number would read as 0 and quietly drop the step: it is refused.
    ASSERT_TRUE(Type(grid, 2, 1, "1"));
    ASSERT_TRUE(Type(grid, 2, 1, "zz"));
    EXPECT_EQ(table.Cell(1, 3), "1");
    EXPECT_TRUE(table.Enabled(3));
    EXPECT_EQ(Status(2), table.Edit(1, 3, "zz"));
    EXPECT_NE(Status(2).find("\"zz\""), std::string::npos);

    ASSERT_TRUE(Type(grid, 4, 0, "99")) << "the number column is edited like the others";
    EXPECT_EQ(table.Cell(0, 5), "99");
    EXPECT_EQ(table.Cell(0, 0), "序號");
  }
}

TEST_F(InstrumentWindowsTest, SaveAndLoadButtonsOfTheWindowsKeepTheirTablesInTheProgramFolder) {
  StartWithChips();
  struct Case {
    const Window& window;
    instruments::StepTable* table;
    const char* file;
  };
  const Case cases[] = {{kWindows[0], &panel->Bench().flukeSteps, "Fluke.txt"},
                        {kWindows[1], &panel->Bench().powerSteps, "Power.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    QTableView* grid = Open(c.window);
    ASSERT_NE(grid, nullptr);
    QWidget* window = grid->parentWidget();
    auto* save = window->findChild<QPushButton*>("BSave");
    auto* load = window->findChild<QPushButton*>("BLoad");
    ASSERT_NE(save, nullptr);
    ASSERT_NE(load, nullptr);
    EXPECT_TRUE(save->isVisible());
    EXPECT_TRUE(window->rect().contains(save->geometry())) << "the buttons show whole";
    EXPECT_TRUE(window->rect().contains(load->geometry()));

    ASSERT_TRUE(Type(grid, 0, 2, "VOLT 5"));
    ASSERT_TRUE(Type(grid, 0, 1, "1"));
    save->click();
    EXPECT_EQ(Status(2), std::string(c.file) + " saved: 1 step");
    ASSERT_TRUE(std::filesystem::exists(dir / c.file));

    c.table->SetCell(2, 1, "changed");
    load->click();
    EXPECT_EQ(c.table->Command(1), "VOLT 5");
    EXPECT_EQ(Status(2), std::string(c.file) + " loaded: 1 row");
  }
}

TEST_F(InstrumentWindowsTest, ClosingHidesAndKeepsTheWindowAndItsSteps) {
  StartWithChips();
  QTableView* grid = Open(kWindows[0]);
  ASSERT_NE(grid, nullptr);
  ASSERT_TRUE(Type(grid, 0, 2, "STBY"));
  QPointer<QWidget> window = grid->parentWidget();
  auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  ASSERT_NE(frame, nullptr);
  frame->close();
  QCoreApplication::processEvents();
  ASSERT_FALSE(window.isNull());
  EXPECT_TRUE(window->isHidden());
  EXPECT_TRUE(frame->isHidden());

  EXPECT_EQ(Open(kWindows[0]), grid) << "the same window comes back";
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Cell(grid, 0, 2), "STBY");
}

TEST_F(InstrumentWindowsTest, TablesChangedElsewhereShowInTheGrids) {
  StartWithChips();
  app::Workbench& bench = panel->Bench();
  QTableView* power = Open(kWindows[1]);
  ASSERT_NE(power, nullptr);
  const int commandWidth = power->horizontalHeader()->sectionSize(2);

  // The temperature test applies 60 modes: a shown grid follows on its own.
  bench.powerSteps.Resize(61);
  ASSERT_TRUE(Eventually([&] { return power->model()->rowCount() == 60; }));
  EXPECT_EQ(Cell(power, 47, 0), "48");
  EXPECT_EQ(Cell(power, 59, 0), "") << "rows added by a resize are not numbered";
  EXPECT_EQ(power->horizontalHeader()->sectionSize(2), commandWidth) << "widths survive";
  bench.powerSteps.SetCell(2, 59, "OUTP OFF");
  ASSERT_TRUE(Eventually([&] { return Cell(power, 58, 2) == "OUTP OFF"; }));

  // A hidden grid catches up when it is shown again.
  QTableView* fluke = Open(kWindows[0]);
  ASSERT_NE(fluke, nullptr);
  panel->Main().ShowChild(app::FormId::TFLUKE, 9, false);
  bench.flukeSteps.INI(10);
  EXPECT_EQ(fluke->model()->rowCount(), 48) << "a hidden window does not look";
  Open(kWindows[0]);
  EXPECT_EQ(fluke->model()->rowCount(), 10);
  EXPECT_EQ(Cell(fluke, 9, 0), "10");
}

}  // namespace
}  // namespace qx::gui::test
