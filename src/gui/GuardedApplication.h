#pragma once

#include <QApplication>

namespace qx::gui {

/// The panel's QApplication and its command boundary: an exception that escapes a window's
/// event handler (a menu command, a button) ends the program with its cause on stderr and
/// exit status 1, never an abort through the toolkit's frames.
class GuardedApplication final : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override;

  /// Prints "qxpanel: stopped by an error: <cause>" and ends the program with status 1; the
  /// windows are not closed, as their state after the error is unknown.
  [[noreturn]] static void Stop(const char* cause);
  /// The same for an exception outside the event loop (while the windows are made): installed
  /// as the terminate handler, so no exception ends the program with an abort.
  static void InstallLastResort();
};

}  // namespace qx::gui
