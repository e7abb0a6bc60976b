#include "gui/QtHost.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "gui/MainPanel.h"

namespace qx::gui {

void QtHost::SetStatus(int panel, const std::string& text) {
  if (panel_) panel_->SetStatusText(panel, QString::fromStdString(text));
}

void QtHost::SetProgress(int percent, bool visible) {
  if (panel_) panel_->SetGauge(percent, visible);
}

void QtHost::PumpEvents() {
  QCoreApplication::processEvents();
}

void QtHost::ShowError(const std::string& text) {
  if (dialogs_ && panel_) {
    QMessageBox::critical(panel_, panel_->windowTitle(), QString::fromStdString(text));
  } else {
    SetStatus(2, text);
  }
}

bool QtHost::AskYesNo(const std::string& text, bool fallback) {
  if (!dialogs_ || !panel_) return fallback;
  return QMessageBox::question(panel_, panel_->windowTitle(), QString::fromStdString(text)) ==
         QMessageBox::Yes;
}

void QtHost::UsbClientConnected() {
  if (panel_) panel_->UsbClient();
  usbClient_.Call();
}

void QtHost::RegImageChanged(int address) {
  regImage_.Call(address);
}

void QtHost::AdcReadingChanged() {
  adcReading_.Call();
}

void QtHost::RedrawCaptureChart() {
  chartRedraw_.Call();
}

void QtHost::ChipLoaded() {
  chipLoaded_.Call();
}

void QtHost::MenuVisibilityChanged() {
  if (panel_) panel_->SyncMenu();
}

}  // namespace qx::gui
