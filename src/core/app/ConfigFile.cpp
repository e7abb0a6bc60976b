#include "core/app/ConfigFile.h"

#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "core/base/AtomicFile.h"
#include "core/base/FieldScanner.h"
#include "core/base/FileBytes.h"
#include "core/base/FixedWidth.h"
#include "core/base/TextLineReader.h"

namespace qx::app {

namespace {

constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();

// Item counts of the lists whose indexes the file keeps. A stored index outside its list
// selects no item, as a drop-down list does when given an index it does not have.
constexpr int kDisplayModes = 2;
constexpr int kOutBitsItems = 16;
constexpr int kPointItems = 11;
constexpr int kScaleItems = 16;
constexpr int kAdcFunctions = 4;
constexpr int kLptItems = 3;
constexpr int kComFunItems = 2;
constexpr int kShiftItems = 16;
constexpr int kAverageItems = 6;

constexpr int kComIndexAfterLoad = 15;  // "COM16"
constexpr int kBaudIndexAfterLoad = 5;  // "9600"
constexpr int kParityIndexAfterLoad = 0;

constexpr int32_t kDefaultCalValue = 500000;
constexpr int32_t kDefaultCalReading = 50000;

int ListIndex(int64_t v, int count) {
  return v >= 0 && v < count ? static_cast<int>(v) : -1;
}

uint16_t LptBaseFor(int index) {
  switch (index) {
    case 1:
      return 0x278;
    case 2:
      return 0x3BC;
    default:
      return 0x378;
  }
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// The box holds free text; the file keeps an integer. Text that is not one integer is saved as 0.
int64_t IntegerOf(std::string_view text) {
  base::FieldScanner scan(text);
  int64_t v = 0;
  if (!scan.ReadInt(v, kIntMin, kIntMax) || !scan.AtEnd()) return 0;
  return v;
}

std::string SingleLine(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != '\r' && c != '\n') s += c;
  return s;
}

}  // namespace

std::string ConfigFile::Render() const {
  const base::Settings& s = settings_;
  std::string out;
  auto line = [&out](const std::string& text) { out += text + base::kCrLf; };

  auto fields = [&line](std::initializer_list<int64_t> values, size_t width) {
    std::string text;
    for (int64_t v : values) base::AppendField(text, v, width);
    line(text);
  };
  auto bytes = [&line](const std::array<uint8_t, 6>& preset) {
    std::string text;
    for (uint8_t b : preset) base::AppendField(text, b, 4);
    line(text);
  };

  line(kHeader);
  fields({target_.ChipIndex, target_.LinkKind, target_.ComIndex, target_.BaudIndex,
          target_.ParityIndex},
         4);
  for (bool flag : s.OptionFlags) line(base::BoolText(flag));
  fields({s.CurrentPage}, 2);
  fields({s.CurrentBank}, 2);
  line(std::to_string(s.AdcDisplayMode));
  line(std::to_string(s.AdcOutBitsIndex));
  fields({s.NPointIndex, s.ScaleIndex}, 4);
  line(base::BoolText(s.AverageChart));
  fields({s.CFunADC}, 4);
  fields({s.CLPT}, 4);
  fields({s.CalValue, s.CalReading}, 8);
  bytes(s.ScalePreset);
  bytes(s.DmmPreset);
  fields({s.ComFun}, 4);
  fields({s.ADShift}, 4);
  fields({s.Photo ? 1 : 0}, 4);
  line(SingleLine(s.EREFV));
  fields({s.CMAVR}, 4);
  fields({s.CHFULL ? 1 : 0}, 4);
  fields({IntegerOf(s.EGv), s.ChTemper ? 1 : 0}, 6);
  return out;
}

bool ConfigFile::Save(const std::filesystem::path& path, std::string& error) const {
  return base::AtomicFile::Write(path, Render(), error);
}

void ConfigFile::FirstStartDefaults() {
  settings_.NPointIndex = 6;
  settings_.PointCount = 64 << settings_.NPointIndex;
  settings_.ScaleIndex = 23 - 8;
  settings_.CMAVR = 0;
}

ConfigLoadResult ConfigFile::Load(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  bool created = false;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    FirstStartDefaults();
    std::string error;
    if (!Save(path, error)) {
      // Nothing to read back; the values in memory are what the file would have held.
      ConfigLoadResult r;
      r.outcome = ConfigLoadResult::Outcome::Unreadable;
      r.message = name + ": " + error;
      Finish();
      r.finished = true;
      return r;
    }
    created = true;
  }
  const base::FileRead file = base::ReadRegularFile(path, base::kSettingsFileLimit);
  if (!file.Ok()) {
    ConfigLoadResult r;
    r.outcome = ConfigLoadResult::Outcome::Unreadable;
    r.message = file.status == base::FileRead::Status::Missing
                    ? name + ": cannot be opened, settings not loaded"
                    : file.error + ", settings not loaded";
    return r;
  }
  ConfigLoadResult r = Apply(file.bytes, name);
  r.created = created;
  return r;
}

ConfigLoadResult ConfigFile::Apply(std::string_view text, const std::string& fileName) {
  ConfigLoadResult r;
  base::TextLineReader lines(text);
  std::string_view header;
  if (lines.Next(header) != base::TextLineReader::Result::Line || header != kHeader) {
    r.outcome = ConfigLoadResult::Outcome::HeaderMismatch;
    r.errorLine = 1;
    r.message = fileName + ": unknown header, settings not loaded";
    return r;
  }
  for (int s = 0; s < kSectionCount && !lines.AtEnd(); ++s) {
    std::string why;
    if (!ReadSection(s, lines, why)) {
      r.outcome = ConfigLoadResult::Outcome::FieldError;
      r.errorLine = lines.LineNumber();
      r.message = fileName + " line " + std::to_string(r.errorLine) + ": " + why +
                  ", later settings not loaded";
      break;
    }
    ++r.sectionsRead;
  }
  Finish();
  r.finished = true;
  return r;
}

void ConfigFile::Finish() {
  target_.LinkKind = link::kLinkQx740x;
  if (loadChipDescription) loadChipDescription();
  // The chip loader may pick another link for some chips; this program always talks QX740x.
  target_.LinkKind = link::kLinkQx740x;
  settings_.SerialListsEnabled = false;
}

bool ConfigFile::ReadSection(int s, base::TextLineReader& lines, std::string& why) {
  std::string_view text;
  auto next = [&]() {
    switch (lines.Next(text)) {
      case base::TextLineReader::Result::Line:
        return true;
      case base::TextLineReader::Result::TooLong:
        why = "line too long";
        return false;
      case base::TextLineReader::Result::End:
        break;
    }
    why = "file ends inside a section";
    return false;
  };
  auto fail = [&]() {
    why = "value missing or not a number";
    return false;
  };

  base::Settings n = settings_;
  switch (s) {
    case 0: {
      if (!next()) return false;
      base::FieldScanner f(text);
      uint16_t chip = 0, link = 0;
      int32_t com = 0, baud = 0, parity = 0;
      if (!f.Read(chip, 0, UINT16_MAX) || !f.Read(link, 0, UINT16_MAX) ||
          !f.Read(com, kIntMin, kIntMax) || !f.Read(baud, kIntMin, kIntMax) ||
          !f.Read(parity, kIntMin, kIntMax))
        return fail();
      target_.ChipIndex = chip;
      target_.LinkKind = link;
      // The serial line of the bridge is not restored: the lists always start on COM16, 9600
      // baud, no parity.
      (void)com, (void)baud, (void)parity;
      target_.ComIndex = kComIndexAfterLoad;
      target_.BaudIndex = kBaudIndexAfterLoad;
      target_.ParityIndex = kParityIndexAfterLoad;
      return true;
    }
    case 1:
      for (bool& flag : n.OptionFlags) {
        if (!next()) return false;
        flag = Upper(text) == "TRUE";
      }
      break;
    case 2: {
      int64_t page = 0, bank = 0;
      if (!next()) return false;
      if (!base::FieldScanner(text).ReadInt(page, kIntMin, kIntMax)) return fail();
      if (!next()) return false;
      if (!base::FieldScanner(text).ReadInt(bank, kIntMin, kIntMax)) return fail();
      // The views index their pages and banks with these; the chip loader narrows them further.
      n.CurrentPage = page >= 0 && page <= 3 ? static_cast<int>(page) : 0;
      n.CurrentBank = bank >= 0 && bank <= 4 ? static_cast<int>(bank) : 0;
      break;
    }
    case 3: {
      int64_t mode = 0, bits = 0;
      if (!next()) return false;
      if (!base::FieldScanner(text).ReadInt(mode, kIntMin, kIntMax)) return fail();
      if (!next()) return false;
      if (!base::FieldScanner(text).ReadInt(bits, kIntMin, kIntMax)) return fail();
      n.AdcDisplayMode = ListIndex(mode, kDisplayModes);
      n.AdcOutBitsIndex = ListIndex(bits, kOutBitsItems);
      break;
    }
    case 4: {
      if (!next()) return false;
      base::FieldScanner f(text);
      int64_t points = 0, scale = 0;
      if (!f.ReadInt(points, kIntMin, kIntMax) || !f.ReadInt(scale, kIntMin, kIntMax))
        return fail();
      if (!next()) return false;  // the saved average-chart flag is not restored
      n.NPointIndex = ListIndex(points, kPointItems);
      if (n.NPointIndex >= 0) n.PointCount = 64 << n.NPointIndex;
      n.ScaleIndex = ListIndex(scale, kScaleItems);
      if (n.ScaleIndex >= 0) n.CodeDivisor = 1 << (15 - n.ScaleIndex);
      n.AnalysisTableMode = true;
      n.AverageChart = false;
      break;
    }
    case 5:
    case 6:
    case 9:
    case 12:
    case 13: {
      // Sections of one small integer per line.
      const int lineCount = s == 9 ? 2 : 1;
      int64_t v[2] = {0, 0};
      for (int i = 0; i < lineCount; ++i) {
        if (!next()) return false;
        if (!base::FieldScanner(text).ReadInt(v[i], kIntMin, kIntMax)) return fail();
      }
      if (s == 5) n.CFunADC = ListIndex(v[0], kAdcFunctions);
      if (s == 6) {
        n.CLPT = ListIndex(v[0], kLptItems);
        n.LptPortBase = LptBaseFor(n.CLPT);
      }
      if (s == 9) {
        n.ComFun = ListIndex(v[0], kComFunItems);
        n.ADShift = ListIndex(v[1], kShiftItems);
      }
      if (s == 12) n.CMAVR = ListIndex(v[0], kAverageItems);
      if (s == 13) n.CHFULL = v[0] != 0;
      break;
    }
    case 7: {
      if (!next()) return false;
      base::FieldScanner f(text);
      if (!f.Read(n.CalValue, kIntMin, kIntMax) || !f.Read(n.CalReading, kIntMin, kIntMax))
        return fail();
      if (n.CalValue == 0 || n.CalReading == 0) {
        n.CalValue = kDefaultCalValue;
        n.CalReading = kDefaultCalReading;
      }
      break;
    }
    case 8:
      for (auto* preset : {&n.ScalePreset, &n.DmmPreset}) {
        if (!next()) return false;
        base::FieldScanner f(text);
        for (uint8_t& b : *preset)
          if (!f.Read(b, 0, 255)) return fail();
      }
      break;
    case 10: {
      if (!next()) return false;
      int64_t ignored = 0;
      if (!base::FieldScanner(text).ReadInt(ignored, kIntMin, kIntMax)) return fail();
      n.Photo = true;
      break;
    }
    case 11:
      if (!next()) return false;
      n.EREFV = std::string(text);
      break;
    case 14: {
      if (!next()) return false;
      base::FieldScanner f(text);
      int64_t gv = 0, temper = 0;
      if (!f.ReadInt(gv, kIntMin, kIntMax) || !f.ReadInt(temper, kIntMin, kIntMax)) return fail();
      n.EGv = std::to_string(gv);
      n.ChTemper = temper == 1;
      break;
    }
    default:
      return true;
  }
  settings_ = n;
  return true;
}

}  // namespace qx::app
