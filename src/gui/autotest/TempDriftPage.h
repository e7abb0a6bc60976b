#pragma once

#include <QWidget>

#include "core/autotest/TempRunPresenter.h"

class QLabel;
class QTableWidget;

namespace qx::gui::autotest {

/// The temperature window's "Drift" page: the presenter's drift table of the run shown, a row a
/// mode, and its line on the input path's offset and gain drift.
class TempDriftPage final : public QWidget {
  Q_OBJECT

 public:
  TempDriftPage(const qx::autotest::TempRunPresenter& presenter, QWidget* parent);

  void Update();
  QTableWidget* Table() const { return table_; }
  QLabel* PathLine() const { return path_; }

 private:
  const qx::autotest::TempRunPresenter& presenter_;
  QTableWidget* table_ = nullptr;
  QLabel* path_ = nullptr;
};

}  // namespace qx::gui::autotest
