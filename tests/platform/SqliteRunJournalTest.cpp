#include "platform/SqliteRunJournal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/autotest/RunExport.h"
#include "core/base/FileBytes.h"
#include "platform/AnsiText.h"
#include "support/RunJournalBehaviour.h"
#include "support/TempDir.h"

namespace qx::test {
namespace {

using platform::SqliteRunJournal;

std::string ReadAll(const std::filesystem::path& file) {
  return base::ReadFileBytes(file).value_or("(unreadable)");
}

void WriteAll(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

struct SqliteMaker {
  TempDir dir{"qx_journal"};
  std::unique_ptr<RunJournal> Open(autotest::TimeText now) {
    std::string error;
    auto journal = SqliteRunJournal::Open(dir.Path() / autotest::kRunJournalFile, error, now);
    EXPECT_EQ(error, "");
    return journal;
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sqlite, RunJournalBehaviour, SqliteMaker);

/// A plain connection to the journal file, for looking at what the journal wrote.
class RawDb {
 public:
  explicit RawDb(const std::filesystem::path& file) {
    EXPECT_EQ(sqlite3_open(file.string().c_str(), &db_), SQLITE_OK);
    sqlite3_busy_timeout(db_, 5000);
  }
  ~RawDb() { sqlite3_close(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  /// First column of the first row as text; "error: ..." when the statement fails.
  std::string Query(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      return std::string("error: ") + sqlite3_errmsg(db_);
    }
    std::string out;
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW && sqlite3_column_text(s, 0) != nullptr) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    } else if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      out = std::string("error: ") + sqlite3_errmsg(db_);
    }
    sqlite3_finalize(s);
    return out;
  }

 private:
  sqlite3* db_ = nullptr;
};

class SqliteRunJournalTest : public ::testing::Test {
 protected:
  std::unique_ptr<SqliteRunJournal> Open(std::string* error = nullptr) {
    std::string e;
    auto journal = SqliteRunJournal::Open(file_, e, times_);
    if (error != nullptr) *error = e;
    return journal;
  }
  static RunSettings Settings(int points, int modes) {
    RunSettings s = AwkwardSettings();
    s.points = points;
    s.modes = modes;
    return s;
  }

  /// A journal of the second layout and the result files of its one run (2 points x 2 modes,
  /// with the chamber and the meters), both as the program of that layout wrote them.
  static std::filesystem::path Layout2() {
    return std::filesystem::path(QX_PLATFORM_TEST_DATA) / "journal-layout2";
  }
  void CopyLayout2() { std::filesystem::copy_file(Layout2() / autotest::kRunJournalFile, file_); }

  TempDir dir_{"qx_journal"};
  std::filesystem::path file_ = dir_.Path() / autotest::kRunJournalFile;
  TickingTimes times_;
};

TEST_F(SqliteRunJournalTest, ReopenedJournalHoldsEverything) {
  int64_t done = 0;
  int64_t stopped = 0;
  {
    auto j = Open();
    ASSERT_TRUE(j);
    done = j->Begin(Settings(2, 2)).value_or(0);
    ASSERT_TRUE(j->RecordMode(done, AwkwardRecord(1, 1)));
    ASSERT_TRUE(j->End(done, RunState::Completed));
    stopped = j->Begin(Settings(3, 4)).value_or(0);
    ASSERT_TRUE(j->RecordMode(stopped, AwkwardRecord(3, 4)));
    ASSERT_TRUE(j->RecordMode(stopped, AwkwardRecord(2, 1)));
    ASSERT_TRUE(j->End(stopped, RunState::Stopped));
  }
  auto j = Open();
  ASSERT_TRUE(j);
  const auto list = j->List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, stopped);
  EXPECT_EQ(list[0].state, RunState::Stopped);
  EXPECT_EQ(list[0].ended, "2024-05-01 08:00:06");
  EXPECT_EQ(list[0].recorded, 2);
  EXPECT_EQ(list[1].state, RunState::Completed);
  EXPECT_EQ(j->Unfinished().value_or(RunSummary{}).id, stopped);
  ExpectSameSettings(j->Settings(stopped).value_or(RunSettings{}), Settings(3, 4));
  const auto modes = j->Modes(stopped);
  ASSERT_EQ(modes.size(), 2u);
  ExpectSameRecord(modes[0], AwkwardRecord(3, 4));
  ExpectSameRecord(modes[1], AwkwardRecord(2, 1));
  EXPECT_EQ(modes[1].recorded, "2024-05-01 08:00:05");

  // Ids are never reused, and the file keeps numbers SQL can read as numbers.
  EXPECT_GT(j->Begin(Settings(1, 1)).value_or(0), stopped);
  RawDb raw(file_);
  EXPECT_EQ(raw.Query("SELECT typeof(ch2_vpp_nv) || ' ' || ch2_vpp_nv FROM modes WHERE point = 2"),
            "real 0.1");
  EXPECT_EQ(
      raw.Query("SELECT state || ' ' || started FROM runs WHERE id = " + std::to_string(done)),
      "completed 2024-05-01 08:00:00");
}

TEST_F(SqliteRunJournalTest, UsesWalAndMarksTheFileWithItsLayout) {
  auto j = Open();
  ASSERT_TRUE(j);
  RunSettings anonymous = Settings(1, 1);
  anonymous.host.clear();
  anonymous.uuid.clear();
  const auto run = j->Begin(anonymous);
  ASSERT_TRUE(run);
  // A run begun without them gets this machine's name and an identity of its own.
  const RunSettings back = j->Settings(*run).value_or(RunSettings{});
  EXPECT_NE(back.host, "");
  EXPECT_EQ(back.uuid.size(), 36u) << back.uuid;
  EXPECT_NE(back.uuid, j->Settings(*j->Begin(anonymous)).value_or(RunSettings{}).uuid);
  RawDb raw(file_);
  EXPECT_EQ(raw.Query("PRAGMA journal_mode"), "wal");
  EXPECT_EQ(raw.Query("PRAGMA user_version"), "3");
  EXPECT_EQ(raw.Query("PRAGMA application_id"), std::to_string(SqliteRunJournal::kApplicationId));
}

TEST_F(SqliteRunJournalTest, ReadsWhileAnotherConnectionWrites) {
  auto writer = Open();
  ASSERT_TRUE(writer);
  const int64_t run = writer->Begin(Settings(2, 2)).value_or(0);
  ASSERT_TRUE(writer->RecordMode(run, AwkwardRecord(1, 1)));

  // A second connection holds the write lock in the middle of a transaction.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.string().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "BEGIN IMMEDIATE; UPDATE runs SET state = 'failed'; "
                         "DELETE FROM modes;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);

  auto reader = Open();
  ASSERT_TRUE(reader);
  const auto start = std::chrono::steady_clock::now();
  const auto list = reader->List();
  const auto modes = reader->Modes(run);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  ASSERT_EQ(list.size(), 1u) << reader->LastError();
  EXPECT_EQ(list[0].state, RunState::Running);
  EXPECT_EQ(modes.size(), 1u);

  ASSERT_EQ(sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  ASSERT_TRUE(writer->RecordMode(run, AwkwardRecord(2, 2)));
  EXPECT_EQ(reader->Modes(run).size(), 2u);
}

TEST_F(SqliteRunJournalTest, RefusesFilesThatAreNotItsJournal) {
  std::string error;
  // Garbage: refused and left as it was.
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(i * 31 + 7);
  WriteAll(file_, garbage);
  EXPECT_FALSE(Open(&error));
  EXPECT_NE(error.find(file_.string()), std::string::npos) << error;
  EXPECT_NE(error.find("file is not a database"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(file_), garbage);

  // A journal whose schema page was overwritten.
  std::filesystem::remove(file_);
  {
    auto j = Open();
    ASSERT_TRUE(j);
    ASSERT_TRUE(j->Begin(Settings(1, 1)));
  }
  std::string bytes = ReadAll(file_);
  ASSERT_GT(bytes.size(), 4096u);
  for (size_t i = 100; i < 4096; ++i) bytes[i] = static_cast<char>(0xA5 ^ i);
  WriteAll(file_, bytes);
  EXPECT_FALSE(Open(&error));
  EXPECT_NE(error, "");

  // Another program's database.
  std::filesystem::remove(file_);
  {
    RawDb raw(file_);
    raw.Query("CREATE TABLE runs (x)");
  }
  const std::string foreign = ReadAll(file_);
  EXPECT_FALSE(Open(&error));
  EXPECT_NE(error.find("another program"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(file_), foreign);

  // A journal of a later layout.
  std::filesystem::remove(file_);
  {
    RawDb raw(file_);
    raw.Query("PRAGMA application_id = " + std::to_string(SqliteRunJournal::kApplicationId));
    raw.Query("PRAGMA user_version = 4");
  }
  EXPECT_FALSE(Open(&error));
  EXPECT_NE(error.find("version 4 is newer than this program knows (3)"), std::string::npos)
      << error;
}

// A journal of the first layout (no failure column) is upgraded when opened: its runs and
// records stay, as measured modes, and new records can say why a mode failed.
TEST_F(SqliteRunJournalTest, FirstLayoutIsUpgradedKeepingItsRecords) {
  CopyLayout2();
  {
    RawDb raw(file_);
    EXPECT_EQ(raw.Query("ALTER TABLE modes DROP COLUMN failure"), "");
    EXPECT_EQ(raw.Query("ALTER TABLE modes DROP COLUMN over_range"), "");
    EXPECT_EQ(raw.Query("PRAGMA user_version = 1"), "");
    EXPECT_EQ(raw.Query("UPDATE runs SET state = 'stopped'"), "");
  }
  std::string error;
  auto j = Open(&error);
  ASSERT_TRUE(j) << error;
  ModeRecord failed = AwkwardRecord(1, 2);
  failed.point = 2;
  ASSERT_TRUE(j->RecordMode(1, failed)) << j->LastError();
  const auto modes = j->Modes(1);
  ASSERT_EQ(modes.size(), 4u);
  for (const ModeRecord& m : modes) {
    EXPECT_EQ(m.failure, m.point == 2 && m.mode == 2 ? failed.failure : "");
    EXPECT_GT(m.stats[0], m.failure.empty() ? 100000 : -1);
  }
  RawDb raw(file_);
  EXPECT_EQ(raw.Query("PRAGMA user_version"), "3");
}

// The journal the program wrote before the figures had names: opened, it is upgraded in place,
// its run gives back the very result files it wrote, and the figures are columns a user can
// query by name.
TEST_F(SqliteRunJournalTest, SecondLayoutIsUpgradedAndExportsItsFilesUnchanged) {
  CopyLayout2();
  {
    std::string error;
    auto j = Open(&error);
    ASSERT_TRUE(j) << error;
    const auto settings = j->Settings(1);
    ASSERT_TRUE(settings) << j->LastError();
    EXPECT_EQ(settings->chip, "QX7401");
    EXPECT_EQ(settings->points * settings->modes, 4);
    const auto out = dir_.Path() / "again";
    std::filesystem::create_directory(out);
    const autotest::TempResultWriter writer(out, platform::ToCodePage950);
    EXPECT_EQ(autotest::ExportRun(*j, 1, writer, error).size(), 3u) << error;
    for (const char* name : {"QxTEMPA.CSV", "QxTEMPB.CSV", "QxTEMPBryMen.CSV"})
      EXPECT_EQ(ReadAll(out / name), ReadAll(Layout2() / name)) << name;
  }
  RawDb raw(file_);
  const struct {
    const char* sql;
    const char* expected;
  } kQueries[] = {
      {"PRAGMA user_version", "3"},
      {"SELECT COUNT(*) FROM results WHERE state = 'measured' AND chip = 'QX7401'", "4"},
      {"SELECT mean_codes FROM results WHERE point = 1 AND mode = 2", "349507.6015625"},
      {"SELECT typeof(chamber_temp_c) FROM results WHERE point = 2 AND mode = 1", "null"},
      {"SELECT meter1_value || ' ' || meter1_unit FROM results WHERE point = 1 AND mode = 2",
       "0.2 DC V"},
      {"SELECT length(run_uuid) || substr(run_uuid, 15, 1) FROM results LIMIT 1", "364"},
      {"SELECT COUNT(*) FROM sqlite_schema WHERE sql LIKE '%stat0%'", "0"},
  };
  for (const auto& q : kQueries) EXPECT_EQ(raw.Query(q.sql), q.expected) << q.sql;
}

// An upgrade that fails half way leaves the file as it was, to be opened by the program that
// wrote it.
TEST_F(SqliteRunJournalTest, FailedUpgradeLeavesTheFileAsItWas) {
  CopyLayout2();
  {
    RawDb raw(file_);
    EXPECT_EQ(raw.Query("CREATE TABLE modes_new (x)"), "");
  }
  std::string error;
  EXPECT_FALSE(Open(&error));
  EXPECT_NE(error.find("upgrade the journal layout"), std::string::npos) << error;
  RawDb raw(file_);
  EXPECT_EQ(raw.Query("PRAGMA user_version"), "2");
  EXPECT_EQ(raw.Query("SELECT COUNT(*) FROM pragma_table_info('runs') WHERE name = 'uuid'"), "0");
  EXPECT_EQ(raw.Query("SELECT COUNT(stat0) FROM modes"), "4");
}

TEST_F(SqliteRunJournalTest, FolderThatDoesNotExistIsAnError) {
  std::string error = "stale";
  const auto missing = dir_.Path() / "no such folder";
  EXPECT_FALSE(SqliteRunJournal::Open(missing / autotest::kRunJournalFile, error));
  EXPECT_EQ(error, "run journal " + (missing / autotest::kRunJournalFile).string() +
                       ": the folder " + missing.string() + " does not exist");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// The program killed outright after N records: the next start finds exactly those N.
TEST_F(SqliteRunJournalTest, KilledWriterLeavesEveryRecordedMode) {
  constexpr int kRecorded = 7;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string error;
    auto j = SqliteRunJournal::Open(file_, error);
    if (!j) _exit(2);
    const auto run = j->Begin(Settings(3, 4));
    if (!run) _exit(3);
    for (int i = 0; i < kRecorded; ++i) {
      if (!j->RecordMode(*run, AwkwardRecord(i / 4 + 1, i % 4 + 1))) _exit(4);
    }
    raise(SIGKILL);
    _exit(5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child exit " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGKILL);

  auto j = Open();
  ASSERT_TRUE(j);
  const auto unfinished = j->Unfinished();
  ASSERT_TRUE(unfinished) << j->LastError();
  EXPECT_EQ(unfinished->state, RunState::Running);
  EXPECT_EQ(unfinished->recorded, kRecorded);
  const auto modes = j->Modes(unfinished->id);
  ASSERT_EQ(modes.size(), static_cast<size_t>(kRecorded));
  for (int i = 0; i < kRecorded; ++i)
    ExpectSameRecord(modes[i], AwkwardRecord(i / 4 + 1, i % 4 + 1));
}

}  // namespace
}  // namespace qx::test
