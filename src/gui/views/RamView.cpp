#include "gui/views/RamView.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"
#include "gui/views/RamWorkbook.h"

namespace qx::gui {

namespace {
constexpr int kHeaderColumnWidth = 40;  // room for "3F0"
constexpr int kCellWidth = 26;
constexpr int kDesignedWidth = 480;
constexpr int kDesignedHeight = 400;
const char kRamFilter[] = "*.ram";
}  // namespace

RamView::RamView(views::RamViewModel& model, base::Host& host, HexAsker ask, QWidget* parent)
    : QWidget(parent), model_(model), host_(host), ask_(std::move(ask)) {
  setObjectName("TQx_RAM");
  setWindowTitle(QString::fromUtf8("記憶體"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  grid_ = new ViewGrid(model_, "SGD", this);
  grid_->horizontalHeader()->setDefaultSectionSize(kCellWidth);
  grid_->setColumnWidth(0, kHeaderColumnWidth);
  layout->addWidget(grid_, 1);
  auto* bar = new QHBoxLayout;
  for (int b = 0; b < views::RamViewModel::kBanks; ++b) {
    auto* button = new QPushButton(QString("Bank%1").arg(b), this);
    button->setObjectName(QString::fromStdString(views::RamViewModel::BankButtonName(b)));
    button->setCheckable(true);
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, b] { SelectBank(b); });
    banks_[static_cast<size_t>(b)] = button;
    bar->addWidget(button);
  }
  bar->addStretch();
  layout->addLayout(bar);

  grid_->onDoubleClick = [this](int col, int row) {
    const auto request = model_.DoubleClick(col, row);
    uint32_t value = 0;
    if (request && ask_ && ask_(*request, grid_->CellBottomLeft(col, row), value))
      model_.Commit(request->target, value);
  };
  grid_->onKey = [this](int col, int row, char c) {
    const bool taken = model_.TypeKey(col, row, c);
    grid_->Model().Reload();
    return taken;
  };
  grid_->onLeave = [this] {
    if (!model_.EditPending()) return;
    model_.CommitPending();
    Repaint();
  };

  menu_ = new QMenu(this);
  menu_->setObjectName("PopupMenu1");
  MarkAction("SetMark");
  MarkAction("newcolor1");
  MarkAction("RstMark");
  connect(AddAction("RstAllMark", "Reset All Mark"), &QAction::triggered, this, [this] {
    if (!host_.AskYesNo("Are you sure to reset all mark?", false)) return;
    model_.ResetAllMarks();
    Repaint();
  });
  AddAction("SetHint1", "Set Hint");  // hint texts come from RAM files only
  connect(AddAction("ResetHint1", "Reset Hint"), &QAction::triggered, this, [this] {
    model_.ResetHint(grid_->PressedCol(), grid_->PressedRow());
    Repaint();
  });
  connect(AddAction("ResetAllHint1", "Reset All Hint"), &QAction::triggered, this, [this] {
    if (!host_.AskYesNo("Are you sure to reset all Hint?", false)) return;
    model_.ResetAllHints();
    Repaint();
  });
  connect(AddAction("LoadRam", "Load RAM Data"), &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, "Load RAM Data", QString(), kRamFilter);
    if (!path.isEmpty()) LoadRamFrom(path.toStdString());
  });
  connect(AddAction("SaveRam", "Save RAM Data"), &QAction::triggered, this, [this] {
    QFileDialog dialog(this, "Save RAM Data", QString(), kRamFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ram");
    // The overwrite question is ours, with the program's own wording.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      SaveRamTo(dialog.selectedFiles().front().toStdString());
  });
  connect(AddAction("SVEX", "Save To excel"), &QAction::triggered, this, [this] {
    QFileDialog dialog(this, "Save To excel", QString(), "*.xlsx");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("xlsx");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    if (ExportTo(path.toStdString())) QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  });
  for (int b = 0; b < views::RamViewModel::kBanks; ++b) {
    QAction* a = AddAction(views::RamViewModel::BankMenuName(b).c_str(), QString("Bank%1").arg(b));
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, b] { SelectBank(b); });
    bankItems_[static_cast<size_t>(b)] = a;
  }
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { menu_->popup(grid_->viewport()->mapToGlobal(pos)); });
  resize(kDesignedWidth, kDesignedHeight);
  Repaint();
}

QAction* RamView::AddAction(const char* name, const QString& caption) {
  QAction* a = menu_->addAction(caption);
  a->setObjectName(name);
  return a;
}

void RamView::MarkAction(const char* name) {
  const std::string n = name;
  const QString caption = n == "SetMark"     ? "Set Mark"
                          : n == "newcolor1" ? "Set Mark(new color)"
                                             : "Reset Mark";
  connect(AddAction(name, caption), &QAction::triggered, this, [this, n] {
    if (n == "newcolor1") {
      const QColor c = QColorDialog::getColor(ToQColor(markColour_), this);
      if (c.isValid()) markColour_ = static_cast<uint32_t>(c.rgb() & 0xFFFFFF);
    }
    const int col = grid_->PressedCol();
    const int row = grid_->PressedRow();
    if (n == "RstMark")
      model_.ResetMark(col, row, markColour_);
    else
      model_.SetMark(col, row, markColour_);
    Repaint();
  });
}

void RamView::Refresh() {
  model_.RefreshRam(false);
  Repaint();
}

void RamView::ApplyChip() {
  for (int b = 0; b < views::RamViewModel::kBanks; ++b) {
    const bool visible = model_.BankVisible(b);
    banks_[static_cast<size_t>(b)]->setVisible(visible);
    bankItems_[static_cast<size_t>(b)]->setVisible(visible);
  }
  model_.SelectBank(model_.Bank());
  Repaint();
}

void RamView::SelectBank(int bank) {
  model_.SelectBank(bank);
  Repaint();
}

void RamView::Repaint() {
  for (int b = 0; b < views::RamViewModel::kBanks; ++b) {
    QPushButton* button = banks_[static_cast<size_t>(b)];
    const views::ButtonLook look = model_.BankButton(b);
    button->setChecked(look.raised);
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, ToQColor(look.colour));
    button->setPalette(pal);
    button->setAutoFillBackground(look.raised);
  }
  grid_->Reload();
}

void RamView::showEvent(QShowEvent* event) {
  model_.RefreshRam(true);
  Repaint();
  QWidget::showEvent(event);
}

bool RamView::SaveRamTo(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !host_.AskYesNo("File " + path + " exist! Overwrite?", false))
    return false;
  std::string error;
  if (!base::AtomicFile::Write(path, model_.SaveText(), error)) {
    host_.ShowError("Save RAM Data: " + error);
    return false;
  }
  return true;
}

bool RamView::LoadRamFrom(const std::string& path) {
  // A RAM text is a few kilobytes; the limit keeps a wrong file from being read whole.
  const base::FileRead file = base::ReadRegularFile(path, base::kSettingsFileLimit);
  if (!file.Ok()) {
    host_.ShowError("Load RAM Data: " + file.error);
    return false;
  }
  const std::string error = model_.LoadText(file.bytes);
  Repaint();
  if (!error.empty()) {
    host_.ShowError("Load RAM Data: " + path + ": " + error);
    return false;
  }
  return true;
}

bool RamView::ExportTo(const std::string& path) {
  std::string error;
  if (!RamWorkbook::Write(path, model_.SheetCells(), error)) {
    host_.ShowError("Save To excel: " + error);
    return false;
  }
  return true;
}

}  // namespace qx::gui
