#include "core/widgets/PlacementFile.h"

#include <algorithm>
#include <limits>

#include "core/base/AtomicFile.h"
#include "core/base/FieldScanner.h"
#include "core/base/FileBytes.h"
#include "core/base/FixedWidth.h"
#include "core/base/TextLineReader.h"

namespace qx::widgets {

namespace {

// Fields are 5 characters wide with nothing between them: a number filling its field would run
// into its neighbour and make the line unreadable, so values keep one leading blank.
constexpr int32_t kFieldMin = -999;
constexpr int32_t kFieldMax = 9999;

std::string Field(int64_t v) {
  return base::RightAligned(std::clamp<int64_t>(v, kFieldMin, kFieldMax), 5);
}

WindowState StateFromCode(int64_t code) {
  switch (code) {
    case 1:
      return WindowState::Maximized;
    case 2:
      return WindowState::Minimized;
    default:
      return WindowState::Normal;
  }
}

std::string SingleLine(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != '\r' && c != '\n') s += c;
  return s;
}

}  // namespace

std::filesystem::path PlacementFile::PathFor(const std::filesystem::path& programFile,
                                             std::string extension) {
  if (extension.empty()) extension = kDefaultExtension;
  std::filesystem::path p = programFile;
  p.replace_extension("." + extension);
  return p;
}

std::string PlacementFile::Render(const PlacementRecords& table) {
  std::string out = std::string(kVersion) + base::kCrLf;
  out += std::to_string(table.Size()) + base::kCrLf;
  for (const Placement& p : table.Records()) {
    out += SingleLine(p.Name) + base::kCrLf;
    out += Field(p.Left) + Field(p.Top) + Field(p.Width) + Field(p.Height) +
           Field(static_cast<int>(p.State)) + Field(p.Visible ? 1 : 0) + base::kCrLf;
  }
  return out;
}

bool PlacementFile::Parse(std::string_view text, PlacementRecords& table) {
  constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
  base::TextLineReader lines(text, 256);
  std::string_view line;
  using R = base::TextLineReader::Result;
  if (lines.Next(line) != R::Line || line != kVersion) return false;
  int64_t count = 0;
  if (lines.Next(line) != R::Line || !base::FieldScanner(line).ReadInt(count, 0, kIntMax))
    return false;
  count = std::min<int64_t>(count, PlacementRecords::kMaxRecords);
  for (int64_t i = 0; i < count; ++i) {
    Placement p;
    if (lines.Next(line) != R::Line) return false;
    p.Name = SingleLine(line);  // as it would be written back
    if (lines.Next(line) != R::Line) return false;
    base::FieldScanner f(line);
    int64_t state = 0, visible = 0;
    if (!f.Read(p.Left, kIntMin, kIntMax) || !f.Read(p.Top, kIntMin, kIntMax) ||
        !f.Read(p.Width, kIntMin, kIntMax) || !f.Read(p.Height, kIntMin, kIntMax) ||
        !f.ReadInt(state, kIntMin, kIntMax) || !f.ReadInt(visible, kIntMin, kIntMax))
      return false;
    p.State = StateFromCode(state);
    p.Visible = visible != 0;
    table.Store(p);
  }
  return true;
}

bool PlacementFile::Save(const std::filesystem::path& path, const PlacementRecords& table,
                         std::string& error) {
  return base::AtomicFile::Write(path, Render(table), error);
}

bool PlacementFile::Load(const std::filesystem::path& path, PlacementRecords& table,
                         std::string* problem) {
  const base::FileRead file = base::ReadRegularFile(path, kMaxBytes);
  if (!file.Ok()) {
    if (problem && file.status != base::FileRead::Status::Missing) *problem = file.error;
    return false;
  }
  return Parse(file.bytes, table);
}

}  // namespace qx::widgets
