#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "core/views/RegisterGridSource.h"
#include "core/views/RegisterViewModel.h"
#include "gui/views/HexAsker.h"
#include "gui/views/ViewGrid.h"

class QLabel;
class QMenu;
class QAction;
class QPushButton;

namespace qx::gui {

/// `TQx_Reg2`: the register view. Paints `RegisterViewModel` and passes clicks and keys to it.
class RegisterView final : public QWidget {
  Q_OBJECT

 public:
  RegisterView(views::RegisterViewModel& model, HexAsker ask, QWidget* parent = nullptr);

  /// RefreshRegisters(false) and repaint.
  void Refresh();
  /// A chip was loaded: names, page buttons, caption.
  void ApplyChip();
  /// Repaints everything from the model.
  void Repaint();
  /// Widens the window when the grids' columns need more than it has.
  void FitGrids();

  ViewGrid& Grid(views::RegGrid g);
  QLabel* Panel(const char* name) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* MakePanel(QWidget* parent, const char* name, const QString& text);
  void Ask(const std::optional<views::HexRequest>& request, QPoint at);
  void DoubleClicked(views::RegGrid g, int col, int row);
  void SetLook(QLabel* label, const views::CellLook& look);

  views::RegisterViewModel& model_;
  HexAsker ask_;
  views::RegisterGridSource bitSource_;
  views::RegisterGridSource byteSource_;
  views::RegisterGridSource wordSource_;
  ViewGrid* bitGrid_ = nullptr;
  ViewGrid* byteGrid_ = nullptr;
  ViewGrid* wordGrid_ = nullptr;
  QLabel* work_ = nullptr;
  std::array<QLabel*, 4> indirect_{};
  QWidget* ind0Box_ = nullptr;
  QWidget* ind1Box_ = nullptr;
  QWidget* workBox_ = nullptr;
  QLabel* pc_ = nullptr;
  QLabel* cycle_ = nullptr;
  std::array<QPushButton*, 4> pages_{};
  QMenu* regMenu_ = nullptr;
  QMenu* indMenu_ = nullptr;
  QMenu* bitMenu_ = nullptr;
  QAction* regModify_ = nullptr;
  QAction* indInd_ = nullptr;
  QAction* indFsr_ = nullptr;
  QAction* bitSet_ = nullptr;
  QAction* bitClr_ = nullptr;
  int indSelector_ = 0;
  bool regMenuFromWork_ = false;
  views::BitTarget bitTarget_;
  QPoint menuAt_;
};

}  // namespace qx::gui
