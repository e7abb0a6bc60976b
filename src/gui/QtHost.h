#pragma once

#include <functional>

#include "core/base/Host.h"
#include "gui/QtHostHooks.h"

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

  // Windows subscribe to the notifications they act on when they are created; each hook is
  // dropped with its owner, so a window that is gone is never called back.
  void OnRegImageChanged(const QObject* owner, std::function<void(int)> f) {
    regImage_.Add(owner, std::move(f));
  }
  void OnAdcReading(const QObject* owner, std::function<void()> f) {
    adcReading_.Add(owner, std::move(f));
  }
  void OnChartRedraw(const QObject* owner, std::function<void()> f) {
    chartRedraw_.Add(owner, std::move(f));
  }
  void OnChipLoaded(const QObject* owner, std::function<void()> f) {
    chipLoaded_.Add(owner, std::move(f));
  }
  void OnUsbClient(const QObject* owner, std::function<void()> f) {
    usbClient_.Add(owner, std::move(f));
  }

 private:
  QtHostHooks<int> regImage_;
  QtHostHooks<> adcReading_;
  QtHostHooks<> chartRedraw_;
  QtHostHooks<> chipLoaded_;
  QtHostHooks<> usbClient_;

  MainPanel* panel_ = nullptr;
  bool dialogs_ = true;
};

}  // namespace qx::gui
