#include "core/autotest/RunJournal.h"

#include "core/base/LocalTime.h"

namespace qx::autotest {

namespace {

constexpr RunState kStates[] = {RunState::Running, RunState::Completed, RunState::Stopped,
                                RunState::Failed, RunState::Abandoned};

std::string RunText(int64_t run) {
  return "run " + std::to_string(run);
}

}  // namespace

const char* RunStateName(RunState s) {
  switch (s) {
    case RunState::Running:
      return "running";
    case RunState::Completed:
      return "completed";
    case RunState::Stopped:
      return "stopped";
    case RunState::Failed:
      return "failed";
    case RunState::Abandoned:
      return "abandoned";
  }
  return "unknown";
}

std::optional<RunState> RunStateFromName(std::string_view name) {
  for (RunState s : kStates) {
    if (name == RunStateName(s)) return s;
  }
  return std::nullopt;
}

bool IsUnfinished(RunState s) {
  return s == RunState::Running || s == RunState::Stopped || s == RunState::Failed;
}

std::string LocalTimeText(std::chrono::system_clock::time_point time) {
  return base::FormatLocalTime(time, "%Y-%m-%d %H:%M:%S");
}

std::string NowText(const TimeText& now) {
  return now ? now() : LocalTimeText(std::chrono::system_clock::now());
}

std::string BeginRefusal(const RunSettings& settings) {
  if (settings.points < 1 || settings.modes < 1) {
    return "a run needs at least one point and one mode (points " +
           std::to_string(settings.points) + ", modes " + std::to_string(settings.modes) + ")";
  }
  return {};
}

std::string RecordRefusal(int64_t run, int points, int modes, RunState state,
                          const ModeRecord& record) {
  if (!IsUnfinished(state)) {
    return RunText(run) + " is " + RunStateName(state) + ": no more modes are recorded into it";
  }
  if (record.point < 1 || record.point > points || record.mode < 1 || record.mode > modes) {
    return "point " + std::to_string(record.point) + ", mode " + std::to_string(record.mode) +
           " is outside " + RunText(run) + " (" + std::to_string(points) + " points x " +
           std::to_string(modes) + " modes)";
  }
  return {};
}

std::string EndRefusal(int64_t run, RunState state, RunState next) {
  if (next == RunState::Running) return RunText(run) + " cannot end in state running";
  if (!IsUnfinished(state)) {
    return RunText(run) + " is already " + RunStateName(state) + ", it cannot end " +
           RunStateName(next);
  }
  return {};
}

std::string NoRunText(int64_t run) {
  return "the journal holds no " + RunText(run);
}

}  // namespace qx::autotest
