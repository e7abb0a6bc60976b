#include "core/autotest/TempFormFile.h"

#include <utility>

#include "core/base/FixedWidth.h"

namespace qx::autotest {

namespace {

// The boxes keep their text as typed: a run checks it when it starts.
constexpr std::pair<const char*, std::string TempForm::*> kTexts[] = {
    {"points", &TempForm::tempCount},
    {"start", &TempForm::tempStart},
    {"step", &TempForm::tempStep},
    {"modes", &TempForm::modeCount},
    {"hold", &TempForm::holdMinutes},
    {"delay", &TempForm::powerDelay},
    {"link_wait", &TempForm::linkWaitMinutes}};
constexpr std::pair<const char*, bool TempForm::*> kFlags[] = {
    {"full_files", &TempForm::fullFiles},
    {"keep_operating", &TempForm::keepOperating},
    {"adc_and_temperature", &TempForm::adcAndTemp},
    {"lock_330mV", &TempForm::lock330mV},
    {"lock_3V", &TempForm::lock3V}};
constexpr size_t kMaxText = 64;

bool ApplyLine(std::string_view name, std::string_view value, TempForm& form) {
  for (const auto& [key, field] : kTexts) {
    if (name != key) continue;
    if (value.size() > kMaxText) return false;
    form.*field = std::string(value);
    return true;
  }
  for (const auto& [key, field] : kFlags) {
    if (name != key) continue;
    if (value != "0" && value != "1") return false;
    form.*field = value == "1";
    return true;
  }
  if (name == "measure" || name == "capture") {
    const bool measure = name == "measure";
    const int items = measure ? 3 : 2;
    if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + items) return false;
    const int item = value[0] - '0';
    if (measure)
      form.measure = static_cast<TempForm::Measure>(item);
    else
      form.capture = static_cast<TempForm::Capture>(item);
    return true;
  }
  return false;
}

}  // namespace

std::string TempFormFile::Render(const TempForm& form) {
  std::string text;
  for (const auto& [key, field] : kTexts) {
    std::string value;
    for (char c : form.*field)
      if (c != '\r' && c != '\n') value += c;
    text += std::string(key) + "=" + value + base::kCrLf;
  }
  text += "measure=" + std::to_string(static_cast<int>(form.measure)) + base::kCrLf;
  text += "capture=" + std::to_string(static_cast<int>(form.capture)) + base::kCrLf;
  for (const auto& [key, field] : kFlags)
    text += std::string(key) + "=" + (form.*field ? "1" : "0") + base::kCrLf;
  return text;
}

int TempFormFile::Apply(std::string_view text, TempForm& form) {
  int lineNo = 0, firstBad = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || !ApplyLine(line.substr(0, eq), line.substr(eq + 1), form))
      if (firstBad == 0) firstBad = lineNo;
  }
  return firstBad;
}

}  // namespace qx::autotest
