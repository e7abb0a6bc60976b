// A seeded walk through the whole panel on the simulated board: a long random sequence of what a
// user can do, with the checks a user would make after every step. A failure prints the seed
// and the step, so `QX_EXERCISE_SEED=S QX_EXERCISE_STEPS=N` replays it.
//   QX_EXERCISE_STEPS  steps to run (default 300)
//   QX_EXERCISE_SEED   the seed (default 1)
//   QX_EXERCISE_VERBOSE=1 prints every step and the status bar after it
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "gui/views/ViewGrid.h"
#include "sim/SimFaultPlan.h"

namespace qx::gui::test {
namespace {

unsigned long EnvNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// Menu commands a user gives without a file dialog; modal dialogs they open are answered.
constexpr const char* kCommands[] = {
    "SMenu_RAM", "SMenu_REG",    "SMenu_ADC", "SMenu_OP",        "SMenu_CMP",  "SMenu_Option",
    "USBScan",   "Menu_ReadRAM", "SLEEP1",    "MCALW",           "RestoreADC", "Menu_ReadAdc",
    "Regist",    "Fluke1",       "Power1",    "Menu_NoiseSweep",
};

// The program's windows by object name; none may ever be deleted while the panel runs.
constexpr const char* kWindows[] = {
    "TQx_RAM",     "TQx_Reg2",   "TADCForm", "TOPForm", "TCMPForm", "TAnxADC",
    "TNoiseSweep", "TWeightCAL", "TFLUKE",   "TFPower", "TTMP",
};

class PanelExerciser : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    seed = EnvNumber("QX_EXERCISE_SEED", 1);
    steps = EnvNumber("QX_EXERCISE_STEPS", 300);
    verbose = EnvNumber("QX_EXERCISE_VERBOSE", 0) != 0;
    random.seed(seed);
    // A modal dialog (setup, hex entry, question) runs its own loop: answer it at once.
    modalAnswer = new QTimer();
    modalAnswer->setInterval(1);
    QObject::connect(modalAnswer, &QTimer::timeout, [] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
    });
    modalAnswer->start();
    StartPanel();
  }

  void TearDown() override {
    delete modalAnswer;
    PanelFixture::TearDown();
  }

  void StartPanel() {
    if (!std::filesystem::exists(dir / "INCLUDE")) InstallShippedChips();
    Create();
    panel->Serial().Bind(&board->SerialPorts());
    panel->Host().OnChipLoaded(&panel->Main(),
                               [this] { board->ApplyChipGains(panel->Bench().chip); });
    panel->Start();
    panel->Main().RevealCommand("MCALW");
    panel->Main().show();
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(random); }

  /// A window by its name, in the MDI area or not yet put there.
  static QWidget* Window(const char* name) {
    for (QWidget* w : QApplication::allWidgets())
      if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
  }

  template <typename T>
  T* Child(const char* window, const char* name) {
    QWidget* w = Window(window);
    return w ? w->findChild<T*>(name) : nullptr;
  }

  std::vector<QMdiSubWindow*> OpenFrames() {
    std::vector<QMdiSubWindow*> open;
    for (QMdiSubWindow* s : panel->Main().MdiArea()->subWindowList())
      if (s->isVisible()) open.push_back(s);
    return open;
  }

  void Click(const char* window, const char* button) {
    auto* b = Child<QAbstractButton>(window, button);
    if (b && b->isEnabled()) b->click();
  }

  /// Clicks `button` of `window` once the event loop runs (inside a run, as Stop is pressed).
  void ClickSoon(const char* window, const char* button) {
    QTimer::singleShot(0, &panel->Main(), [this, window, button] { Click(window, button); });
  }

  void Choose(QComboBox* combo, int item) {
    if (!combo || combo->count() == 0) return;
    combo->setCurrentIndex(item % combo->count());
    emit combo->activated(combo->currentIndex());
  }

  void TypeInto(QWidget* w, const std::string& keys) {
    for (char c : keys) {
      const QString text(QChar::fromLatin1(c));
      QKeyEvent press(QEvent::KeyPress, QChar::fromLatin1(c).toUpper().unicode(), Qt::NoModifier,
                      text);
      QApplication::sendEvent(w, &press);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(w, &enter);
  }

  /// Two points and two modes that switch the PGA gain, as a user sets up a short run.
  void SmallTempTables() {
    auto type = [this](const char* box, const char* text) {
      if (auto* edit = Child<QLineEdit>("TTMP", box)) {
        edit->setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
      }
    };
    type("ETempCount", "2");
    Click("TTMP", "TMPCNTSET");
    type("EModenum", "2");
    auto* regs = Child<QTableView>("TTMP", "RegChg");
    if (!regs || regs->model()->rowCount() < 3) return;
    QAbstractItemModel* m = regs->model();
    m->setData(m->index(0, 1), "01");
    for (int mode = 1; mode <= 2; ++mode) {
      m->setData(m->index(mode, 1), mode == 1 ? "00" : "20");
      m->setData(m->index(mode, 11), "1");
      m->setData(m->index(mode, 12), "2.4");
    }
  }

  std::string Hex(int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < digits; ++i) s += kDigits[Pick(16)];
    return s;
  }

  /// One step chosen at random; returns what it did, for the failure message.
  std::string Step() {
    switch (Pick(16)) {
      case 0:
      case 1: {
        const char* name = kCommands[Pick(std::size(kCommands))];
        QAction* a = Action(name);
        if (a && a->isEnabled()) a->trigger();
        return std::string("menu ") + name;
      }
      case 2: {
        const auto open = OpenFrames();
        if (open.empty()) return "close: nothing open";
        QMdiSubWindow* frame = open[Pick(open.size())];
        const std::string name = frame->widget()->objectName().toStdString();
        switch (Pick(3)) {
          case 0:
            frame->close();
            return "close " + name + " by its X";
          case 1:
            for (QAction* a : frame->systemMenu()->actions())
              if (a->shortcut() == QKeySequence(QKeySequence::Close)) a->trigger();
            return "close " + name + " by Ctrl+F4";
          default:
            frame->widget()->close();
            return "close " + name + " from inside";
        }
      }
      case 3: {
        const int chip = static_cast<int>(Pick(4));
        Choose(panel->Option().findChild<QComboBox*>("CbSeluP"), chip);
        return "chip " + std::to_string(chip);
      }
      case 4: {
        const int link = static_cast<int>(Pick(6));
        Choose(panel->Option().findChild<QComboBox*>("SelLPT"), link);
        return "link " + std::to_string(link);
      }
      case 5: {
        if (Chance(0.5)) ClickSoon("TAnxADC", "CatchADC");  // the second click stops it
        Click("TAnxADC", "CatchADC");
        return "Catch ADC";
      }
      case 6: {
        QWidget* w = Window("TAnxADC");
        const auto lists = w->findChildren<QComboBox*>();
        if (lists.isEmpty()) return "analysis lists: none";
        QComboBox* list = lists[static_cast<qsizetype>(Pick(static_cast<size_t>(lists.size())))];
        Choose(list, static_cast<int>(Pick(16)));
        return "analysis list " + list->objectName().toStdString();
      }
      case 7: {
        QWidget* w = Window("TNoiseSweep");
        Choose(w->findChild<QComboBox*>("SweepPoints"), 0);
        const auto boxes = w->findChildren<QCheckBox*>();
        for (QCheckBox* box : boxes) box->setChecked(false);
        for (int i = 0; i < 2 && !boxes.isEmpty(); ++i)
          boxes[static_cast<qsizetype>(Pick(static_cast<size_t>(boxes.size())))]->setChecked(true);
        if (Chance(0.3)) ClickSoon("TNoiseSweep", "BStop");
        Click("TNoiseSweep", "BStart");
        return "noise sweep";
      }
      case 8: {
        if (Chance(0.5)) ClickSoon("TWeightCAL", "PSTP");
        Click("TWeightCAL", "TestBegin");
        return "switch test";
      }
      case 9: {
        if (Chance(0.7)) SmallTempTables();
        if (Chance(0.5)) ClickSoon("TTMP", "Button2");
        Click("TTMP", "TTest");
        return "T-Test";
      }
      case 10: {
        auto* reg = panel->Views().Registers();
        auto& grid = reg->Grid(views::RegGrid::Byte);
        const int row =
            1 +
            static_cast<int>(Pick(static_cast<size_t>(std::max(1, grid.model()->rowCount() - 1))));
        const int col = static_cast<int>(Pick(static_cast<size_t>(grid.model()->columnCount())));
        grid.setCurrentIndex(grid.model()->index(row, col));
        TypeInto(&grid, Hex(2));
        return "register cell " + std::to_string(col) + "," + std::to_string(row);
      }
      case 11: {
        auto* ram = panel->Views().Ram();
        for (ViewGrid* grid : ram->findChildren<ViewGrid*>()) {
          if (!grid->model() || grid->model()->rowCount() < 2) continue;
          const int row =
              1 + static_cast<int>(Pick(static_cast<size_t>(grid->model()->rowCount() - 1)));
          const int col =
              1 + static_cast<int>(
                      Pick(static_cast<size_t>(std::max(1, grid->model()->columnCount() - 1))));
          grid->setCurrentIndex(grid->model()->index(row, col));
          TypeInto(grid, Hex(2));
          return "RAM cell " + std::to_string(col) + "," + std::to_string(row);
        }
        return "RAM cell: no grid";
      }
      case 12: {
        const char* table = Chance(0.5) ? "TFLUKE" : "TFPower";
        auto* view = Window(table)->findChild<QTableView*>();
        if (!view || !view->model() || view->model()->rowCount() < 2) return "step table: empty";
        const int row =
            1 + static_cast<int>(Pick(static_cast<size_t>(view->model()->rowCount() - 1)));
        const int col = static_cast<int>(Pick(static_cast<size_t>(view->model()->columnCount())));
        view->model()->setData(view->model()->index(row, col),
                               Chance(0.5) ? QString::fromStdString(Hex(1)) : "VOLT 3.3");
        return std::string("step table ") + table;
      }
      case 13: {
        // A fault a few requests ahead, of any kind the bench knows.
        static const char* kKinds[] = {"drop", "corrupt", "late:300",   "late:1500",
                                       "fail", "unplug",  "unplug:2000"};
        const std::string text = std::string(kKinds[Pick(std::size(kKinds))]) + "@" +
                                 std::to_string(board->Bridge().RequestCount() + 1 + Pick(40));
        std::string why;
        if (auto plan = sim::SimFaultPlan::Parse(text, why)) board->Bridge().SetFaultPlan(*plan);
        return "fault " + text;
      }
      case 14: {
        if (!board->Bridge().Present()) board->Bridge().Replug();
        Action("USBScan")->trigger();
        return "replug and USB Scan";
      }
      default: {
        if (!Chance(0.1)) {
          clock.Advance(1000);
          QCoreApplication::processEvents();
          return "a second passes";
        }
        // The user closes the program and starts it again: what it saved loads again.
        CloseAndDestroy();
        StartPanel();
        EXPECT_EQ(Status(2).find("cannot"), std::string::npos) << Status(2);
        return "close and start again";
      }
    }
  }

  /// What the user sees after a step must be possible.
  void Check(const std::string& what) {
    for (const char* name : kWindows)
      ASSERT_NE(Window(name), nullptr) << name << " is gone after: " << what;
    const QString enob = Child<QLabel>("TAnxADC", "TXENOB")->text();
    EXPECT_FALSE(enob.startsWith('-')) << "ENOB " << enob.toStdString() << " after: " << what;
    if (what == "replug and USB Scan" && !board->Bridge().Present()) {
      EXPECT_NE(Status(0), "USB On Line") << "after: " << what;
    }
  }

  unsigned long seed = 1;
  unsigned long steps = 0;
  bool verbose = false;  ///< QX_EXERCISE_VERBOSE=1 prints every step with the status bar
  std::mt19937_64 random;
  QTimer* modalAnswer = nullptr;
};

TEST_F(PanelExerciser, ARandomWalkThroughThePanelNeverBreaksIt) {
  const auto start = std::chrono::steady_clock::now();
  // Said first, so a walk that dies (a sanitizer report, a signal) can be replayed step by step.
  std::printf("exerciser: seed %lu, %lu steps (QX_EXERCISE_VERBOSE=1 prints each step)\n", seed,
              steps);
  std::fflush(stdout);
  std::string last;
  for (unsigned long step = 1; step <= steps; ++step) {
    last = Step();
    if (verbose)
      std::printf("step %lu: %s | %s | %s\n", step, last.c_str(), Status(0).c_str(),
                  Status(2).c_str());
    Check(last);
    if (HasFailure()) {
      ADD_FAILURE() << "replay: QX_EXERCISE_SEED=" << seed << " QX_EXERCISE_STEPS=" << step
                    << " (step " << step << ": " << last << ")";
      return;
    }
  }
  CloseAndDestroy();
  StartPanel();
  EXPECT_EQ(Status(2).find("cannot"), std::string::npos) << Status(2);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("exerciser: seed %lu, %lu steps in %.1f s (%.0f steps/s)\n", seed, steps, seconds,
              static_cast<double>(steps) / seconds);
}

}  // namespace
}  // namespace qx::gui::test
