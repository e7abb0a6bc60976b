#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <map>
#include <string>

#include "core/chip/FileTextSource.h"
#include "core/chip/SetupDialogModel.h"
#include "core/instruments/InstrumentPorts.h"
#include "core/instruments/InstrumentSelect.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace qx::app {
class Workbench;
}

namespace qx::gui {

/// `TOption`, the setup dialog: binds its controls to `chip::SetupDialogModel`, which decides
/// everything, and its instrument Select buttons to `instruments::InstrumentSelect`. Created
/// once at start-up; the "Setup" command shows it modally.
class OptionDialog final : public QDialog {
  Q_OBJECT

 public:
  OptionDialog(app::Workbench& bench, base::SerialPortProvider& ports,
               const std::string& programDir, QWidget* parent = nullptr);

  chip::SetupDialogModel& Model() { return model_; }
  instruments::InstrumentSelect& Instruments() { return select_; }

  /// The "Setup" command: link item 5 and chip item `ChipIndex` selected, the dialog placed at
  /// `mainTopLeft` + (40, 40) and shown modally.
  void ShowSetup(const QPoint& mainTopLeft);
  /// Re-reads every control from the model.
  void Sync();
  /// Selects the chamber on the port its list holds (the one remembered from the last
  /// session), as its Select button does; true when the chamber port is open afterwards.
  bool SelectRememberedChamber();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Build();
  QGroupBox* BuildMeters();
  QComboBox* Combo(const char* name);
  void Add(QWidget* w, const char* name);
  /// Runs a Select button's probe, which blocks for up to a few seconds.
  void Probe(const std::function<void()>& probe);
  void MeterSelectClick();
  /// Writes the three instrument lists' ports to the meter ports file as soon as one changes.
  void SaveInstrumentPorts();
  std::string MeterPortName(size_t meter) const;
  void ShowMeterPort(size_t meter, const std::string& name);

  using MeterArray = std::array<QComboBox*, instruments::InstrumentPorts::kMeterCount>;
  using MeterLabels = std::array<QLabel*, instruments::InstrumentPorts::kMeterCount>;

  base::Host& host_;
  instruments::InstrumentPorts& instruments_;
  std::string meterFile_;
  chip::FileTextSource files_;
  chip::SetupDialogModel model_;
  instruments::InstrumentSelect select_;
  std::map<std::string, QWidget*> controls_;
  QComboBox* cbSeluP_ = nullptr;
  QComboBox* selLpt_ = nullptr;
  QComboBox* txCom_ = nullptr;
  QComboBox* txBaud_ = nullptr;
  QComboBox* txParity_ = nullptr;
  QComboBox* clpt_ = nullptr;
  QCheckBox* photo_ = nullptr;
  std::map<std::string, QComboBox*> instrumentLists_;
  QGroupBox* meterGroup_ = nullptr;
  MeterArray meterLists_{};
  MeterLabels meterValues_{};
  bool syncing_ = false;
};

}  // namespace qx::gui
