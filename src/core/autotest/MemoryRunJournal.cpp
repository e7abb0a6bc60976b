#include "core/autotest/MemoryRunJournal.h"

#include <algorithm>
#include <utility>

namespace qx::autotest {

MemoryRunJournal::MemoryRunJournal(TimeText now) : now_(std::move(now)) {}

MemoryRunJournal::Run* MemoryRunJournal::Find(int64_t id) {
  auto it =
      std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.summary.id == id; });
  if (it != runs_.end()) return &*it;
  error_ = NoRunText(id);
  return nullptr;
}

RunSummary MemoryRunJournal::Summary(const Run& run) {
  RunSummary s = run.summary;
  s.recorded = static_cast<int>(run.modes.size());
  return s;
}

std::optional<int64_t> MemoryRunJournal::Begin(const RunSettings& settings) {
  error_ = BeginRefusal(settings);
  if (!error_.empty()) return std::nullopt;
  Run run;
  run.summary.id = nextId_++;
  run.summary.started = NowText(now_);
  run.summary.state = RunState::Running;
  run.summary.withChamber = settings.withChamber;
  run.summary.points = settings.points;
  run.summary.modes = settings.modes;
  run.summary.chip = settings.chip;
  run.summary.device = settings.device;
  run.summary.note = settings.note;
  run.settings = settings;
  runs_.push_back(std::move(run));
  return runs_.back().summary.id;
}

bool MemoryRunJournal::RecordMode(int64_t id, const ModeRecord& record) {
  error_.clear();
  Run* run = Find(id);
  if (run == nullptr) return false;
  RunSummary& s = run->summary;
  error_ = RecordRefusal(id, s.points, s.modes, s.state, record);
  if (!error_.empty()) return false;
  std::erase_if(run->modes, [&record](const ModeRecord& m) {
    return m.point == record.point && m.mode == record.mode;
  });
  ModeRecord& kept = run->modes.emplace_back(record);
  kept.recorded = NowText(now_);
  if (!kept.failure.empty()) {
    kept.stats = {};
    kept.meterValue = {};
    kept.meterUnit = {};
  }
  s.state = RunState::Running;
  s.ended.clear();
  return true;
}

bool MemoryRunJournal::End(int64_t id, RunState state) {
  error_.clear();
  Run* run = Find(id);
  if (run == nullptr) return false;
  error_ = EndRefusal(id, run->summary.state, state);
  if (!error_.empty()) return false;
  run->summary.state = state;
  run->summary.ended = NowText(now_);
  return true;
}

bool MemoryRunJournal::Delete(int64_t id) {
  error_.clear();
  if (Find(id) == nullptr) return false;
  std::erase_if(runs_, [id](const Run& r) { return r.summary.id == id; });
  return true;
}

std::optional<RunSummary> MemoryRunJournal::Unfinished() {
  error_.clear();
  for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) {
    if (IsUnfinished(it->summary.state)) return Summary(*it);
  }
  return std::nullopt;
}

std::optional<RunSettings> MemoryRunJournal::Settings(int64_t id) {
  error_.clear();
  const Run* run = Find(id);
  if (run == nullptr) return std::nullopt;
  return run->settings;
}

std::vector<ModeRecord> MemoryRunJournal::Modes(int64_t id) {
  error_.clear();
  const Run* run = Find(id);
  if (run == nullptr) return {};
  return run->modes;
}

std::vector<RunSummary> MemoryRunJournal::List() {
  error_.clear();
  std::vector<RunSummary> list;
  for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) list.push_back(Summary(*it));
  return list;
}

}  // namespace qx::autotest
