#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"

struct sqlite3;

namespace qx::platform {

/// The run journal in an SQLite database file (normally ProgramDir + "QxRuns.db"). The file is
/// in write-ahead-log mode with full syncs, so a recorded mode survives a killed program and a
/// power cut, and another connection (qxctl) can read while the test writes. Single-threaded:
/// one object is used by one thread; other processes may open the same file.
class SqliteRunJournal final : public autotest::RunJournal {
 public:
  /// The layout this program writes; a file of a newer layout is refused.
  static constexpr int kSchemaVersion = 3;
  /// "QXRU" in the database header: tells our journal from other SQLite files.
  static constexpr int32_t kApplicationId = 0x51585255;
  /// How long an operation waits for another connection's write to finish.
  static constexpr int kBusyTimeoutMs = 5000;

  /// Opens the journal `file`, creating it (and its tables) when missing. nullptr with `error`
  /// set when the folder does not exist, the file is no database, another program's database,
  /// of a newer layout, or cannot be written. `now` gives the times written; empty is the
  /// system clock's local time.
  static std::unique_ptr<SqliteRunJournal> Open(const std::filesystem::path& file,
                                                std::string& error, autotest::TimeText now = {});

  ~SqliteRunJournal() override;
  SqliteRunJournal(const SqliteRunJournal&) = delete;
  SqliteRunJournal& operator=(const SqliteRunJournal&) = delete;

  std::optional<int64_t> Begin(const autotest::RunSettings& settings) override;
  bool RecordMode(int64_t run, const autotest::ModeRecord& record) override;
  bool End(int64_t run, autotest::RunState state) override;
  bool Delete(int64_t run) override;
  std::optional<autotest::RunSummary> Unfinished() override;
  std::optional<autotest::RunSettings> Settings(int64_t run) override;
  std::vector<autotest::ModeRecord> Modes(int64_t run) override;
  std::vector<autotest::RunSummary> List() override;
  std::string LastError() const override { return error_; }

 private:
  struct Statements;
  struct RunRow;

  SqliteRunJournal(sqlite3* db, autotest::TimeText now);
  /// Pragmas, schema and statements of a freshly opened file; false with `error_` set.
  bool Setup(const std::string& fileName);
  /// Prepares the statements, creating the tables first in a `fresh` file.
  bool PrepareStatements(bool fresh);
  bool CreateSchema();
  /// Brings a journal of layout 1 or 2 to the current layout, in one transaction.
  bool Migrate();
  /// Sets `error_` to "`operation`: sqlite's message" and returns false.
  bool Fail(const std::string& operation);
  bool Exec(const char* sql, const std::string& operation);
  /// First column of the first row of `sql`, as text or as a number.
  bool Query(const char* sql, std::string& value, const std::string& operation);
  bool QueryInt(const char* sql, int64_t& value, const std::string& operation);
  /// State, points and modes of `run` inside the current transaction; false with `error_` set
  /// when it fails or the run does not exist.
  bool ReadRun(int64_t run, RunRow& row, const std::string& operation);

  sqlite3* db_;
  autotest::TimeText now_;
  std::unique_ptr<Statements> st_;
  std::string error_;
};

}  // namespace qx::platform
