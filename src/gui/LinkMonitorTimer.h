#pragma once

#include <QObject>
#include <QTimer>

#include "core/link/LinkMonitor.h"

namespace qx::gui {

/// `TQx_UP`: the hidden owner of the link monitor's 10 ms tick. It has no window of its own.
class LinkMonitorTimer final : public QObject {
  Q_OBJECT

 public:
  explicit LinkMonitorTimer(link::LinkMonitor& monitor, QObject* parent = nullptr);

  QTimer& Timer() { return timer_; }

 private:
  link::LinkMonitor& monitor_;
  QTimer timer_;
};

}  // namespace qx::gui
