#include "gui/PanelApplication.h"

namespace qx::gui {

PanelApplication::PanelApplication(const std::string& programDir, app::Clock& clock)
    : bench_(clock, host_, hid_, bulk_), shell_(bench_, programDir) {
  main_ = std::make_unique<MainPanel>(bench_, shell_, programDir + kProgramName);
  host_.Attach(main_.get());
  up_ = std::make_unique<LinkMonitorTimer>(bench_.monitor);
  main_->RegisterForm(app::FormId::TQx_UP, nullptr);
  views_ = std::make_unique<ViewWindows>(bench_, host_, *main_);
  views_->CreateRamView();
  views_->CreateRegisterView();
  views_->CreatePopup();
}

PanelApplication::~PanelApplication() {
  views_.reset();
  up_.reset();
  main_.reset();
  host_.Attach(nullptr);
}

void PanelApplication::Start() {
  main_->FormActivate();
}

}  // namespace qx::gui
