#include "gui/PanelApplication.h"

namespace qx::gui {

PanelApplication::PanelApplication(const std::string& programDir, app::Clock& clock)
    : bench_(clock, host_, hid_, bulk_), shell_(bench_, programDir) {
  main_ = std::make_unique<MainPanel>(bench_, shell_, programDir + kProgramName);
  host_.Attach(main_.get());
  up_ = std::make_unique<LinkMonitorTimer>(bench_.monitor);
  main_->RegisterForm(app::FormId::TQx_UP, nullptr);
  // ..., TCMPForm, TQxPopSelHex, then:
  anxAdc_ = new analysis::AnxAdcForm(bench_, host_, *main_, main_.get());
  main_->RegisterForm(app::FormId::TAnxADC, anxAdc_);
}

PanelApplication::~PanelApplication() {
  up_.reset();
  main_.reset();
  host_.Attach(nullptr);
}

void PanelApplication::Start() {
  main_->FormActivate();
}

}  // namespace qx::gui
