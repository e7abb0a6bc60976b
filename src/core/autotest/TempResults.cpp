#include "core/autotest/TempResults.h"

#include <algorithm>
#include <utility>

namespace qx::autotest {

namespace {

const std::string kNoUnit;

/// Heap bytes of a string: none while its text sits in the object itself (short string).
size_t HeapBytes(const std::string& s) {
  const auto* self = reinterpret_cast<const char*>(&s);
  const char* text = s.data();
  if (text >= self && text < self + sizeof s) return 0;
  return s.capacity() + 1;
}

}  // namespace

void TempResults::Resize(int points, int modes) {
  points = std::max(points, 0);
  modes = std::max(modes, 0);
  if (points == points_ && modes == modes_) return;
  std::vector<Cell> cells(static_cast<size_t>(points) * static_cast<size_t>(modes));
  const int keepPoints = std::min(points, points_);
  const int keepModes = std::min(modes, modes_);
  for (int p = 0; p < keepPoints; ++p)
    for (int m = 0; m < keepModes; ++m)
      cells[static_cast<size_t>(p) * static_cast<size_t>(modes) + static_cast<size_t>(m)] =
          std::move(cells_[static_cast<size_t>(p) * static_cast<size_t>(modes_) +
                           static_cast<size_t>(m)]);
  cells_ = std::move(cells);  // the old block goes, so shrinking gives memory back
  std::vector<std::array<double, 2>> targets(static_cast<size_t>(points));
  std::copy_n(targets_.begin(), std::min(targets.size(), targets_.size()), targets.begin());
  targets_ = std::move(targets);
  points_ = points;
  modes_ = modes;
}

const TempResults::Cell* TempResults::At(int point, int mode) const {
  if (point < 1 || point > points_ || mode < 1 || mode > modes_) return nullptr;
  return &cells_[static_cast<size_t>(point - 1) * static_cast<size_t>(modes_) +
                 static_cast<size_t>(mode - 1)];
}

TempResults::Cell* TempResults::At(int point, int mode) {
  return const_cast<Cell*>(std::as_const(*this).At(point, mode));
}

double TempResults::Stat(int kind, int point, int mode) const {
  const Cell* cell = At(point, mode);
  if (!cell || kind < 0 || kind >= kKinds) return 0;
  return cell->stats[static_cast<size_t>(kind)];
}

void TempResults::SetStats(int point, int mode, const analysis::NoiseResult& noise) {
  Cell* cell = At(point, mode);
  if (!cell) return;
  size_t k = 0;
  for (const auto& g : noise.groups)
    for (double v : {g.mean, g.vppNv, g.rmsNv, g.enob, g.vppCodes, g.rmsCodes, g.noiseFreeBits})
      cell->stats[k++] = v;
}

void TempResults::SetStat(int kind, int point, int mode, double value) {
  Cell* cell = At(point, mode);
  if (!cell || kind < 0 || kind >= kKinds) return;
  cell->stats[static_cast<size_t>(kind)] = value;
}

double TempResults::MeterValue(int meter, int point, int mode) const {
  const Cell* cell = At(point, mode);
  if (!cell || meter < 0 || meter >= kMeters) return 0;
  return cell->meterValue[static_cast<size_t>(meter)];
}

const std::string& TempResults::MeterUnit(int meter, int point, int mode) const {
  const Cell* cell = At(point, mode);
  if (!cell || meter < 0 || meter >= kMeters) return kNoUnit;
  return cell->meterUnit[static_cast<size_t>(meter)];
}

void TempResults::SetMeter(int meter, int point, int mode, double value, const std::string& unit) {
  Cell* cell = At(point, mode);
  if (!cell || meter < 0 || meter >= kMeters) return;
  cell->meterValue[static_cast<size_t>(meter)] = value;
  cell->meterUnit[static_cast<size_t>(meter)] = unit;
}

double TempResults::TargetTemp(int point) const {
  if (point < 1 || point > points_) return 0;
  return targets_[static_cast<size_t>(point - 1)][0];
}

double TempResults::TargetHum(int point) const {
  if (point < 1 || point > points_) return 0;
  return targets_[static_cast<size_t>(point - 1)][1];
}

void TempResults::SetTarget(int point, double temp, double hum) {
  if (point < 1 || point > points_) return;
  targets_[static_cast<size_t>(point - 1)] = {temp, hum};
}

size_t TempResults::Bytes() const {
  size_t bytes = cells_.capacity() * sizeof(Cell) + targets_.capacity() * sizeof(targets_[0]);
  for (const Cell& cell : cells_)
    for (const std::string& unit : cell.meterUnit) bytes += HeapBytes(unit);
  return bytes;
}

}  // namespace qx::autotest
