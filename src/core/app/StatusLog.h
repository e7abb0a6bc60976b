#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

namespace qx::app {

/// The last messages of the status bar, for the "Messages" window: a panel is narrow and a new
/// message replaces the last, so a reason the user missed is read here. The same text again on
/// the same panel (a progress line repeated) is kept once.
class StatusLog {
 public:
  static constexpr size_t kLimit = 500;

  struct Entry {
    std::chrono::system_clock::time_point time;
    int panel = 0;
    std::string text;
  };

  /// Keeps `text` unless it is empty or repeats the panel's last message.
  void Add(int panel, std::string text,
           std::chrono::system_clock::time_point time = std::chrono::system_clock::now());
  const std::deque<Entry>& Entries() const { return entries_; }
  /// Messages kept since the start, the dropped oldest ones included.
  size_t Count() const { return count_; }
  /// One line per entry, oldest first: "HH:MM:SS  [panel] text" in local time.
  std::string Text() const;
  static std::string Line(const Entry& entry);

 private:
  std::deque<Entry> entries_;
  std::string last_[3];
  size_t count_ = 0;
};

}  // namespace qx::app
