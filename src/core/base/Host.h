#pragma once

#include <string>

namespace qx::base {

/// What core asks of the front end. The GUI implements it with Qt; qxctl and the tests use a
/// recording host. Every notification has an empty default so a front end overrides only
/// what it shows.
class Host {
 public:
  virtual ~Host() = default;

  /// Status bar text: panel 0 link state, panel 1 serial errors, panel 2 progress and results.
  virtual void SetStatus(int panel, const std::string& text) { (void)panel, (void)text; }
  /// Progress gauge in percent; hidden when `visible` is false.
  virtual void SetProgress(int percent, bool visible) { (void)percent, (void)visible; }
  /// Lets pending window messages run (a Stop click during a capture, repaints).
  virtual void PumpEvents() {}
  virtual void ShowError(const std::string& text) { (void)text; }
  /// Yes/no question; a front end without a user answers `fallback`.
  virtual bool AskYesNo(const std::string& text, bool fallback) {
    (void)text;
    return fallback;
  }

  /// A byte of the register image was stored, or the whole image with kWholeImage: views and
  /// panels recompute from it.
  static constexpr int kWholeImage = -1;
  virtual void RegImageChanged(int address) { (void)address; }
  /// The continuous ADC reading produced a new value (last ADC reading of the link).
  virtual void AdcReadingChanged() {}
  /// Redraw the capture chart with the samples captured so far.
  virtual void RedrawCaptureChart() {}
  /// A USB Scan connected the bridge: identify the chip and set the window titles.
  virtual void UsbClientConnected() {}
  /// A chip description was loaded.
  virtual void ChipLoaded() {}
  /// Visibility of main-menu items changed.
  virtual void MenuVisibilityChanged() {}
};

}  // namespace qx::base
