#include "gui/GuardedApplication.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/CrashSignals.h"

namespace qx::gui {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    Stop(e.what());
  } catch (...) {
    Stop("unknown error");
  }
}

void GuardedApplication::InstallLastResort() {
  std::set_terminate([] {
    if (const std::exception_ptr pending = std::current_exception()) {
      try {
        std::rethrow_exception(pending);
      } catch (const std::exception& e) {
        Stop(e.what());
      } catch (...) {
      }
    }
    Stop("unknown error");
  });
}

void GuardedApplication::Stop(const char* cause) {
  std::fprintf(stderr, "qxpanel: stopped by an error: %s\n", cause);
  platform::CrashSignals::WriteNow(std::string("an error: ") + cause);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace qx::gui
