#include "core/app/StatusLog.h"

#include <ctime>

namespace qx::app {

void StatusLog::Add(int panel, std::string text, std::chrono::system_clock::time_point time) {
  if (text.empty()) return;
  if (panel >= 0 && panel < 3) {
    std::string& last = last_[panel];
    if (last == text) return;
    last = text;
  }
  if (entries_.size() == kLimit) entries_.pop_front();
  entries_.push_back({time, panel, std::move(text)});
  ++count_;
}

std::string StatusLog::Line(const Entry& entry) {
  const std::time_t t = std::chrono::system_clock::to_time_t(entry.time);
  std::tm local{};
  localtime_r(&t, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
  return std::string(clock) + "  [" + std::to_string(entry.panel) + "] " + entry.text;
}

std::string StatusLog::Text() const {
  std::string text;
  for (const Entry& e : entries_) text += Line(e) + "\n";
  return text;
}

}  // namespace qx::app
