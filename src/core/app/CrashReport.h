#pragma once

#include <array>
#include <atomic>
#include <deque>
#include <string>

namespace qx::app {

/// What the panel was doing, kept ready for the moment it dies: the last commands, the chip, the
/// link and the active window. The text is formatted whenever one of them changes, into one of
/// two fixed buffers, so a fatal-signal handler only has to write bytes that are already there.
class CrashReport {
 public:
  static constexpr char kFileName[] = "qxpanel-crash.txt";
  /// Where the report of a session is kept once the next session has said so.
  static constexpr char kSeenFileName[] = "qxpanel-crash.last.txt";
  static constexpr size_t kCommands = 20;
  static constexpr size_t kCapacity = 4096;

  struct Context {
    std::string chip;
    std::string link;
    std::string window;
  };

  explicit CrashReport(std::string programVersion);

  /// A command the user gave (a menu item, a button), with the state it was given in.
  void Command(const std::string& what, const Context& context);
  /// The state changed without a command (a chip load, a USB Scan's restore).
  void Update(const Context& context);

  /// The text as it stands; stable while the caller reads it, even from a signal handler.
  const char* Text() const;
  size_t Size() const;

  /// The report's text with a first line naming what ended the program.
  std::string WithCause(const std::string& cause) const;

  /// The line shown at start when the last session left a report: it names where the report
  /// now is.
  static std::string StartupNotice(const std::string& seenPath);

 private:
  void Format();

  std::string version_;
  std::deque<std::string> commands_;
  Context context_;
  std::array<std::array<char, kCapacity>, 2> buffers_{};
  std::array<size_t, 2> sizes_{};
  std::atomic<int> current_{0};
};

}  // namespace qx::app
