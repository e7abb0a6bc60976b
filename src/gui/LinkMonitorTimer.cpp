#include "gui/LinkMonitorTimer.h"

namespace qx::gui {

LinkMonitorTimer::LinkMonitorTimer(link::LinkMonitor& monitor, QObject* parent)
    : QObject(parent), monitor_(monitor) {
  setObjectName("TQx_UP");
  timer_.setObjectName("Timer1");
  timer_.setInterval(link::LinkMonitor::kTickMs);
  connect(&timer_, &QTimer::timeout, this, [this] { monitor_.Tick(); });
  timer_.start();
}

}  // namespace qx::gui
