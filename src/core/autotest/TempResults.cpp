#include "core/autotest/TempResults.h"

#include <algorithm>
#include <utility>

namespace qx::autotest {

namespace {

/// Heap bytes of a string: none while its text sits in the object itself (short string).
size_t HeapBytes(const std::string& s) {
  const auto* self = reinterpret_cast<const char*>(&s);
  const char* text = s.data();
  if (text >= self && text < self + sizeof s) return 0;
  return s.capacity() + 1;
}

}  // namespace

template <class T>
void TempResults::Regrid(std::vector<T>& cells, int points, int modes) const {
  std::vector<T> fresh(static_cast<size_t>(points) * static_cast<size_t>(modes));
  const int keepPoints = std::min(points, points_);
  const int keepModes = std::min(modes, modes_);
  for (int p = 0; p < keepPoints; ++p)
    for (int m = 0; m < keepModes; ++m)
      fresh[static_cast<size_t>(p) * static_cast<size_t>(modes) + static_cast<size_t>(m)] =
          cells[static_cast<size_t>(p) * static_cast<size_t>(modes_) + static_cast<size_t>(m)];
  cells = std::move(fresh);  // the old block goes, so shrinking gives memory back
}

void TempResults::Resize(int points, int modes) {
  points = std::max(points, 0);
  modes = std::max(modes, 0);
  if (points == points_ && modes == modes_) return;
  Regrid(stats_, points, modes);
  Regrid(marks_, points, modes);
  if (!meters_.empty()) Regrid(meters_, points, modes);
  std::vector<std::array<double, 2>> targets(static_cast<size_t>(points));
  std::copy_n(targets_.begin(), std::min(targets.size(), targets_.size()), targets.begin());
  targets_ = std::move(targets);
  points_ = points;
  modes_ = modes;
}

long TempResults::Index(int point, int mode) const {
  if (point < 1 || point > points_ || mode < 1 || mode > modes_) return -1;
  return static_cast<long>(point - 1) * modes_ + (mode - 1);
}

double TempResults::Stat(int kind, int point, int mode) const {
  const long i = Index(point, mode);
  if (i < 0 || kind < 0 || kind >= kKinds) return 0;
  return stats_[static_cast<size_t>(i)][static_cast<size_t>(kind)];
}

void TempResults::SetStats(int point, int mode, const analysis::NoiseResult& noise) {
  const long i = Index(point, mode);
  if (i < 0) return;
  size_t k = 0;
  for (const auto& g : noise.groups)
    for (double v : {g.mean, g.vppNv, g.rmsNv, g.enob, g.vppCodes, g.rmsCodes, g.noiseFreeBits})
      stats_[static_cast<size_t>(i)][k++] = v;
  marks_[static_cast<size_t>(i)] = Mark::Measured;
}

void TempResults::SetStat(int kind, int point, int mode, double value) {
  const long i = Index(point, mode);
  if (i < 0 || kind < 0 || kind >= kKinds) return;
  stats_[static_cast<size_t>(i)][static_cast<size_t>(kind)] = value;
  marks_[static_cast<size_t>(i)] = Mark::Measured;
}

TempResults::Mark TempResults::State(int point, int mode) const {
  const long i = Index(point, mode);
  return i < 0 ? Mark::None : marks_[static_cast<size_t>(i)];
}

void TempResults::SetMark(int point, int mode, Mark mark) {
  const long i = Index(point, mode);
  if (i >= 0) marks_[static_cast<size_t>(i)] = mark;
}

void TempResults::ClearMarks() {
  std::fill(marks_.begin(), marks_.end(), Mark::None);
}

bool TempResults::Reached(int point) const {
  if (point < 1 || point > points_) return false;
  const auto first = marks_.begin() + static_cast<long>(point - 1) * modes_;
  return std::any_of(first, first + modes_, [](Mark m) { return m != Mark::None; });
}

double TempResults::MeterValue(int meter, int point, int mode) const {
  const long i = Index(point, mode);
  if (i < 0 || meter < 0 || meter >= kMeters || meters_.empty()) return 0;
  return meters_[static_cast<size_t>(i)].value[static_cast<size_t>(meter)];
}

const std::string& TempResults::MeterUnit(int meter, int point, int mode) const {
  const long i = Index(point, mode);
  if (i < 0 || meter < 0 || meter >= kMeters || meters_.empty()) return units_[0];
  return units_[meters_[static_cast<size_t>(i)].unit[static_cast<size_t>(meter)]];
}

void TempResults::SetMeter(int meter, int point, int mode, double value, const std::string& unit) {
  const long i = Index(point, mode);
  if (i < 0 || meter < 0 || meter >= kMeters) return;
  if (meters_.empty()) meters_.resize(stats_.size());
  auto at = std::find(units_.begin(), units_.end(), unit);
  // A meter shows a handful of units; past 255 distinct texts the last slot is reused.
  if (at == units_.end()) {
    if (units_.size() < 256)
      units_.push_back(unit);
    else
      units_.back() = unit;
    at = units_.end() - 1;
  }
  Meters& m = meters_[static_cast<size_t>(i)];
  m.value[static_cast<size_t>(meter)] = value;
  m.unit[static_cast<size_t>(meter)] = static_cast<uint8_t>(at - units_.begin());
  marks_[static_cast<size_t>(i)] = Mark::Measured;
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
  size_t bytes = stats_.capacity() * sizeof(Stats) + meters_.capacity() * sizeof(Meters) +
                 targets_.capacity() * sizeof(targets_[0]) + marks_.capacity() +
                 units_.capacity() * sizeof(std::string);
  for (const std::string& unit : units_) bytes += HeapBytes(unit);
  return bytes;
}

}  // namespace qx::autotest
