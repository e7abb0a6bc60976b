#include "gui/views/RegisterView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace qx::gui {

using views::RegGrid;

namespace {
constexpr int kDesignedWidth = 600;
constexpr int kDesignedHeight = 520;
}  // namespace

RegisterView::RegisterView(views::RegisterViewModel& model, HexAsker ask, QWidget* parent)
    : QWidget(parent),
      model_(model),
      ask_(std::move(ask)),
      bitSource_(model, RegGrid::Bit),
      byteSource_(model, RegGrid::Byte),
      wordSource_(model, RegGrid::Word) {
  setObjectName("TQx_Reg2");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(3);

  auto* strip = new QHBoxLayout;
  workBox_ = new QWidget(this);
  workBox_->setObjectName("PnlWork_B");
  auto* workLayout = new QHBoxLayout(workBox_);
  workLayout->setContentsMargins(0, 0, 0, 0);
  workLayout->addWidget(new QLabel(" Work:", workBox_));
  work_ = MakePanel(workBox_, "PnlWork", "00");
  workLayout->addWidget(work_);
  strip->addWidget(workBox_);
  pc_ = MakePanel(this, "PnlPC", QString::fromStdString(model.ProgramCounterText()));
  cycle_ = MakePanel(this, "PnlCycle", QString::fromStdString(model.CycleText()));
  strip->addWidget(pc_);
  strip->addWidget(cycle_);
  layout->addLayout(strip);

  auto* indStrip = new QHBoxLayout;
  const char* names[2][5] = {{"PnlIND0_B", "Panel10", "PnlIND0_1", "Panel13", "PnlIND0_2"},
                             {"PnlIND1_B", "Panel2", "PnlIND1_1", "Panel5", "PnlIND1_2"}};
  for (int n = 0; n < 2; ++n) {
    auto* box = new QWidget(this);
    box->setObjectName(names[n][0]);
    box->installEventFilter(this);
    auto* l = new QHBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(MakePanel(box, names[n][1], n == 0 ? " IND0: M[" : " IND1: M["));
    indirect_[static_cast<size_t>(2 * n)] = MakePanel(box, names[n][2], "000");
    l->addWidget(indirect_[static_cast<size_t>(2 * n)]);
    l->addWidget(MakePanel(box, names[n][3], "]="));
    indirect_[static_cast<size_t>(2 * n + 1)] = MakePanel(box, names[n][4], "00");
    l->addWidget(indirect_[static_cast<size_t>(2 * n + 1)]);
    indStrip->addWidget(box);
    (n == 0 ? ind0Box_ : ind1Box_) = box;
  }
  indStrip->addStretch();
  layout->addLayout(indStrip);

  auto* pageStrip = new QHBoxLayout;
  for (int p = 0; p < views::RegisterViewModel::kPages; ++p) {
    auto* b = new QPushButton(QString("PAGE%1").arg(p + 1), this);
    b->setObjectName(views::RegisterViewModel::PageButtonName(p));
    b->setCheckable(true);
    b->hide();
    connect(b, &QPushButton::clicked, this, [this, p] {
      model_.SelectPage(p);
      Repaint();
    });
    pages_[static_cast<size_t>(p)] = b;
    pageStrip->addWidget(b);
  }
  pageStrip->addStretch();
  layout->addLayout(pageStrip);

  bitGrid_ = new ViewGrid(bitSource_, "SREG", this);
  layout->addWidget(bitGrid_, 2);
  layout->addWidget(new QLabel("Byte ", this));
  layout->itemAt(layout->count() - 1)->widget()->setObjectName("Panel1");
  byteGrid_ = new ViewGrid(byteSource_, "SByteReg", this);
  layout->addWidget(byteGrid_, 1);
  layout->addWidget(new QLabel("Word", this));
  layout->itemAt(layout->count() - 1)->widget()->setObjectName("Panel3");
  wordGrid_ = new ViewGrid(wordSource_, "SWordReg", this);
  layout->addWidget(wordGrid_, 1);

  for (auto [grid, g] : {std::pair{bitGrid_, RegGrid::Bit}, std::pair{byteGrid_, RegGrid::Byte},
                         std::pair{wordGrid_, RegGrid::Word}}) {
    const RegGrid which = g;
    grid->onDoubleClick = [this, which](int col, int row) { DoubleClicked(which, col, row); };
    if (which != RegGrid::Bit) {
      grid->onKey = [this, which](int col, int row, char c) {
        return model_.TypeKey(which, col, row, c);
      };
      grid->onLeave = [this] {
        if (model_.EditPending()) model_.CommitPending();
      };
    }
  }

  regMenu_ = new QMenu(this);
  regMenu_->setObjectName("PMenuReg");
  regModify_ = regMenu_->addAction(QString::fromUtf8("更改儲存值"));
  regModify_->setObjectName("PMRegModify");
  connect(regModify_, &QAction::triggered, this, [this] {
    if (regMenuFromWork_) Ask(model_.WorkRequest(), menuAt_);
  });
  indMenu_ = new QMenu(this);
  indMenu_->setObjectName("PMenuIND");
  indInd_ = indMenu_->addAction(QString::fromUtf8("更改儲存值"));
  indInd_->setObjectName("PMIND_IND");
  indFsr_ = indMenu_->addAction("Modify FSR0");
  indFsr_->setObjectName("PMIND_FSR");
  connect(indInd_, &QAction::triggered, this,
          [this] { Ask(model_.IndirectRequest(indSelector_), menuAt_); });
  connect(indFsr_, &QAction::triggered, this,
          [this] { Ask(model_.FsrRequest(indSelector_), menuAt_); });
  bitMenu_ = new QMenu(this);
  bitMenu_->setObjectName("PMenuBit");
  bitSet_ = bitMenu_->addAction("=1");
  bitSet_->setObjectName("PMBitSet");
  bitClr_ = bitMenu_->addAction("=0");
  bitClr_->setObjectName("PMBitClr");
  connect(bitSet_, &QAction::triggered, this, [this] { model_.SetBit(bitTarget_); });
  connect(bitClr_, &QAction::triggered, this, [this] { model_.ClearBit(bitTarget_); });

  for (QWidget* w : std::initializer_list<QWidget*>{workBox_, work_, pc_})
    w->installEventFilter(this);
  for (QLabel* l : indirect_) l->installEventFilter(this);

  resize(kDesignedWidth, kDesignedHeight);
  Repaint();
}

QLabel* RegisterView::MakePanel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setAutoFillBackground(true);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  if (parent != this) l->installEventFilter(this);
  return l;
}

ViewGrid& RegisterView::Grid(RegGrid g) {
  return g == RegGrid::Bit ? *bitGrid_ : g == RegGrid::Byte ? *byteGrid_ : *wordGrid_;
}

QLabel* RegisterView::Panel(const char* name) const {
  return findChild<QLabel*>(name);
}

void RegisterView::Refresh() {
  model_.RefreshRegisters(false);
  Repaint();
}

void RegisterView::ApplyChip() {
  model_.ApplyChip();
  const std::string caption = model_.Caption();
  if (!caption.empty()) setWindowTitle(QString::fromStdString(caption));
  for (int p = 0; p < views::RegisterViewModel::kPages; ++p)
    pages_[static_cast<size_t>(p)]->setVisible(model_.PageVisible(p));
  Repaint();
}

void RegisterView::SetLook(QLabel* label, const views::CellLook& look) {
  QPalette pal = label->palette();
  pal.setColor(QPalette::Window, ToQColor(look.background));
  pal.setColor(QPalette::WindowText, ToQColor(look.text));
  label->setPalette(pal);
}

void RegisterView::Repaint() {
  work_->setText(QString::fromStdString(model_.Work().text));
  SetLook(work_, model_.Work().Look());
  for (int i = 0; i < 4; ++i) {
    indirect_[static_cast<size_t>(i)]->setText(QString::fromStdString(model_.Indirect(i).text));
    SetLook(indirect_[static_cast<size_t>(i)], model_.Indirect(i).Look());
  }
  for (int p = 0; p < views::RegisterViewModel::kPages; ++p) {
    QPushButton* b = pages_[static_cast<size_t>(p)];
    const views::ButtonLook look = model_.PageButton(p);
    b->setChecked(look.raised);
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, ToQColor(look.colour));
    b->setPalette(pal);
    b->setAutoFillBackground(look.raised);
  }
  bitGrid_->Reload();
  byteGrid_->Reload();
  wordGrid_->Reload();
  FitGrids();
}

void RegisterView::FitGrids() {
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int need = 0;
  for (const ViewGrid* grid : {bitGrid_, byteGrid_, wordGrid_})
    need = std::max(need, grid->ContentWidth() + scrollBar);
  const QMargins m = layout()->contentsMargins();
  need += m.left() + m.right();
  setMinimumWidth(need);
  if (width() >= need) return;
  QWidget* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (!frame) frame = this;
  frame->resize(frame->width() + need - width(), frame->height());
}

void RegisterView::Ask(const std::optional<views::HexRequest>& request, QPoint at) {
  if (!request || !ask_) return;
  uint32_t value = 0;
  if (ask_(*request, at, value)) model_.Commit(request->target, value);
}

void RegisterView::DoubleClicked(RegGrid g, int col, int row) {
  ViewGrid& grid = Grid(g);
  const QPoint at = grid.CellBottomLeft(col, row);
  if (g == RegGrid::Bit && col >= 1) {
    const auto target = model_.BitMenu(col, row);
    if (!target) return;
    bitTarget_ = *target;
    bitSet_->setText("=1");
    bitClr_->setText("=0");
    bitMenu_->popup(at);
    return;
  }
  Ask(model_.DoubleClick(g, col, row), at);
}

bool RegisterView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress) return QWidget::eventFilter(watched, event);
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return false;
  if (w == workBox_ || w == work_ || w == pc_) {
    regMenuFromWork_ = w != pc_;
    menuAt_ = workBox_->mapToGlobal(workBox_->rect().bottomLeft());
    regMenu_->popup(menuAt_);
    return true;
  }
  QWidget* box = w == ind0Box_ || w->parentWidget() == ind0Box_   ? ind0Box_
                 : w == ind1Box_ || w->parentWidget() == ind1Box_ ? ind1Box_
                                                                  : nullptr;
  if (!box) return false;
  indSelector_ = box == ind0Box_ ? 0 : 1;
  indFsr_->setText(QString::fromStdString(views::RegisterViewModel::FsrMenuCaption(indSelector_)));
  menuAt_ = box->mapToGlobal(box->rect().bottomLeft());
  indMenu_->popup(menuAt_);
  return true;
}

}  // namespace qx::gui
