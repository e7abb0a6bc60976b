#pragma once

#include "core/app/Host.h"

namespace qx::gui {

class MainPanel;

/// The Host of core on Qt: status bar panels, the gauge, message boxes and the notifications
/// the main window acts on. Created before the main window, which attaches itself.
class QtHost final : public app::Host {
 public:
  void Attach(MainPanel* panel) { panel_ = panel; }
  /// Without dialogs (tests, scripted screenshots) errors go to status panel 2 and questions
  /// take their fallback answer.
  void SetDialogsEnabled(bool enabled) { dialogs_ = enabled; }

  void SetStatus(int panel, const std::string& text) override;
  void SetProgress(int percent, bool visible) override;
  void PumpEvents() override;
  void ShowError(const std::string& text) override;
  bool AskYesNo(const std::string& text, bool fallback) override;
  void UsbClientConnected() override;
  void MenuVisibilityChanged() override;

 private:
  MainPanel* panel_ = nullptr;
  bool dialogs_ = true;
};

}  // namespace qx::gui
