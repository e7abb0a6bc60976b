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
  for (auto& f : usbClient_) f();
}

void QtHost::RegImageChanged(int address) {
  for (auto& f : regImage_) f(address);
}

void QtHost::AdcReadingChanged() {
  for (auto& f : adcReading_) f();
}

void QtHost::RedrawCaptureChart() {
  for (auto& f : chartRedraw_) f();
}

void QtHost::ChipLoaded() {
  for (auto& f : chipLoaded_) f();
}

void QtHost::MenuVisibilityChanged() {
  if (panel_) panel_->SyncMenu();
}

}  // namespace qx::gui
