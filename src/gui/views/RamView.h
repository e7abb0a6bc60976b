#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "core/base/Host.h"
#include "core/views/RamViewModel.h"
#include "gui/views/HexAsker.h"
#include "gui/views/ViewGrid.h"

class QMenu;
class QPushButton;

namespace qx::gui {

/// `TQx_RAM` ("記憶體"): the RAM view. Paints `RamViewModel`; files and dialogs live here.
class RamView final : public QWidget {
  Q_OBJECT

 public:
  RamView(views::RamViewModel& model, base::Host& host, HexAsker ask, QWidget* parent = nullptr);

  /// RefreshRam(false) and repaint.
  void Refresh();
  /// A chip was loaded: the bank buttons and menu items it has.
  void ApplyChip();
  void SelectBank(int bank);
  void Repaint();

  /// "Save RAM Data" to `path`, asking before an existing file is replaced. False on refusal
  /// or error (the error is shown).
  bool SaveRamTo(const std::string& path);
  /// "Load RAM Data" from `path`; a bad file is reported and what was read stays.
  bool LoadRamFrom(const std::string& path);
  /// "Save To excel" to `path`, without opening it.
  bool ExportTo(const std::string& path);

  ViewGrid& Grid() { return *grid_; }
  QMenu& Menu() { return *menu_; }
  /// Colour the next mark takes (the colour dialog's colour), 0xRRGGBB.
  uint32_t MarkColour() const { return markColour_; }
  void SetMarkColour(uint32_t rgb) { markColour_ = rgb; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QAction* AddAction(const char* name, const QString& caption);
  void MarkAction(const char* name);

  views::RamViewModel& model_;
  base::Host& host_;
  HexAsker ask_;
  ViewGrid* grid_ = nullptr;
  QMenu* menu_ = nullptr;
  std::array<QPushButton*, views::RamViewModel::kBanks> banks_{};
  std::array<QAction*, views::RamViewModel::kBanks> bankItems_{};
  uint32_t markColour_ = views::colour::kGray;
};

}  // namespace qx::gui
