#include "core/remote/ScpiStatus.h"

#include <utility>

namespace qx::remote {

const char* error::StandardText(int code) {
  switch (code) {
    case 0:
      return "No error";
    case kCommand:
      return "Command error";
    case kSyntax:
      return "Syntax error";
    case kParameterNotAllowed:
      return "Parameter not allowed";
    case kMissingParameter:
      return "Missing parameter";
    case kUndefinedHeader:
      return "Undefined header";
    case kInvalidSuffix:
      return "Invalid suffix";
    case kSuffixNotAllowed:
      return "Suffix not allowed";
    case kExecution:
      return "Execution error";
    case kCommandProtected:
      return "Command protected";
    case kParameter:
      return "Parameter error";
    case kDataOutOfRange:
      return "Data out of range";
    case kIllegalParameterValue:
      return "Illegal parameter value";
    case kDataStale:
      return "Data corrupt or stale";
    case kQueueOverflow:
      return "Queue overflow";
    case kInputBufferOverrun:
      return "Input buffer overrun";
    case kQueryInterrupted:
      return "Query INTERRUPTED";
    default:
      return "";
  }
}

namespace {

uint8_t EventOf(int code) {
  if (code <= -100 && code > -200) return esr::kCme;
  if (code <= -200 && code > -300) return esr::kExe;
  if (code <= -400 && code > -500) return esr::kQye;
  return esr::kDde;
}

}  // namespace

void ScpiStatus::Push(int code, std::string text) {
  // A standard error keeps its standard text first; the detail follows after a ';'.
  const std::string standard = error::StandardText(code);
  if (text.empty())
    text = standard;
  else if (!standard.empty() && !text.starts_with(standard))
    text = standard + ";" + text;
  esr_ |= EventOf(code);
  if (queue_.size() >= kQueueLength) {
    queue_.back() = {error::kQueueOverflow, error::StandardText(error::kQueueOverflow)};
    return;
  }
  queue_.push_back({code, std::move(text)});
}

ScpiError ScpiStatus::Next() {
  if (queue_.empty()) return {0, error::StandardText(0)};
  ScpiError e = std::move(queue_.front());
  queue_.pop_front();
  return e;
}

uint8_t ScpiStatus::TakeEvents() {
  const uint8_t e = esr_;
  esr_ = 0;
  return e;
}

uint8_t ScpiStatus::StatusByte(bool mav) const {
  uint8_t s = 0;
  if (!queue_.empty()) s |= stb::kEav;
  if (mav) s |= stb::kMav;
  if (esr_ & eventEnable) s |= stb::kEsb;
  if (s & serviceEnable & ~stb::kMss) s |= stb::kMss;
  return s;
}

void ScpiStatus::Clear() {
  queue_.clear();
  esr_ = 0;
}

}  // namespace qx::remote
