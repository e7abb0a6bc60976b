#include "gui/OptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "core/app/Workbench.h"
#include "core/chip/SetupLists.h"
#include "core/instruments/MeterPortsFile.h"

namespace qx::gui {

namespace {

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

template <class Items>
void Fill(QComboBox* combo, const Items& items) {
  for (const auto& item : items) combo->addItem(QString::fromUtf8(std::string(item).c_str()));
}

void Select(QComboBox* combo, int item) {
  combo->setCurrentIndex(item >= 0 && item < combo->count() ? item : -1);
}

/// First item of a meter's port list: the meter is not used.
constexpr char kMeterUnused[] = "—";
constexpr char kMeterSaveFailed[] = "Meter ports not saved: ";
constexpr char kNoMeters[] = "No multimeter in use";
constexpr char kInstrumentSaveFailed[] = "Instrument ports not saved: ";

/// The wait cursor for as long as a probe blocks the window.
class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

OptionDialog::OptionDialog(app::Workbench& bench, base::SerialPortProvider& ports,
                           const std::string& programDir, QWidget* parent)
    : QDialog(parent),
      host_(bench.host),
      instruments_(bench.instruments),
      meterFile_(programDir + instruments::MeterPortsFile::kFileName),
      model_(bench.target, bench.settings, bench.chip, bench.host, files_, ports, programDir),
      select_(bench.instruments, ports, bench.clock, bench.host) {
  setWindowTitle(QString::fromUtf8(chip::SetupDialogModel::kCaption));
  Build();
  std::string meterError;
  const instruments::MeterPortsFile::Names names =
      instruments::MeterPortsFile::Load(meterFile_, nullptr, &meterError);
  for (size_t m = 0; m < names.size(); ++m) ShowMeterPort(m, names[m]);
  if (!meterError.empty()) host_.SetStatus(1, meterError);
  model_.changed = [this] { Sync(); };
  model_.FormCreate();
  const instruments::MeterPortsFile::InstrumentNames remembered =
      instruments::MeterPortsFile::LoadInstruments(meterFile_);
  model_.RestoreInstrumentCom("FlukeCOM", remembered.fluke);
  model_.RestoreInstrumentCom("PowerCOM", remembered.power);
  model_.RestoreInstrumentCom("ChamberCOM", remembered.chamber);
  for (const std::string& item : model_.Chips().items) cbSeluP_->addItem(Text(item));
  Sync();
}

void OptionDialog::Add(QWidget* w, const char* name) {
  w->setObjectName(name);
  controls_[name] = w;
}

QComboBox* OptionDialog::Combo(const char* name) {
  auto* combo = new QComboBox(this);
  Add(combo, name);
  return combo;
}

void OptionDialog::Build() {
  auto* grid = new QGridLayout(this);
  auto label = [this](const char* name, const char* caption) {
    auto* l = new QLabel(QString::fromUtf8(caption), this);
    Add(l, name);
    return l;
  };

  cbSeluP_ = Combo("CbSeluP");
  grid->addWidget(label("Label2", "Select Chip "), 0, 0);
  grid->addWidget(cbSeluP_, 0, 1, 1, 2);

  auto* group = new QGroupBox("Communication", this);
  Add(group, "GroupBox1");
  auto* groupRow = new QHBoxLayout(group);
  auto* interfaceButton = new QRadioButton("Interfafce", group);
  interfaceButton->setChecked(true);
  Add(interfaceButton, "SelIOLPT");
  selLpt_ = Combo("SelLPT");
  Fill(selLpt_, chip::SetupLists::kLinkItems);
  groupRow->addWidget(interfaceButton);
  groupRow->addWidget(selLpt_);
  grid->addWidget(group, 1, 0, 1, 3);

  txCom_ = Combo("TXCOM");
  Fill(txCom_, chip::SetupLists::ComItems());
  txBaud_ = Combo("TXBaud");
  Fill(txBaud_, chip::SetupLists::BaudItems());
  txParity_ = Combo("TXParity");
  Fill(txParity_, chip::SetupLists::kParityItems);
  clpt_ = Combo("CLPT");
  Fill(clpt_, chip::SetupLists::kLptItems);
  grid->addWidget(label("Label1", "COM"), 2, 0);
  grid->addWidget(txCom_, 2, 1);
  grid->addWidget(label("Label3", "Baud"), 3, 0);
  grid->addWidget(txBaud_, 3, 1);
  grid->addWidget(label("Label4", "Parity"), 4, 0);
  grid->addWidget(txParity_, 4, 1);
  grid->addWidget(label("Label5", "LPT Address"), 5, 0);
  grid->addWidget(clpt_, 5, 1);

  photo_ = new QCheckBox(QString::fromUtf8("光耦合"), this);
  Add(photo_, "Photo");
  grid->addWidget(photo_, 6, 0);

  struct Instrument {
    const char* label;
    const char* caption;
    const char* list;
    const char* button;
  };
  const Instrument instruments[] = {{"Label8", "Fluke", "FlukeCOM", "FlukeSelect"},
                                    {"Label13", "Power", "PowerCOM", "PowerSelect"},
                                    {"Label6", "Chamber", "ChamberCOM", "ChamberSelect"}};
  using Select = bool (instruments::InstrumentSelect::*)(const std::string&);
  using PortName = const std::string& (chip::SetupDialogModel::*)() const;
  const std::pair<Select, PortName> probes[] = {{&instruments::InstrumentSelect::FlukeSelectClick,
                                                 &chip::SetupDialogModel::GetFlukeCOMString},
                                                {&instruments::InstrumentSelect::PowerSelectClick,
                                                 &chip::SetupDialogModel::GetPowerCOMString},
                                                {&instruments::InstrumentSelect::ChamberSelectClick,
                                                 &chip::SetupDialogModel::GetChamberCOMString}};
  int row = 7;
  for (size_t i = 0; i < std::size(instruments); ++i) {
    const Instrument& in = instruments[i];
    QComboBox* list = Combo(in.list);
    Fill(list, chip::SetupLists::ComItems());
    instrumentLists_[in.list] = list;
    auto* select = new QPushButton("Select", this);
    Add(select, in.button);
    grid->addWidget(label(in.label, in.caption), row, 0);
    grid->addWidget(list, row, 1);
    grid->addWidget(select, row, 2);
    const std::string name = in.list;
    connect(list, &QComboBox::activated, this, [this, name](int item) {
      model_.InstrumentComChange(name, item);
      SaveInstrumentPorts();
    });
    connect(select, &QPushButton::clicked, this, [this, probe = probes[i]] {
      Probe([this, probe] { (select_.*probe.first)((model_.*probe.second)()); });
    });
    ++row;
  }

  meterGroup_ = BuildMeters();
  grid->addWidget(meterGroup_, row++, 0, 1, 3);

  auto* close = new QPushButton(QString::fromUtf8("關閉"), this);
  Add(close, "BtClose");
  grid->addWidget(close, row, 2);

  connect(cbSeluP_, &QComboBox::activated, this, [this](int item) { model_.CbSeluPChange(item); });
  connect(selLpt_, &QComboBox::activated, this, [this](int item) { model_.SelLPTChange(item); });
  connect(txCom_, &QComboBox::activated, this, [this](int item) { model_.TXCOMChange(item); });
  connect(txBaud_, &QComboBox::activated, this, [this](int item) { model_.TXBaudChange(item); });
  connect(txParity_, &QComboBox::activated, this,
          [this](int item) { model_.TXParityChange(item); });
  connect(clpt_, &QComboBox::activated, this, [this](int item) { model_.CLPTChange(item); });
  connect(photo_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) model_.PhotoClick(on);
  });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
}

QGroupBox* OptionDialog::BuildMeters() {
  auto* group = new QGroupBox("Multimeters", this);
  group->setObjectName("MeterGroup");
  auto* grid = new QGridLayout(group);
  QStringList items{QString::fromUtf8(kMeterUnused)};
  for (const std::string& com : chip::SetupLists::ComItems()) items << Text(com);
  for (size_t m = 0; m < meterLists_.size(); ++m) {
    const QString n = QString::number(m + 1);
    auto* caption = new QLabel("Meter " + n, group);
    caption->setObjectName("MeterLabel" + n);
    auto* list = new QComboBox(group);
    list->setObjectName("MeterCOM" + n);
    list->addItems(items);
    auto* value = new QLabel(group);
    value->setObjectName("MeterValue" + n);
    value->setMinimumWidth(180);
    const int row = static_cast<int>(m);
    grid->addWidget(caption, row, 0);
    grid->addWidget(list, row, 1);
    grid->addWidget(value, row, 2);
    meterLists_[m] = list;
    meterValues_[m] = value;
  }
  auto* select = new QPushButton("Select", group);
  select->setObjectName("MeterSelect");
  grid->addWidget(select, static_cast<int>(meterLists_.size()), 2, Qt::AlignRight);
  connect(select, &QPushButton::clicked, this, [this] { Probe([this] { MeterSelectClick(); }); });
  return group;
}

bool OptionDialog::SelectRememberedChamber() {
  const std::string& port = model_.GetChamberCOMString();
  if (port.empty()) return false;
  Probe([this, &port] { select_.ChamberSelectClick(port); });
  return instruments_.ChamberPort.IsOpen();
}

void OptionDialog::Probe(const std::function<void()>& probe) {
  const BusyCursor busy;
  probe();
}

std::string OptionDialog::MeterPortName(size_t meter) const {
  const QComboBox* list = meterLists_.at(meter);
  return list->currentIndex() > 0 ? list->currentText().toStdString() : std::string();
}

void OptionDialog::ShowMeterPort(size_t meter, const std::string& name) {
  QComboBox* list = meterLists_.at(meter);
  if (name.empty()) {
    list->setCurrentIndex(0);
    return;
  }
  int item = list->findText(Text(name));
  // A port the list does not offer (COM17) stays choosable rather than being dropped.
  if (item < 0) {
    list->addItem(Text(name));
    item = list->count() - 1;
  }
  list->setCurrentIndex(item);
}

void OptionDialog::MeterSelectClick() {
  instruments::MeterPortsFile::Names names;
  for (size_t m = 0; m < names.size(); ++m) {
    names[m] = MeterPortName(m);
    select_.MeterSelect(m, names[m]);
    meterValues_[m]->setText(Text(select_.MeterText(m)));
  }
  std::string error;
  if (!instruments::MeterPortsFile::Save(meterFile_, names, error))
    host_.SetStatus(1, kMeterSaveFailed + error);
  else if (std::all_of(names.begin(), names.end(), [](const auto& n) { return n.empty(); }))
    host_.SetStatus(1, kNoMeters);
}

void OptionDialog::SaveInstrumentPorts() {
  const instruments::MeterPortsFile::InstrumentNames names{
      model_.GetFlukeCOMString(), model_.GetPowerCOMString(), model_.GetChamberCOMString()};
  std::string error;
  if (!instruments::MeterPortsFile::SaveInstruments(meterFile_, names, error))
    host_.SetStatus(1, kInstrumentSaveFailed + error);
}

void OptionDialog::Sync() {
  syncing_ = true;
  const link::TargetRecord& t = model_.Target();
  Select(cbSeluP_, model_.ChipItem());
  Select(selLpt_, model_.LinkItem());
  Select(txCom_, t.ComIndex);
  Select(txBaud_, t.BaudIndex);
  Select(txParity_, t.ParityIndex);
  Select(clpt_, model_.ClptItem());
  photo_->setChecked(model_.PhotoChecked());
  for (auto& [name, list] : instrumentLists_) Select(list, model_.InstrumentComItem(name));
  for (auto& [name, widget] : controls_) {
    widget->setVisible(model_.IsVisible(name));
    widget->setEnabled(model_.IsEnabled(name));
  }
  // The multimeters are read during the temperature test, beside the chamber: shown with it.
  meterGroup_->setVisible(model_.IsVisible("ChamberCOM"));
  syncing_ = false;
}

void OptionDialog::ShowSetup(const QPoint& mainTopLeft) {
  model_.PrepareForShow();
  // At its layout's size every time: bounds kept from a start that never opened the dialog are
  // Qt's default for an unshown window, not this dialog's.
  adjustSize();
  move(mainTopLeft + QPoint(40, 40));
  exec();
}

void OptionDialog::showEvent(QShowEvent* event) {
  Sync();
  QDialog::showEvent(event);
}

void OptionDialog::hideEvent(QHideEvent* event) {
  model_.BtCloseClick();
  QDialog::hideEvent(event);
}

}  // namespace qx::gui
