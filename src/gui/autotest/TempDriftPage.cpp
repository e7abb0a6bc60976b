#include "gui/autotest/TempDriftPage.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>

namespace qx::gui::autotest {

using qx::autotest::TempRunPresenter;

TempDriftPage::TempDriftPage(const TempRunPresenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter) {
  setObjectName("DriftPage");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 6, 6, 6);
  table_ = new QTableWidget(this);
  table_->setObjectName("DriftTable");
  const auto& headers = TempRunPresenter::DriftTable::kHeaders;
  table_->setColumnCount(static_cast<int>(std::size(headers)));
  QStringList labels;
  for (const char* h : headers) labels << QString::fromUtf8(h);
  table_->setHorizontalHeaderLabels(labels);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  path_ = new QLabel(this);
  path_->setObjectName("DriftPath");
  path_->setWordWrap(true);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  v->addWidget(table_, 1);
  v->addWidget(path_);
}

void TempDriftPage::Update() {
  const TempRunPresenter::DriftTable drift = TempRunPresenter::DriftTableOf(presenter_.Drift());
  table_->setRowCount(static_cast<int>(drift.rows.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const auto& cells = drift.rows[static_cast<size_t>(r)];
    for (int c = 0; c < table_->columnCount() && c < static_cast<int>(cells.size()); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(cells[static_cast<size_t>(c)]));
      // Numbers line up on their units; the mode and what was left out read from the left.
      if (c != 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(r, c, item);
    }
  }
  path_->setText(QString::fromStdString(drift.path));
}

}  // namespace qx::gui::autotest
