#pragma once

#include <QComboBox>
#include <QStringList>
#include <QWidget>

// What the analysis window's behaviour and its widget building share.
namespace qx::gui::analysis::anx_parts {

inline constexpr char kToChart[] = "Chang to Chart";
inline constexpr char kToValues[] = "Chang to vaule";
inline constexpr int kHeaderWidth = 35;
inline constexpr int kCaptionGap = 10;
inline constexpr int kColumns = 17;
enum Page { kSamplesPage, kHistogramPage, kSpectrumPage };

/// A list with no item chosen yet.
inline QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->addItems(items);
  c->setCurrentIndex(-1);
  return c;
}

}  // namespace qx::gui::analysis::anx_parts
