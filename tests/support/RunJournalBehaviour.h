#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "core/autotest/RunJournal.h"

// The behaviour every RunJournal keeps, as a typed test. A test file instantiates it with a
// maker: a default-constructible type whose `Open(TimeText)` gives a fresh, empty journal.

namespace qx::test {

using autotest::ModeRecord;
using autotest::RunJournal;
using autotest::RunSettings;
using autotest::RunState;
using autotest::RunSummary;
using autotest::TextRows;

/// Settings whose texts and tables hold what a naive store loses: empty cells and rows,
/// separators, quotes, line ends, Chinese (UTF-8) and Big5 bytes, a NUL, every byte value.
inline RunSettings AwkwardSettings() {
  RunSettings s;
  s.withChamber = false;
  s.points = 3;
  s.modes = 4;
  s.holdMinutes = 20;
  s.powerDelayText = "1.5";
  s.measure = "Bryman";
  s.captureKind = "ADC, \"direct\"";
  s.fullFiles = true;
  s.keepOperating = true;
  s.adcAndTemp = false;
  s.firstRawFile = 17;
  s.tempTable = {{"", "溫度", "濕度", "溫度斜率", "濕度斜率"},
                 {"1", "-40", "", "1.0", ""},
                 {"2", "25,5", "\"50\"", "line\nbreak", "cr\r\nlf"}};
  s.regTable = {{}, {""}, {"", ""}, {"a"}, {",", "\"", "\"\""}, {"x", "", "", ""}};
  s.flukeTable = {{std::string("nul\0byte", 8), "\xA4\xA4\xA4\xE5", " lead", "trail "}};
  s.powerTable = {};
  s.chip = "QX7401 晶片";
  for (int i = 0; i < 1024; ++i) s.regImage.push_back(static_cast<uint8_t>(i * 7 + (i >> 8)));
  s.instruments = "COM1 CHAMBER\r\nCOM2 FLUKE,5520A\n";
  s.captureBits = 23;
  s.device = "board #7, \"rev B\"";
  s.note = "after reflow\nsecond line";
  s.programVersion = "1.4";
  s.host = "bench-3";
  s.uuid = "0b7c6d1e-25f0-4a3b-9c1d-2e3f4a5b6c7d";
  return s;
}

/// Doubles that a careless store changes: signed zero, NaN with payload, infinities,
/// subnormals, extremes, whole numbers at the int64 edges, non-terminating fractions.
inline ModeRecord AwkwardRecord(int point, int mode) {
  const double values[] = {-0.0,
                           std::bit_cast<double>(uint64_t{0x7FF4000000000123}),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           9223372036854775808.0,
                           -9223372036854775808.0,
                           0.1,
                           1.0 / 3.0,
                           5.0,
                           -std::numeric_limits<double>::quiet_NaN(),
                           123456.789e-300};
  ModeRecord r;
  r.point = point;
  r.mode = mode;
  r.targetTemp = -40.0 + point * 0.1;
  r.targetHum = -0.0;
  if (point % 2 == 1) r.chamberTemp = -39.9 + mode * 0.1;
  for (size_t i = 0; i < r.stats.size(); ++i) r.stats[i] = values[(i + mode) % 14];
  for (size_t i = 0; i < r.meterValue.size(); ++i) r.meterValue[i] = values[(i * 3 + point) % 14];
  r.meterUnit = {"mV", "", "°C", "Ω, \"ohm\"", "line\nend", "伏特"};
  r.rawFile = point * 100 + mode;
  // Every other mode failed; its reason is text of any kind.
  if (mode % 2 == 0) r.failure = "USB not Connect !!!, \"twice\"\nline 2";
  if (mode % 3 == 0) r.overRange = 65536;
  return r;
}

inline void ExpectSameBits(double a, double b, const std::string& what) {
  EXPECT_EQ(std::bit_cast<uint64_t>(a), std::bit_cast<uint64_t>(b))
      << what << ": " << a << " / " << b;
}

inline void ExpectSameRecord(const ModeRecord& a, const ModeRecord& b) {
  const std::string at = " of point " + std::to_string(a.point) + " mode " + std::to_string(a.mode);
  EXPECT_EQ(a.point, b.point);
  EXPECT_EQ(a.mode, b.mode);
  ExpectSameBits(a.targetTemp, b.targetTemp, "temperature" + at);
  ExpectSameBits(a.targetHum, b.targetHum, "humidity" + at);
  // A failed mode keeps no figures and no meter readings: they read 0 and no unit.
  const bool failed = !b.failure.empty();
  for (size_t i = 0; i < a.stats.size(); ++i) {
    ExpectSameBits(a.stats[i], failed ? 0.0 : b.stats[i], "stat " + std::to_string(i) + at);
  }
  for (size_t i = 0; i < a.meterValue.size(); ++i) {
    ExpectSameBits(a.meterValue[i], failed ? 0.0 : b.meterValue[i],
                   "meter " + std::to_string(i) + at);
  }
  EXPECT_EQ(a.meterUnit, failed ? decltype(b.meterUnit){} : b.meterUnit);
  EXPECT_EQ(a.chamberTemp.has_value(), b.chamberTemp.has_value()) << at;
  if (a.chamberTemp && b.chamberTemp)
    ExpectSameBits(*a.chamberTemp, *b.chamberTemp, "chamber" + at);
  EXPECT_EQ(a.rawFile, b.rawFile);
  EXPECT_EQ(a.failure, b.failure) << at;
  EXPECT_EQ(a.overRange, b.overRange) << at;
}

inline void ExpectSameSettings(const RunSettings& a, const RunSettings& b) {
  EXPECT_EQ(a.withChamber, b.withChamber);
  EXPECT_EQ(a.points, b.points);
  EXPECT_EQ(a.modes, b.modes);
  EXPECT_EQ(a.holdMinutes, b.holdMinutes);
  EXPECT_EQ(a.powerDelayText, b.powerDelayText);
  EXPECT_EQ(a.measure, b.measure);
  EXPECT_EQ(a.captureKind, b.captureKind);
  EXPECT_EQ(a.fullFiles, b.fullFiles);
  EXPECT_EQ(a.keepOperating, b.keepOperating);
  EXPECT_EQ(a.adcAndTemp, b.adcAndTemp);
  EXPECT_EQ(a.firstRawFile, b.firstRawFile);
  EXPECT_EQ(a.tempTable, b.tempTable);
  EXPECT_EQ(a.regTable, b.regTable);
  EXPECT_EQ(a.flukeTable, b.flukeTable);
  EXPECT_EQ(a.powerTable, b.powerTable);
  EXPECT_EQ(a.chip, b.chip);
  EXPECT_EQ(a.regImage, b.regImage);
  EXPECT_EQ(a.instruments, b.instruments);
  EXPECT_EQ(a.captureBits, b.captureBits);
  EXPECT_EQ(a.device, b.device);
  EXPECT_EQ(a.note, b.note);
  EXPECT_EQ(a.programVersion, b.programVersion);
  // A journal may fill in the host and the identity a run began without.
  if (!b.host.empty()) {
    EXPECT_EQ(a.host, b.host);
  }
  if (!b.uuid.empty()) {
    EXPECT_EQ(a.uuid, b.uuid);
  }
}

/// A clock that reads one second later at every call, from 2024-05-01 08:00:00.
class TickingTimes {
 public:
  std::string operator()() {
    const int s = ticks_++;
    char text[32];
    std::snprintf(text, sizeof text, "2024-05-01 08:%02d:%02d", s / 60 % 60, s % 60);
    return text;
  }

 private:
  int ticks_ = 0;
};

template <class Maker>
class RunJournalBehaviour : public ::testing::Test {
 protected:
  void SetUp() override {
    journal_ = maker_.Open([this] { return times_(); });
    ASSERT_NE(journal_, nullptr);
  }
  /// Begins a run of `points` x `modes` on chip `chip`.
  int64_t BeginRun(int points, int modes, const std::string& chip = "QX7402") {
    RunSettings s;
    s.points = points;
    s.modes = modes;
    s.chip = chip;
    auto id = journal_->Begin(s);
    EXPECT_TRUE(id) << journal_->LastError();
    return id.value_or(0);
  }
  void Record(int64_t run, int point, int mode) {
    EXPECT_TRUE(journal_->RecordMode(run, AwkwardRecord(point, mode))) << journal_->LastError();
  }

  Maker maker_;
  TickingTimes times_;
  std::unique_ptr<RunJournal> journal_;
};

TYPED_TEST_SUITE_P(RunJournalBehaviour);

TYPED_TEST_P(RunJournalBehaviour, BeginRecordEndAndListNewestFirstWithCounts) {
  RunJournal& j = *this->journal_;
  EXPECT_TRUE(j.List().empty());
  const int64_t a = this->BeginRun(2, 3, "QX7401");             // started 08:00:00
  this->Record(a, 1, 1);                                        // 08:00:01
  this->Record(a, 1, 2);                                        // 08:00:02
  ASSERT_TRUE(j.End(a, RunState::Completed)) << j.LastError();  // 08:00:03
  const int64_t b = this->BeginRun(1, 1, "QX7403");             // 08:00:04
  EXPECT_GT(b, a);

  const auto list = j.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, b);
  EXPECT_EQ(list[0].started, "2024-05-01 08:00:04");
  EXPECT_EQ(list[0].ended, "");
  EXPECT_EQ(list[0].state, RunState::Running);
  EXPECT_EQ(list[0].recorded, 0);
  EXPECT_EQ(list[0].chip, "QX7403");
  EXPECT_EQ(list[1].id, a);
  EXPECT_EQ(list[1].started, "2024-05-01 08:00:00");
  EXPECT_EQ(list[1].ended, "2024-05-01 08:00:03");
  EXPECT_EQ(list[1].state, RunState::Completed);
  EXPECT_EQ(list[1].points, 2);
  EXPECT_EQ(list[1].modes, 3);
  EXPECT_TRUE(list[1].withChamber);
  EXPECT_EQ(list[1].recorded, 2);
  EXPECT_EQ(list[1].chip, "QX7401");

  const auto modes = j.Modes(a);
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].recorded, "2024-05-01 08:00:01");
  EXPECT_EQ(modes[1].recorded, "2024-05-01 08:00:02");
  EXPECT_TRUE(j.Modes(b).empty());
  EXPECT_EQ(j.LastError(), "");
}

TYPED_TEST_P(RunJournalBehaviour, UnfinishedIsTheLatestRunningStoppedOrFailedRun) {
  RunJournal& j = *this->journal_;
  EXPECT_FALSE(j.Unfinished());
  EXPECT_EQ(j.LastError(), "");

  const int64_t stopped = this->BeginRun(1, 2);
  this->Record(stopped, 1, 1);
  ASSERT_TRUE(j.End(stopped, RunState::Stopped));
  const int64_t completed = this->BeginRun(1, 1);
  ASSERT_TRUE(j.End(completed, RunState::Completed));
  auto u = j.Unfinished();
  ASSERT_TRUE(u);
  EXPECT_EQ(u->id, stopped);
  EXPECT_EQ(u->state, RunState::Stopped);
  EXPECT_EQ(u->recorded, 1);

  const int64_t running = this->BeginRun(1, 1);
  EXPECT_EQ(j.Unfinished().value_or(RunSummary{}).id, running);
  ASSERT_TRUE(j.End(running, RunState::Abandoned));
  EXPECT_EQ(j.Unfinished().value_or(RunSummary{}).id, stopped);

  // A stopped run may still end otherwise: failed stays unfinished, completed does not.
  ASSERT_TRUE(j.End(stopped, RunState::Failed));
  EXPECT_EQ(j.Unfinished().value_or(RunSummary{}).state, RunState::Failed);
  ASSERT_TRUE(j.End(stopped, RunState::Completed));
  EXPECT_FALSE(j.Unfinished());
  EXPECT_EQ(j.LastError(), "");
}

TYPED_TEST_P(RunJournalBehaviour, ResumingAStoppedRunMakesItRunningAgain) {
  RunJournal& j = *this->journal_;
  const int64_t run = this->BeginRun(2, 2);
  this->Record(run, 1, 1);
  ASSERT_TRUE(j.End(run, RunState::Stopped));
  this->Record(run, 1, 2);
  const auto list = j.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].state, RunState::Running);
  EXPECT_EQ(list[0].ended, "");
  EXPECT_EQ(list[0].recorded, 2);
}

TYPED_TEST_P(RunJournalBehaviour, ReRecordReplacesAndModesComeInRecordingOrder) {
  RunJournal& j = *this->journal_;
  const int64_t run = this->BeginRun(3, 4);
  const int64_t other = this->BeginRun(3, 4);
  this->Record(run, 2, 1);
  this->Record(other, 1, 1);
  this->Record(run, 1, 4);
  this->Record(run, 3, 2);
  ModeRecord again = AwkwardRecord(2, 1);
  again.stats[0] = 42.5;
  again.meterUnit[1] = "V";
  again.rawFile = -1;
  ASSERT_TRUE(j.RecordMode(run, again)) << j.LastError();

  const auto modes = j.Modes(run);
  ASSERT_EQ(modes.size(), 3u);
  ExpectSameRecord(modes[0], AwkwardRecord(1, 4));
  ExpectSameRecord(modes[1], AwkwardRecord(3, 2));
  ExpectSameRecord(modes[2], again);
  ASSERT_EQ(j.Modes(other).size(), 1u);
  ExpectSameRecord(j.Modes(other)[0], AwkwardRecord(1, 1));
  EXPECT_EQ(j.List()[1].recorded, 3);
}

TYPED_TEST_P(RunJournalBehaviour, SettingsComeBackExactly) {
  RunJournal& j = *this->journal_;
  const RunSettings awkward = AwkwardSettings();
  const auto a = j.Begin(awkward);
  RunSettings plain;  // empty texts, tables and register image
  plain.points = 1;
  plain.modes = 1;
  const auto b = j.Begin(plain);
  ASSERT_TRUE(a && b) << j.LastError();
  const auto backA = j.Settings(*a);
  const auto backB = j.Settings(*b);
  ASSERT_TRUE(backA && backB) << j.LastError();
  ExpectSameSettings(*backA, awkward);
  ExpectSameSettings(*backB, plain);
  const auto list = j.List();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(list[0].withChamber);
  EXPECT_FALSE(list[1].withChamber);
  EXPECT_EQ(list[1].chip, awkward.chip);
  EXPECT_EQ(list[1].device, awkward.device);
  EXPECT_EQ(list[1].note, awkward.note);
}

TYPED_TEST_P(RunJournalBehaviour, RefusesWhatCannotTakeEffectAndSaysWhy) {
  RunJournal& j = *this->journal_;
  RunSettings none;
  EXPECT_FALSE(j.Begin(none));
  EXPECT_NE(j.LastError().find("at least one point"), std::string::npos) << j.LastError();

  const int64_t run = this->BeginRun(2, 3);
  EXPECT_EQ(j.LastError(), "");
  const int64_t missing = run + 100;
  EXPECT_FALSE(j.RecordMode(missing, AwkwardRecord(1, 1)));
  EXPECT_EQ(j.LastError(), "the journal holds no run " + std::to_string(missing));
  EXPECT_FALSE(j.End(missing, RunState::Completed));
  EXPECT_NE(j.LastError(), "");
  EXPECT_FALSE(j.Settings(missing));
  EXPECT_NE(j.LastError(), "");
  EXPECT_TRUE(j.Modes(missing).empty());
  EXPECT_NE(j.LastError(), "");

  for (auto [point, mode] : {std::pair{0, 1}, {3, 1}, {1, 0}, {1, 4}, {-1, -1}}) {
    EXPECT_FALSE(j.RecordMode(run, AwkwardRecord(point, mode))) << point << "/" << mode;
    EXPECT_NE(j.LastError().find("outside run"), std::string::npos) << j.LastError();
  }
  EXPECT_FALSE(j.End(run, RunState::Running));
  EXPECT_NE(j.LastError(), "");

  this->Record(run, 2, 3);
  EXPECT_EQ(j.LastError(), "");
  ASSERT_TRUE(j.End(run, RunState::Abandoned));
  EXPECT_FALSE(j.RecordMode(run, AwkwardRecord(1, 1)));
  EXPECT_NE(j.LastError().find("abandoned"), std::string::npos) << j.LastError();
  EXPECT_FALSE(j.End(run, RunState::Completed));
  EXPECT_NE(j.LastError().find("already abandoned"), std::string::npos) << j.LastError();
  const auto list = j.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].state, RunState::Abandoned);
  EXPECT_EQ(list[0].recorded, 1);
}

// Delete takes the run and its records, and nothing of another run; a run it does not hold is
// refused with the reason.
TYPED_TEST_P(RunJournalBehaviour, DeleteTakesTheRunAndItsRecordsOnly) {
  RunJournal& j = *this->journal_;
  const int64_t gone = this->BeginRun(2, 2);
  const int64_t kept = this->BeginRun(2, 2);
  this->Record(gone, 1, 1);
  this->Record(gone, 2, 2);
  this->Record(kept, 1, 2);
  ASSERT_TRUE(j.Delete(gone)) << j.LastError();
  EXPECT_EQ(j.LastError(), "");
  const auto list = j.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, kept);
  EXPECT_EQ(list[0].recorded, 1);
  EXPECT_EQ(j.Modes(kept).size(), 1u);
  EXPECT_TRUE(j.Modes(gone).empty());
  EXPECT_FALSE(j.Settings(gone));
  EXPECT_FALSE(j.Delete(gone));
  EXPECT_EQ(j.LastError(), "the journal holds no run " + std::to_string(gone));
}

REGISTER_TYPED_TEST_SUITE_P(RunJournalBehaviour, BeginRecordEndAndListNewestFirstWithCounts,
                            UnfinishedIsTheLatestRunningStoppedOrFailedRun,
                            ResumingAStoppedRunMakesItRunningAgain,
                            ReRecordReplacesAndModesComeInRecordingOrder, SettingsComeBackExactly,
                            RefusesWhatCannotTakeEffectAndSaysWhy,
                            DeleteTakesTheRunAndItsRecordsOnly);

}  // namespace qx::test
