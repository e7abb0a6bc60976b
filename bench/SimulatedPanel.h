#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "core/base/FakeClock.h"
#include "core/base/SteadyClock.h"
#include "gui/PanelApplication.h"
#include "sim/SimBoard.h"

namespace qx::bench {

/// The panel on the simulated board (bridge, serial ports and instruments), started and shown,
/// as the screenshot tools picture it. The board is destroyed after the panel.
class SimulatedPanel {
 public:
  /// With `virtualTime` every wait advances a fake clock at once, so a long run takes no time.
  explicit SimulatedPanel(const std::string& programDir, bool virtualTime = false)
      : clock_(virtualTime ? static_cast<base::Clock&>(fakeClock_) : steadyClock_),
        panel_(std::make_unique<gui::PanelApplication>(programDir + "/", clock_)),
        board_(clock_, panel_->Bench().chip) {
    panel_->Host().SetDialogsEnabled(false);
    panel_->Hid().Bind(&board_.Hid());
    panel_->Bulk().Bind(&board_.Bulk());
    panel_->Serial().Bind(&board_.SerialPorts());
    panel_->Start();
  }
  ~SimulatedPanel() { panel_.reset(); }
  SimulatedPanel(const SimulatedPanel&) = delete;
  SimulatedPanel& operator=(const SimulatedPanel&) = delete;

  gui::PanelApplication& operator*() { return *panel_; }
  gui::PanelApplication* operator->() { return panel_.get(); }
  sim::SimBoard& Board() { return board_; }

 private:
  base::SteadyClock steadyClock_;
  base::FakeClock fakeClock_;
  base::Clock& clock_;
  std::unique_ptr<gui::PanelApplication> panel_;
  sim::SimBoard board_;
};

}  // namespace qx::bench
