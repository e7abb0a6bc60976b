#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/app/RemoteTempRun.h"
#include "core/autotest/RegisterListFiles.h"
#include "core/autotest/RunJournal.h"
#include "core/autotest/TempRunPresenter.h"
#include "core/autotest/TempTest.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace qx::app {
class Workbench;
}

namespace qx::gui {
class MainPanel;
}

namespace qx::gui::autotest {

class TempChartPage;
class TempDriftPage;
class TempGridModel;

/// `TTMP` ("Temperature Test"): the boxes, tables and buttons of the temperature test, its result
/// table and a chart of a figure against temperature. Every decision is the workbench's
/// `TempTest` or the window's `TempRunPresenter`; this window shows their state, forwards the
/// clicks, and owns the run journal. It also carries the main window's File menu commands,
/// which work on its register table.
class TempTestWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kResultTimerMs = 1000;  ///< `Timer1`
  static constexpr int kDefaultWidth = 960;
  static constexpr int kDefaultHeight = 600;

  TempTestWindow(app::Workbench& bench, MainPanel& main, std::string programDir, QWidget* parent);
  ~TempTestWindow() override;

  /// Shows the model's state: boxes, buttons and the three grids.
  void Refresh();
  /// "連續讀取": the result table's timer on, the window shown.
  void RegistClick();

  /// A run a remote client started, as T-Begin (`withChamber`) or T-Test would run it, shown
  /// in this window; `unfinished` answers the question about a run the journal holds open.
  /// Empty when every mode was measured; else why the run did not start or complete.
  std::string RunForClient(bool withChamber, app::TempRunStarter::Unfinished unfinished);
  /// A run started from this window is on the stack (its loop lets events run).
  bool RunActive() const { return presenter_.RunActive(); }
  /// Why the run journal is only in memory; empty when the database opened.
  const QString& JournalWarning() const { return journalWarning_; }

  /// Draws the chosen figure against temperature for the modes finished so far.
  void UpdateChart();
  /// Writes the chart as a PNG picture; false, with the reason in the status bar, on failure.
  bool SaveChartPng(const QString& path);
  /// Asks for the PNG file name; the default is a save dialog.
  void SetPngChooser(std::function<QString()> choose);
  /// "Report…": the last run of this window (or of the journal) as one HTML page, to a file
  /// `choose` names (default: a save dialog offering "QxRun-N.html" in the program folder).
  /// False, with the reason in the status bar, when there is no run or the file is not written.
  bool ReportClick();
  void SetReportChooser(std::function<QString(const QString&)> choose) {
    chooseReport_ = std::move(choose);
  }
  /// Opens the chamber on the port the setup dialog remembers (T-Begin without an open port).
  void SetChamberOpener(std::function<bool()> open) {
    presenter_.hooks.openChamber = std::move(open);
  }

  QTimer* ResultTimer() const { return timer1_; }
  QCustomPlot* Chart() const;
  QTabWidget* Pages() const { return pages_; }
  TempDriftPage* DriftPage() const { return drift_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using ListOperation = qx::autotest::ListFileReport (qx::autotest::RegisterListFiles::*)(int);

  QWidget* BuildTestPage();
  QWidget* BuildBoxes(QWidget* page);
  QWidget* BuildButtons(QWidget* page);
  QLineEdit* Box(QWidget* parent, const char* name, const char* caption, std::string& field);
  QPushButton* Button(QWidget* parent, const char* name, const char* caption);
  QCheckBox* Check(QWidget* parent, const char* name, const char* caption);
  QTableView* Grid(QWidget* parent, const char* name, TempGridModel* model);
  void OpenJournal();
  /// The "Drift" page and the chart's fitted lines from the journal's rows of the current run.
  void ReloadDrift();
  void RegisterMenuCommands();

  /// The run's end as the window shows it; nothing when it was refused before it began (the
  /// reason is in the status bar).
  std::optional<std::string> RunTest(bool withChamber);
  /// With an unfinished run in the journal: Resume / Start new / Cancel. False on Cancel.
  bool AskUnfinished(const QString& command);
  bool RefusedDuringRun(const QString& what) {
    return presenter_.RefusedDuringRun(what.toStdString());
  }
  void ListCommand(const char* objectName, ListOperation operation);
  void ShowProgress(const qx::autotest::TempProgress& progress);
  void EndProgress(const QString& text);
  void SizeColumns();
  void SetStatus(const QString& text);

  app::Workbench& bench_;
  MainPanel& main_;
  std::filesystem::path programDir_;
  qx::autotest::TempTest& test_;
  qx::autotest::TempRunPresenter presenter_;
  std::unique_ptr<qx::autotest::RunJournal> journal_;
  QString journalWarning_;

  QTabWidget* pages_ = nullptr;
  QLineEdit* tempCount_ = nullptr;
  QLineEdit* tempStart_ = nullptr;
  QLineEdit* tempStep_ = nullptr;
  QLineEdit* modeCount_ = nullptr;
  QLineEdit* holdMinutes_ = nullptr;
  QLineEdit* powerDelay_ = nullptr;
  QLineEdit* linkWait_ = nullptr;
  QLineEdit* device_ = nullptr;
  QLineEdit* note_ = nullptr;
  QComboBox* measure_ = nullptr;
  QComboBox* capture_ = nullptr;
  QCheckBox* fullFiles_ = nullptr;
  QCheckBox* keepOperating_ = nullptr;
  QCheckBox* adcAndTemp_ = nullptr;
  QCheckBox* lock330mV_ = nullptr;
  QCheckBox* lock3V_ = nullptr;
  QPushButton* tBg_ = nullptr;
  QPushButton* tTest_ = nullptr;
  QLabel* progress_ = nullptr;
  std::function<QString(const QString&)> chooseReport_;
  TempGridModel* tempsModel_ = nullptr;
  TempGridModel* regsModel_ = nullptr;
  TempGridModel* dataModel_ = nullptr;
  QTableView* temps_ = nullptr;
  QTableView* regs_ = nullptr;
  QTableView* data_ = nullptr;
  QTimer* timer1_ = nullptr;

  TempChartPage* chart_ = nullptr;
  TempDriftPage* drift_ = nullptr;
  /// The journal run whose drift the "Drift" page shows; 0 for none.
  int64_t driftRun_ = 0;

  bool closeAfterRun_ = false;  ///< the main window was closed during the run
  bool syncing_ = false;
  bool captureShown_ = true;  ///< what the analysis window's capture button was last set to
};

}  // namespace qx::gui::autotest
