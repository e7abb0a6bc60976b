#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"

namespace qx::autotest {

/// A run journal that lives as long as the object: for tests, and for a front end whose
/// database cannot be opened (a run then cannot be resumed after the program ends).
class MemoryRunJournal final : public RunJournal {
 public:
  /// `now` gives the times of the runs and records; empty is the system clock.
  explicit MemoryRunJournal(TimeText now = {});

  std::optional<int64_t> Begin(const RunSettings& settings) override;
  bool RecordMode(int64_t run, const ModeRecord& record) override;
  bool End(int64_t run, RunState state) override;
  bool Delete(int64_t run) override;
  std::optional<RunSummary> Unfinished() override;
  std::optional<RunSettings> Settings(int64_t run) override;
  std::vector<ModeRecord> Modes(int64_t run) override;
  std::vector<RunSummary> List() override;
  std::string LastError() const override { return error_; }

 private:
  struct Run {
    RunSummary summary;  ///< `recorded` is filled in when the summary is handed out
    RunSettings settings;
    std::vector<ModeRecord> modes;  ///< in recording order
  };

  /// The run, or nullptr with the error set.
  Run* Find(int64_t id);
  static RunSummary Summary(const Run& run);

  TimeText now_;
  std::vector<Run> runs_;  ///< ascending ids
  int64_t nextId_ = 1;
  std::string error_;
};

}  // namespace qx::autotest
