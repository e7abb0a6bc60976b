#include "gui/OptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "core/app/Workbench.h"
#include "core/chip/SetupLists.h"

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

}  // namespace

OptionDialog::OptionDialog(app::Workbench& bench, base::SerialPortProvider& ports,
                           const std::string& programDir, QWidget* parent)
    : QDialog(parent),
      model_(bench.target, bench.settings, bench.chip, bench.host, files_, ports, programDir) {
  setWindowTitle(QString::fromUtf8(chip::SetupDialogModel::kCaption));
  Build();
  model_.changed = [this] { Sync(); };
  model_.FormCreate();
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
  int row = 7;
  for (const Instrument& in : instruments) {
    QComboBox* list = Combo(in.list);
    Fill(list, chip::SetupLists::ComItems());
    instrumentLists_[in.list] = list;
    auto* select = new QPushButton("Select", this);
    Add(select, in.button);
    grid->addWidget(label(in.label, in.caption), row, 0);
    grid->addWidget(list, row, 1);
    grid->addWidget(select, row, 2);
    const std::string name = in.list;
    connect(list, &QComboBox::activated, this,
            [this, name](int item) { model_.InstrumentComChange(name, item); });
    ++row;
  }

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
  syncing_ = false;
}

void OptionDialog::ShowSetup(const QPoint& mainTopLeft) {
  model_.PrepareForShow();
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
