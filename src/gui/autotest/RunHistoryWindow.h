#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"
#include "core/autotest/RunReport.h"

class QCustomPlot;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace qx::gui {
class MainPanel;
}

namespace qx::gui::autotest {

/// "Run History": every run of the program folder's journal. One run chosen shows its result
/// table, the chart of a mode's mean against temperature with its fitted line, and its drift;
/// two to four chosen are drawn on one chart, a colour a run. Export writes a run's result
/// files again, Report its HTML page, Delete removes it from the journal (asked first).
class RunHistoryWindow final : public QWidget {
  Q_OBJECT

 public:
  /// `activeRun` says which run this program is running now (0: none): it may not be deleted.
  RunHistoryWindow(std::filesystem::path programDir, MainPanel& main,
                   std::function<int64_t()> activeRun, QWidget* parent);
  ~RunHistoryWindow() override;

  /// Reads the journal again: the list, and what the chosen runs show.
  void Refresh();
  /// Chooses the runs of these ids (the first one's table and drift are shown).
  void Choose(const std::vector<int64_t>& runs);
  std::vector<int64_t> Chosen() const;

  bool ExportClick();
  bool ReportClick();
  bool DeleteClick();
  /// Continues the chosen run when it is the journal's unfinished one, through `resume`.
  bool ResumeClick();

  /// Runs the journal's unfinished run on to its end, with or without the chamber as it
  /// began; empty when every mode was then measured, else why not.
  std::function<std::string(bool withChamber)> resume;

  /// Stand-ins for the dialogs, for tests: a folder for Export, a file for Report (given the
  /// name offered), and the answer to the Delete question.
  std::function<QString()> chooseFolder;
  std::function<QString(const QString&)> chooseFile;
  std::function<bool(const QString&)> confirm;

  QTableWidget* Runs() const { return runs_; }
  QTableWidget* Results() const { return results_; }
  QTableWidget* Drift() const { return drift_; }
  QCustomPlot* Chart() const { return chart_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  /// The journal file opened for one action; none, with the reason in the status bar, when
  /// there is no journal yet or it cannot be opened.
  std::unique_ptr<qx::autotest::RunJournal> Open();
  /// The one run chosen for `action`; empty, with "ACTION: choose one run" said, otherwise.
  std::vector<int64_t> OneChosen(const char* action);
  void ShowChosen();
  void DrawChart();
  void Say(const QString& text);

  std::filesystem::path programDir_;
  MainPanel& main_;
  std::function<int64_t()> activeRun_;
  std::vector<qx::autotest::RunSummary> list_;
  std::vector<qx::autotest::RunReportData> shown_;  ///< the chosen runs, as read
  QTableWidget* runs_ = nullptr;
  QTableWidget* results_ = nullptr;
  QTableWidget* drift_ = nullptr;
  QLabel* path_ = nullptr;
  QSpinBox* mode_ = nullptr;
  QCustomPlot* chart_ = nullptr;
  bool filling_ = false;
};

}  // namespace qx::gui::autotest
