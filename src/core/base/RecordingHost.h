#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/base/Host.h"

namespace qx::base {

/// A host without windows: it keeps the last status text of each panel and counts the
/// notifications. Used by qxctl and by the tests.
class RecordingHost : public Host {
 public:
  /// Entries the status log keeps: a capture sets the progress panel about a hundred times,
  /// and a long run must not grow the log without end.
  static constexpr size_t kStatusLogLimit = 400;

  void SetStatus(int panel, const std::string& text) override {
    if (panel >= 0 && panel < static_cast<int>(status.size()))
      status[static_cast<size_t>(panel)] = text;
    if (statusLog.size() >= kStatusLogLimit) statusLog.pop_front();
    statusLog.push_back(std::to_string(panel) + ":" + text);
  }
  void SetProgress(int percent, bool visible) override { progress = visible ? percent : -1; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool AskYesNo(const std::string& text, bool fallback) override {
    questions.push_back(text);
    return fallback;
  }
  void RegImageChanged(int address) override { changedAddresses.push_back(address); }
  void AdcReadingChanged() override { ++adcReadings; }
  void RedrawCaptureChart() override { ++chartRedraws; }
  void UsbClientConnected() override { ++usbClients; }
  void ChipLoaded() override { ++chipLoads; }
  void MenuVisibilityChanged() override { ++menuChanges; }
  void PumpEvents() override {
    if (pump) pump();
  }

  /// What letting events run means here (qxctl serve: answering the other clients); none by
  /// default.
  std::function<void()> pump;

  std::array<std::string, 3> status;
  /// The last kStatusLogLimit status texts as "panel:text", oldest first.
  std::deque<std::string> statusLog;
  std::vector<std::string> errors;
  std::vector<std::string> questions;
  std::vector<int> changedAddresses;
  int progress = -1;
  int adcReadings = 0;
  int chartRedraws = 0;
  int usbClients = 0;
  int chipLoads = 0;
  int menuChanges = 0;
};

}  // namespace qx::base
