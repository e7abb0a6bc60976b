#pragma once

#include <functional>
#include <vector>

#include "core/base/Host.h"

namespace qx::gui {

class MainPanel;

/// The Host of core on Qt: status bar panels, the gauge, message boxes and the notifications
/// the main window acts on. Created before the main window, which attaches itself.
class QtHost final : public base::Host {
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
  void RegImageChanged(int address) override;
  void AdcReadingChanged() override;
  void RedrawCaptureChart() override;
  void ChipLoaded() override;

  // Windows subscribe to the notifications they act on when they are created. The windows
  // live as long as the host's program, so no unsubscription is needed.
  void OnRegImageChanged(std::function<void(int)> f) { regImage_.push_back(std::move(f)); }
  void OnAdcReading(std::function<void()> f) { adcReading_.push_back(std::move(f)); }
  void OnChartRedraw(std::function<void()> f) { chartRedraw_.push_back(std::move(f)); }
  void OnChipLoaded(std::function<void()> f) { chipLoaded_.push_back(std::move(f)); }
  void OnUsbClient(std::function<void()> f) { usbClient_.push_back(std::move(f)); }

 private:
  std::vector<std::function<void(int)>> regImage_;
  std::vector<std::function<void()>> adcReading_;
  std::vector<std::function<void()>> chartRedraw_;
  std::vector<std::function<void()>> chipLoaded_;
  std::vector<std::function<void()>> usbClient_;

  MainPanel* panel_ = nullptr;
  bool dialogs_ = true;
};

}  // namespace qx::gui
