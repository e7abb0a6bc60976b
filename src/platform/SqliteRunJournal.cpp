#include "platform/SqliteRunJournal.h"

#include <sqlite3.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "core/autotest/JournalRows.h"

namespace qx::platform {

using autotest::ModeRecord;
using autotest::RunSettings;
using autotest::RunState;
using autotest::RunSummary;

namespace {

// Columns of a run's settings, in the order Begin binds them and Settings reads them.
constexpr const char* kSettingsColumns =
    "with_chamber, points, modes, hold_minutes, power_delay, measure, capture_kind, full_files, "
    "keep_operating, adc_and_temp, first_raw_file, temp_table, reg_table, fluke_table, "
    "power_table, chip, reg_image, instruments, capture_bits, device, note, program_version, host, "
    "uuid";
constexpr int kSettingsColumnCount = 24;

constexpr const char* kSummaryColumns =
    "id, started, ended, state, with_chamber, points, modes, "
    "(SELECT COUNT(*) FROM modes WHERE modes.run = runs.id), chip, device, note";

constexpr const char* kUnfinishedStates = "('running', 'stopped', 'failed')";

// A random (version 4) UUID in its text form, made by SQLite for each row it is evaluated for.
constexpr char kUuidSql[] =
    "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
    "substr(hex(randomblob(2)), 2) || '-' || substr('89AB', 1 + (random() & 3), 1) || "
    "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))";

/// Names of the seven figures of a noise record, as the journal's columns and `runs show` call
/// them; the second group carries the prefix "ch2_".
constexpr const char* kFigureNames[7] = {"mean_codes", "vpp_nv",    "rms_nv",         "enob",
                                         "vpp_codes",  "rms_codes", "noise_free_bits"};

std::string FigureColumn(int k) {
  return (k < 7 ? std::string() : std::string("ch2_")) + kFigureNames[k % 7];
}

std::string MeterColumn(int i, const char* what) {
  return "meter" + std::to_string(i) + "_" + what;
}

/// Column names of one mode record after run, point and mode, in binding and reading order.
std::string ModeValueColumns() {
  std::string s = "target_temp_c, chamber_temp_c, target_hum_pct, state, failure, over_range";
  for (int k = 0; k < 14; ++k) s += ", " + FigureColumn(k);
  for (int i = 1; i <= 6; ++i) s += ", " + MeterColumn(i, "value") + ", " + MeterColumn(i, "unit");
  return s + ", raw_file, recorded";
}
constexpr int kModeValueCount = 6 + 14 + 12 + 2;

/// The `modes` table of layout 3 under `name`. A failed mode keeps no figures (NULL), nor does a
/// meter that was not read (NULL value, empty unit); chamber_temp_c is NULL when no chamber
/// temperature was read.
std::string ModesTableSql(const std::string& name) {
  std::string s = "CREATE TABLE " + name +
                  " (\n"
                  "  run INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,\n"
                  "  point INTEGER NOT NULL,\n"
                  "  mode INTEGER NOT NULL,\n"
                  "  seq INTEGER NOT NULL,\n"
                  "  target_temp_c REAL NOT NULL,\n"
                  "  chamber_temp_c REAL,\n"
                  "  target_hum_pct REAL NOT NULL,\n"
                  "  state TEXT NOT NULL CHECK (state IN ('measured', 'failed', 'over_range')),\n"
                  "  failure TEXT NOT NULL DEFAULT '',\n"
                  "  over_range INTEGER NOT NULL DEFAULT 0,\n";
  for (int k = 0; k < 14; ++k) s += "  " + FigureColumn(k) + " REAL,\n";
  for (int i = 1; i <= 6; ++i) {
    s += "  " + MeterColumn(i, "value") + " REAL,\n";
    s += "  " + MeterColumn(i, "unit") + " TEXT NOT NULL DEFAULT '',\n";
  }
  return s +
         "  raw_file INTEGER NOT NULL,\n"
         "  recorded TEXT NOT NULL,\n"
         "  PRIMARY KEY (run, point, mode));\n"
         "CREATE INDEX modes_in_order ON modes (run, seq);\n";
}

/// The view for people who query the journal with sqlite3: one row per recorded mode with its
/// run's identity beside it.
std::string ResultsViewSql() {
  std::string s =
      "CREATE VIEW results AS SELECT\n"
      "  runs.id AS run, runs.uuid AS run_uuid, runs.started AS run_started,\n"
      "  runs.state AS run_state, runs.chip AS chip, runs.device AS device, runs.note AS note,\n"
      "  modes.point AS point, modes.mode AS mode, modes.target_temp_c AS target_temp_c,\n"
      "  modes.chamber_temp_c AS chamber_temp_c, modes.target_hum_pct AS target_hum_pct,\n"
      "  modes.state AS state, modes.failure AS failure, modes.over_range AS over_range";
  for (int k = 0; k < 14; ++k) s += ",\n  modes." + FigureColumn(k) + " AS " + FigureColumn(k);
  for (int i = 1; i <= 6; ++i) {
    for (const char* what : {"value", "unit"})
      s += ",\n  modes." + MeterColumn(i, what) + " AS " + MeterColumn(i, what);
  }
  return s +
         ",\n  modes.raw_file AS raw_file, modes.recorded AS recorded\n"
         "FROM modes JOIN runs ON runs.id = modes.run;\n";
}

constexpr char kRunIdentityColumns[] =
    "ALTER TABLE runs ADD COLUMN capture_bits INTEGER NOT NULL DEFAULT 0;\n"
    "ALTER TABLE runs ADD COLUMN device TEXT NOT NULL DEFAULT '';\n"
    "ALTER TABLE runs ADD COLUMN note TEXT NOT NULL DEFAULT '';\n"
    "ALTER TABLE runs ADD COLUMN program_version TEXT NOT NULL DEFAULT '';\n"
    "ALTER TABLE runs ADD COLUMN host TEXT NOT NULL DEFAULT '';\n"
    "ALTER TABLE runs ADD COLUMN uuid TEXT NOT NULL DEFAULT '';\n";

// Layout 1 had no failure and over-range columns: every record was a measured mode.
constexpr char kMigrateFrom1[] =
    "ALTER TABLE modes ADD COLUMN failure TEXT NOT NULL DEFAULT '';\n"
    "ALTER TABLE modes ADD COLUMN over_range INTEGER NOT NULL DEFAULT 0;\n";

/// Layout 2 kept the figures as stat0..stat13, meter1..6 and unit1..6, zeros for a failed mode.
/// Its runs get an identity; who ran them and on what was not kept.
std::string MigrateFrom2Sql() {
  std::string copy =
      "INSERT INTO modes_new SELECT run, point, mode, seq, target_temp, NULL, target_hum,\n"
      "  CASE WHEN failure <> '' THEN 'failed' WHEN over_range > 0 THEN 'over_range'\n"
      "  ELSE 'measured' END, failure, over_range";
  for (int k = 0; k < 14; ++k)
    copy += ",\n  CASE WHEN failure <> '' THEN NULL ELSE stat" + std::to_string(k) + " END";
  for (int i = 1; i <= 6; ++i) {
    const std::string n = std::to_string(i);
    copy += ",\n  CASE WHEN failure <> '' OR (meter" + n + " = 0 AND unit" + n +
            " = '') THEN NULL ELSE meter" + n + " END, unit" + n;
  }
  copy += ",\n  raw_file, recorded FROM modes;\n";
  std::string s = kRunIdentityColumns;
  s += "UPDATE runs SET uuid = ";
  s += kUuidSql;
  s += ";\n";
  s += ModesTableSql("modes_new");
  // The index is made for the renamed table below.
  s.erase(s.find("CREATE INDEX"));
  s += copy;
  s += "DROP TABLE modes;\n"
       "ALTER TABLE modes_new RENAME TO modes;\n"
       "CREATE INDEX modes_in_order ON modes (run, seq);\n";
  return s + ResultsViewSql();
}

std::string Placeholders(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += i ? ", ?" : "?";
  return s;
}

std::string SchemaSql() {
  return std::string(
             "CREATE TABLE runs (\n"
             "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
             "  started TEXT NOT NULL,\n"
             "  ended TEXT NOT NULL,\n"
             "  state TEXT NOT NULL CHECK (state IN\n"
             "    ('running', 'completed', 'stopped', 'failed', 'abandoned')),\n"
             "  with_chamber INTEGER NOT NULL,\n"
             "  points INTEGER NOT NULL,\n"
             "  modes INTEGER NOT NULL,\n"
             "  hold_minutes INTEGER NOT NULL,\n"
             "  power_delay TEXT NOT NULL,\n"
             "  measure TEXT NOT NULL,\n"
             "  capture_kind TEXT NOT NULL,\n"
             "  full_files INTEGER NOT NULL,\n"
             "  keep_operating INTEGER NOT NULL,\n"
             "  adc_and_temp INTEGER NOT NULL,\n"
             "  first_raw_file INTEGER NOT NULL,\n"
             "  temp_table TEXT NOT NULL,\n"
             "  reg_table TEXT NOT NULL,\n"
             "  fluke_table TEXT NOT NULL,\n"
             "  power_table TEXT NOT NULL,\n"
             "  chip TEXT NOT NULL,\n"
             "  reg_image BLOB NOT NULL,\n"
             "  instruments TEXT NOT NULL);\n") +
         kRunIdentityColumns + ModesTableSql("modes") + ResultsViewSql() +
         "PRAGMA application_id = " + std::to_string(SqliteRunJournal::kApplicationId) +
         ";\n"
         "PRAGMA user_version = " +
         std::to_string(SqliteRunJournal::kSchemaVersion) + ";\n";
}

/// True when SQLite keeps `v` bit for bit as a REAL: it turns NaN into NULL, and a REAL column
/// stores a whole-numbered value as an integer, which loses the sign of -0.0.
bool RealKeeps(double v) {
  return !std::isnan(v) && !(v == 0 && std::signbit(v));
}

/// Binds a statement's parameters left to right; the first failure is kept.
class Binder {
 public:
  explicit Binder(sqlite3_stmt* s) : s_(s) {}
  Binder& Int(int64_t v) { return Check(sqlite3_bind_int64(s_, ++i_, v)); }
  Binder& Text(const std::string& v) {
    return Check(sqlite3_bind_text64(s_, ++i_, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
  }
  Binder& Blob(const void* data, size_t size) {
    // A null data pointer would bind NULL, so an empty blob is bound as a zero-length blob.
    if (size == 0) return Check(sqlite3_bind_zeroblob(s_, ++i_, 0));
    return Check(sqlite3_bind_blob64(s_, ++i_, data, size, SQLITE_TRANSIENT));
  }
  /// A REAL, or its 8 bytes (IEEE bits, little-endian) where a REAL would not keep it.
  Binder& Real(double v) {
    if (RealKeeps(v)) return Check(sqlite3_bind_double(s_, ++i_, v));
    uint64_t bits = std::bit_cast<uint64_t>(v);
    unsigned char bytes[8];
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(bits & 0xFF);
      bits >>= 8;
    }
    return Blob(bytes, sizeof bytes);
  }
  Binder& Null() { return Check(sqlite3_bind_null(s_, ++i_)); }
  Binder& OptReal(const std::optional<double>& v) { return v ? Real(*v) : Null(); }
  bool Ok() const { return rc_ == SQLITE_OK; }

 private:
  Binder& Check(int rc) {
    if (rc_ == SQLITE_OK) rc_ = rc;
    return *this;
  }
  sqlite3_stmt* s_;
  int i_ = 0;
  int rc_ = SQLITE_OK;
};

/// Reads a result row's columns left to right; a value of the wrong kind clears `Ok`.
class Reader {
 public:
  explicit Reader(sqlite3_stmt* s) : s_(s) {}
  int64_t Int64() {
    if (sqlite3_column_type(s_, i_) != SQLITE_INTEGER) ok_ = false;
    return sqlite3_column_int64(s_, i_++);
  }
  int Int() { return static_cast<int>(Int64()); }
  bool Bool() { return Int64() != 0; }
  std::string Text() {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(s_, i_));
    const auto n = static_cast<size_t>(sqlite3_column_bytes(s_, i_++));
    return p != nullptr ? std::string(p, n) : std::string();
  }
  std::vector<uint8_t> Bytes() {
    const std::string bytes = Text();
    return {bytes.begin(), bytes.end()};
  }
  double Real() {
    const int i = i_++;
    switch (sqlite3_column_type(s_, i)) {
      case SQLITE_FLOAT:
      case SQLITE_INTEGER:
        return sqlite3_column_double(s_, i);
      case SQLITE_BLOB:
        if (sqlite3_column_bytes(s_, i) == 8) {
          const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(s_, i));
          uint64_t bits = 0;
          for (int b = 7; b >= 0; --b) bits = (bits << 8) | p[b];
          return std::bit_cast<double>(bits);
        }
        break;
      default:
        break;
    }
    ok_ = false;
    return 0;
  }
  /// A REAL that may be NULL.
  std::optional<double> OptReal() {
    if (sqlite3_column_type(s_, i_) == SQLITE_NULL) {
      ++i_;
      return std::nullopt;
    }
    return Real();
  }
  autotest::TextRows Rows() {
    auto rows = autotest::RowsFromText(Text());
    if (!rows) ok_ = false;
    return rows ? std::move(*rows) : autotest::TextRows{};
  }
  RunState State() {
    auto state = autotest::RunStateFromName(Text());
    if (!state) ok_ = false;
    return state.value_or(RunState::Running);
  }
  bool Ok() const { return ok_; }

 private:
  sqlite3_stmt* s_;
  int i_ = 0;
  bool ok_ = true;
};

/// One use of a prepared statement; resets it (and drops its bindings) when the use ends.
class Use {
 public:
  explicit Use(sqlite3_stmt* s) : s_(s) {}
  ~Use() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  sqlite3_stmt* operator*() const { return s_; }

 private:
  sqlite3_stmt* s_;
};

/// This machine's name, empty when it cannot be had.
std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string DamagedRun(const std::string& operation, int64_t run) {
  return operation + ": the journal's row of run " + std::to_string(run) + " is damaged";
}

std::string ModeText(int64_t run, const ModeRecord& r) {
  return "point " + std::to_string(r.point) + ", mode " + std::to_string(r.mode) + " of run " +
         std::to_string(run);
}

}  // namespace

/// The prepared statements, made once and reused by every operation.
struct SqliteRunJournal::Statements {
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;
  sqlite3_stmt* insertRun = nullptr;
  sqlite3_stmt* readRun = nullptr;
  sqlite3_stmt* reopenRun = nullptr;
  sqlite3_stmt* endRun = nullptr;
  sqlite3_stmt* putMode = nullptr;
  sqlite3_stmt* modes = nullptr;
  sqlite3_stmt* settings = nullptr;
  sqlite3_stmt* unfinished = nullptr;
  sqlite3_stmt* list = nullptr;
  sqlite3_stmt* deleteRun = nullptr;

  ~Statements() {
    for (sqlite3_stmt* s : {begin, commit, rollback, insertRun, readRun, reopenRun, endRun, putMode,
                            modes, settings, unfinished, list, deleteRun}) {
      sqlite3_finalize(s);
    }
  }
};

struct SqliteRunJournal::RunRow {
  RunState state = RunState::Running;
  int points = 0;
  int modes = 0;
};

namespace {

/// A write transaction: BEGIN IMMEDIATE takes the write lock at once, so the checks made inside
/// hold until COMMIT. Rolled back unless committed.
class Transaction {
 public:
  Transaction(sqlite3_stmt* begin, sqlite3_stmt* commit, sqlite3_stmt* rollback)
      : begin_(begin), commit_(commit), rollback_(rollback) {}
  ~Transaction() {
    if (open_) {
      Use u(rollback_);
      sqlite3_step(*u);
    }
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool Begin() {
    Use u(begin_);
    open_ = sqlite3_step(*u) == SQLITE_DONE;
    return open_;
  }
  bool Commit() {
    Use u(commit_);
    if (sqlite3_step(*u) != SQLITE_DONE) return false;
    open_ = false;
    return true;
  }

 private:
  sqlite3_stmt* begin_;
  sqlite3_stmt* commit_;
  sqlite3_stmt* rollback_;
  bool open_ = false;
};

}  // namespace

SqliteRunJournal::SqliteRunJournal(sqlite3* db, autotest::TimeText now)
    : db_(db), now_(std::move(now)), st_(std::make_unique<Statements>()) {}

SqliteRunJournal::~SqliteRunJournal() {
  st_.reset();  // statements go before the connection
  sqlite3_close(db_);
}

std::unique_ptr<SqliteRunJournal> SqliteRunJournal::Open(const std::filesystem::path& file,
                                                         std::string& error,
                                                         autotest::TimeText now) {
  error.clear();
  const std::string name = file.string();
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    error = "run journal " + name + ": the folder " + folder.string() + " does not exist";
    return nullptr;
  }
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // The object owns the handle from here, also when opening failed.
  std::unique_ptr<SqliteRunJournal> journal(new SqliteRunJournal(db, std::move(now)));
  if (rc != SQLITE_OK) {
    error = "run journal " + name + ": open: " + sqlite3_errmsg(db);
    return nullptr;
  }
  if (!journal->Setup(name)) {
    error = "run journal " + name + ": " + journal->error_;
    return nullptr;
  }
  return journal;
}

bool SqliteRunJournal::Fail(const std::string& operation) {
  error_ = operation + ": " + sqlite3_errmsg(db_);
  return false;
}

bool SqliteRunJournal::Exec(const char* sql, const std::string& operation) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail(operation);
}

bool SqliteRunJournal::Query(const char* sql, std::string& value, const std::string& operation) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) return Fail(operation);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) {
    const auto* text = sqlite3_column_text(s, 0);
    value = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  } else {
    Fail(operation);
  }
  sqlite3_finalize(s);
  return rc == SQLITE_ROW;
}

bool SqliteRunJournal::QueryInt(const char* sql, int64_t& value, const std::string& operation) {
  std::string text;
  if (!Query(sql, text, operation)) return false;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

bool SqliteRunJournal::Setup(const std::string& fileName) {
  if (sqlite3_busy_timeout(db_, kBusyTimeoutMs) != SQLITE_OK) return Fail("busy timeout");

  // Look before writing anything: a file that is not our journal stays as it is.
  int64_t appId = 0;
  int64_t version = 0;
  int64_t objects = 0;
  if (!QueryInt("PRAGMA application_id", appId, "read the database header") ||
      !QueryInt("PRAGMA user_version", version, "read the database header") ||
      !QueryInt("SELECT COUNT(*) FROM sqlite_schema", objects, "read the database schema")) {
    return false;
  }
  const bool fresh = appId == 0 && version == 0 && objects == 0;
  if (!fresh && appId != kApplicationId) {
    error_ = "not a run journal (an SQLite database of another program)";
    return false;
  }
  const bool migrate = appId == kApplicationId && (version == 1 || version == 2);
  if (appId == kApplicationId && version != kSchemaVersion && !migrate) {
    error_ = "journal layout version " + std::to_string(version) +
             (version > kSchemaVersion ? " is newer than this program knows (" : " is unknown (") +
             std::to_string(kSchemaVersion) + "); use a newer program or another file";
    return false;
  }

  // WAL: readers never wait for the writer. synchronous=FULL syncs the log at every commit, so
  // a committed mode is on the disk when RecordMode returns; NORMAL would sync only at
  // checkpoints and a power cut could take the last modes recorded.
  std::string mode;
  if (!Query("PRAGMA journal_mode = WAL", mode, "set the journal mode")) return false;
  if (mode != "wal") {
    error_ = "the file system of " + fileName +
             " cannot keep a write-ahead log (journal mode stays " + mode + ")";
    return false;
  }
  if (!Exec("PRAGMA synchronous = FULL", "set full syncs") ||
      !Exec("PRAGMA foreign_keys = ON", "turn foreign keys on")) {
    return false;
  }
  if (migrate && !Migrate()) return false;
  return PrepareStatements(fresh);
}

bool SqliteRunJournal::Migrate() {
  if (!Exec("BEGIN IMMEDIATE", "start the layout upgrade")) return false;
  // Another program may have upgraded the file since we looked.
  int64_t version = 0;
  const std::string to = "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";\n";
  if (!QueryInt("PRAGMA user_version", version, "read the database header") ||
      (version == 1 && !Exec(kMigrateFrom1, "upgrade the journal layout")) ||
      (version < kSchemaVersion &&
       !Exec((MigrateFrom2Sql() + to).c_str(), "upgrade the journal layout"))) {
    const std::string why = error_;
    Exec("ROLLBACK", "roll back the layout upgrade");
    error_ = why;
    return false;
  }
  return Exec("COMMIT", "upgrade the journal layout");
}

bool SqliteRunJournal::PrepareStatements(bool fresh) {
  const std::string modeValues = ModeValueColumns();
  const struct {
    sqlite3_stmt** stmt;
    std::string sql;
  } statements[] = {
      {&st_->begin, "BEGIN IMMEDIATE"},
      {&st_->commit, "COMMIT"},
      {&st_->rollback, "ROLLBACK"},
      {&st_->insertRun, std::string("INSERT INTO runs (started, ended, state, ") +
                            kSettingsColumns + ") VALUES (" +
                            Placeholders(3 + kSettingsColumnCount - 1) +
                            ", IFNULL(NULLIF(?, ''), " + kUuidSql + "))"},
      {&st_->readRun, "SELECT state, points, modes FROM runs WHERE id = ?"},
      {&st_->reopenRun,
       "UPDATE runs SET state = 'running', ended = '' WHERE id = ? AND state <> 'running'"},
      {&st_->endRun, "UPDATE runs SET state = ?, ended = ? WHERE id = ?"},
      // seq orders the records by their latest recording; a re-record moves to the end.
      {&st_->putMode, "INSERT OR REPLACE INTO modes (run, point, mode, seq, " + modeValues +
                          ") VALUES (?1, ?2, ?3, (SELECT IFNULL(MAX(seq), 0) + 1 FROM modes "
                          "WHERE run = ?1), " +
                          Placeholders(kModeValueCount) + ")"},
      {&st_->modes, "SELECT point, mode, " + modeValues + " FROM modes WHERE run = ? ORDER BY seq"},
      {&st_->settings, std::string("SELECT ") + kSettingsColumns + " FROM runs WHERE id = ?"},
      {&st_->unfinished, std::string("SELECT ") + kSummaryColumns + " FROM runs WHERE state IN " +
                             kUnfinishedStates + " ORDER BY id DESC LIMIT 1"},
      {&st_->list, std::string("SELECT ") + kSummaryColumns + " FROM runs ORDER BY id DESC"},
      // The run's records go with it (ON DELETE CASCADE).
      {&st_->deleteRun, "DELETE FROM runs WHERE id = ?"},
  };
  // The transaction statements first: creating the schema needs them.
  for (int i = 0; i < 3; ++i) {
    if (sqlite3_prepare_v3(db_, statements[i].sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT,
                           statements[i].stmt, nullptr) != SQLITE_OK) {
      return Fail("prepare \"" + statements[i].sql + "\"");
    }
  }
  if (fresh && !CreateSchema()) return false;
  for (const auto& st : statements) {
    if (*st.stmt != nullptr) continue;
    if (sqlite3_prepare_v3(db_, st.sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, st.stmt, nullptr) !=
        SQLITE_OK) {
      return Fail("prepare \"" + st.sql + "\"");
    }
  }
  return true;
}

bool SqliteRunJournal::CreateSchema() {
  Transaction t(st_->begin, st_->commit, st_->rollback);
  if (!t.Begin()) return Fail("create the journal tables");
  // Another program may have made the file a journal since we looked.
  int64_t appId = 0;
  if (!QueryInt("PRAGMA application_id", appId, "read the database header")) return false;
  if (appId == kApplicationId) return t.Commit() || Fail("create the journal tables");
  if (!Exec(SchemaSql().c_str(), "create the journal tables")) return false;
  return t.Commit() || Fail("create the journal tables");
}

bool SqliteRunJournal::ReadRun(int64_t run, RunRow& row, const std::string& operation) {
  Use u(st_->readRun);
  if (sqlite3_bind_int64(*u, 1, run) != SQLITE_OK) return Fail(operation);
  const int rc = sqlite3_step(*u);
  if (rc == SQLITE_DONE) {
    error_ = autotest::NoRunText(run);
    return false;
  }
  if (rc != SQLITE_ROW) return Fail(operation);
  Reader r(*u);
  row.state = r.State();
  row.points = r.Int();
  row.modes = r.Int();
  if (!r.Ok()) {
    error_ = DamagedRun(operation, run);
    return false;
  }
  return true;
}

std::optional<int64_t> SqliteRunJournal::Begin(const RunSettings& s) {
  error_ = autotest::BeginRefusal(s);
  if (!error_.empty()) return std::nullopt;
  Use u(st_->insertRun);
  Binder b(*u);
  b.Text(autotest::NowText(now_)).Text("").Text(autotest::RunStateName(RunState::Running));
  b.Int(s.withChamber).Int(s.points).Int(s.modes).Int(s.holdMinutes);
  b.Text(s.powerDelayText).Text(s.measure).Text(s.captureKind);
  b.Int(s.fullFiles).Int(s.keepOperating).Int(s.adcAndTemp).Int(s.firstRawFile);
  b.Text(autotest::RowsToText(s.tempTable)).Text(autotest::RowsToText(s.regTable));
  b.Text(autotest::RowsToText(s.flukeTable)).Text(autotest::RowsToText(s.powerTable));
  b.Text(s.chip).Blob(s.regImage.data(), s.regImage.size()).Text(s.instruments);
  b.Int(s.captureBits).Text(s.device).Text(s.note).Text(s.programVersion);
  b.Text(s.host.empty() ? HostName() : s.host).Text(s.uuid);
  if (!b.Ok() || sqlite3_step(*u) != SQLITE_DONE) {
    Fail("begin a run");
    return std::nullopt;
  }
  return sqlite3_last_insert_rowid(db_);
}

bool SqliteRunJournal::RecordMode(int64_t run, const ModeRecord& m) {
  error_.clear();
  const std::string op = "record " + ModeText(run, m);
  Transaction t(st_->begin, st_->commit, st_->rollback);
  if (!t.Begin()) return Fail(op);
  RunRow row;
  if (!ReadRun(run, row, op)) return false;
  error_ = autotest::RecordRefusal(run, row.points, row.modes, row.state, m);
  if (!error_.empty()) return false;
  {
    Use u(st_->putMode);
    Binder b(*u);
    const bool failed = !m.failure.empty();
    b.Int(run).Int(m.point).Int(m.mode).Real(m.targetTemp).OptReal(m.chamberTemp);
    b.Real(m.targetHum).Text(failed ? "failed" : m.overRange > 0 ? "over_range" : "measured");
    b.Text(m.failure).Int(m.overRange);
    for (double v : m.stats) failed ? b.Null() : b.Real(v);
    for (size_t i = 0; i < m.meterValue.size(); ++i) {
      const double v = m.meterValue[i];
      const std::string& unit = m.meterUnit[i];
      if (failed) {
        b.Null().Text("");
      } else {
        (v == 0 && !std::signbit(v) && unit.empty() ? b.Null() : b.Real(v)).Text(unit);
      }
    }
    b.Int(m.rawFile).Text(autotest::NowText(now_));
    if (!b.Ok() || sqlite3_step(*u) != SQLITE_DONE) return Fail(op);
  }
  {
    Use u(st_->reopenRun);
    if (sqlite3_bind_int64(*u, 1, run) != SQLITE_OK || sqlite3_step(*u) != SQLITE_DONE) {
      return Fail(op);
    }
  }
  return t.Commit() || Fail(op);
}

bool SqliteRunJournal::End(int64_t run, RunState state) {
  error_.clear();
  const std::string op = "end run " + std::to_string(run);
  Transaction t(st_->begin, st_->commit, st_->rollback);
  if (!t.Begin()) return Fail(op);
  RunRow row;
  if (!ReadRun(run, row, op)) return false;
  error_ = autotest::EndRefusal(run, row.state, state);
  if (!error_.empty()) return false;
  {
    Use u(st_->endRun);
    Binder b(*u);
    b.Text(autotest::RunStateName(state)).Text(autotest::NowText(now_)).Int(run);
    if (!b.Ok() || sqlite3_step(*u) != SQLITE_DONE) return Fail(op);
  }
  return t.Commit() || Fail(op);
}

bool SqliteRunJournal::Delete(int64_t run) {
  error_.clear();
  const std::string op = "delete run " + std::to_string(run);
  Transaction t(st_->begin, st_->commit, st_->rollback);
  if (!t.Begin()) return Fail(op);
  RunRow row;
  if (!ReadRun(run, row, op)) return false;
  {
    Use u(st_->deleteRun);
    if (sqlite3_bind_int64(*u, 1, run) != SQLITE_OK || sqlite3_step(*u) != SQLITE_DONE)
      return Fail(op);
  }
  return t.Commit() || Fail(op);
}

namespace {

RunSummary ReadSummary(Reader& r) {
  RunSummary s;
  s.id = r.Int64();
  s.started = r.Text();
  s.ended = r.Text();
  s.state = r.State();
  s.withChamber = r.Bool();
  s.points = r.Int();
  s.modes = r.Int();
  s.recorded = r.Int();
  s.chip = r.Text();
  s.device = r.Text();
  s.note = r.Text();
  return s;
}

}  // namespace

std::optional<RunSummary> SqliteRunJournal::Unfinished() {
  error_.clear();
  const char* op = "find the unfinished run";
  Use u(st_->unfinished);
  const int rc = sqlite3_step(*u);
  if (rc == SQLITE_DONE) return std::nullopt;
  if (rc != SQLITE_ROW) {
    Fail(op);
    return std::nullopt;
  }
  Reader r(*u);
  RunSummary s = ReadSummary(r);
  if (!r.Ok()) {
    error_ = DamagedRun(op, s.id);
    return std::nullopt;
  }
  return s;
}

std::optional<RunSettings> SqliteRunJournal::Settings(int64_t run) {
  error_.clear();
  const std::string op = "read the settings of run " + std::to_string(run);
  Use u(st_->settings);
  if (sqlite3_bind_int64(*u, 1, run) != SQLITE_OK) {
    Fail(op);
    return std::nullopt;
  }
  const int rc = sqlite3_step(*u);
  if (rc == SQLITE_DONE) error_ = autotest::NoRunText(run);
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) Fail(op);
    return std::nullopt;
  }
  Reader r(*u);
  RunSettings s;
  s.withChamber = r.Bool();
  s.points = r.Int();
  s.modes = r.Int();
  s.holdMinutes = r.Int();
  s.powerDelayText = r.Text();
  s.measure = r.Text();
  s.captureKind = r.Text();
  s.fullFiles = r.Bool();
  s.keepOperating = r.Bool();
  s.adcAndTemp = r.Bool();
  s.firstRawFile = r.Int();
  s.tempTable = r.Rows();
  s.regTable = r.Rows();
  s.flukeTable = r.Rows();
  s.powerTable = r.Rows();
  s.chip = r.Text();
  s.regImage = r.Bytes();
  s.instruments = r.Text();
  s.captureBits = r.Int();
  s.device = r.Text();
  s.note = r.Text();
  s.programVersion = r.Text();
  s.host = r.Text();
  s.uuid = r.Text();
  if (!r.Ok()) {
    error_ = DamagedRun(op, run);
    return std::nullopt;
  }
  return s;
}

std::vector<ModeRecord> SqliteRunJournal::Modes(int64_t run) {
  error_.clear();
  const std::string op = "read the modes of run " + std::to_string(run);
  RunRow row;
  if (!ReadRun(run, row, op)) return {};
  Use u(st_->modes);
  if (sqlite3_bind_int64(*u, 1, run) != SQLITE_OK) {
    Fail(op);
    return {};
  }
  std::vector<ModeRecord> records;
  int rc;
  while ((rc = sqlite3_step(*u)) == SQLITE_ROW) {
    Reader r(*u);
    ModeRecord& m = records.emplace_back();
    m.point = r.Int();
    m.mode = r.Int();
    m.targetTemp = r.Real();
    m.chamberTemp = r.OptReal();
    m.targetHum = r.Real();
    r.Text();  // the state says again what failure and over_range say
    m.failure = r.Text();
    m.overRange = r.Int();
    for (double& v : m.stats) v = r.OptReal().value_or(0);
    for (size_t i = 0; i < m.meterValue.size(); ++i) {
      m.meterValue[i] = r.OptReal().value_or(0);
      m.meterUnit[i] = r.Text();
    }
    m.rawFile = r.Int();
    m.recorded = r.Text();
    if (!r.Ok()) {
      error_ = op + ": the record of point " + std::to_string(m.point) + ", mode " +
               std::to_string(m.mode) + " is damaged";
      return {};
    }
  }
  if (rc != SQLITE_DONE) {
    Fail(op);
    return {};
  }
  return records;
}

std::vector<RunSummary> SqliteRunJournal::List() {
  error_.clear();
  Use u(st_->list);
  std::vector<RunSummary> runs;
  int rc;
  while ((rc = sqlite3_step(*u)) == SQLITE_ROW) {
    Reader r(*u);
    runs.push_back(ReadSummary(r));
    if (!r.Ok()) {
      error_ = DamagedRun("list the runs", runs.back().id);
      return {};
    }
  }
  if (rc != SQLITE_DONE) {
    Fail("list the runs");
    return {};
  }
  return runs;
}

}  // namespace qx::platform
