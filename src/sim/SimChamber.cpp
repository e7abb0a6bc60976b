#include "sim/SimChamber.h"

#include <cmath>
#include <cstdio>

namespace qx::sim {

namespace {

std::optional<unsigned> DecimalDigits(const std::string& s, size_t pos, size_t n) {
  if (pos + n > s.size()) return std::nullopt;
  unsigned v = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + static_cast<unsigned>(s[i] - '0');
  }
  return v;
}

/// Four upper-case hex digits, as the controller writes and expects them.
std::optional<uint16_t> HexWord(const std::string& s, size_t pos) {
  if (pos + 4 > s.size()) return std::nullopt;
  unsigned v = 0;
  for (size_t i = pos; i < pos + 4; ++i) {
    const char c = s[i];
    unsigned d = 0;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    v = v * 16 + d;
  }
  return static_cast<uint16_t>(v);
}

std::string HexText(uint16_t word) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(word));
  return text;
}

uint16_t Word(int16_t value) {
  return static_cast<uint16_t>(value);
}
double Tenths(uint16_t word) {
  return static_cast<int16_t>(word) / 10.0;
}

}  // namespace

void SimChamber::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  for (const uint8_t b : in) {
    if (b == kStx) frame_.clear();  // a new frame starts; an unfinished one was noise
    if (frame_.empty() && b != kStx) continue;
    frame_.push_back(b);
    if (frame_.size() > kMaxFrame) {
      frame_.clear();
      continue;
    }
    if (b == '\n' && frame_.size() >= 2 && frame_[frame_.size() - 2] == '\r') {
      Complete(out);
      frame_.clear();
    }
  }
}

void SimChamber::Complete(std::vector<uint8_t>& out) {
  // Body: the characters between STX and CR LF.
  const std::string body(frame_.begin() + 1, frame_.end() - 2);
  // A refusal names the command it refuses; anything not a read counts as a write.
  const std::string command = body.size() > 2 && body[2] == 'R' ? "RSD" : "WSD";
  const std::optional<Request> request = Parse(body);
  if (!request || refuseAll_) {
    Reply("01" + command + ",NG", out);
    return;
  }
  if (request->write) {
    for (size_t i = 0; i < request->count; ++i) {
      WriteWord(static_cast<uint16_t>(request->address + i), request->words[i]);
    }
    Reply("01WSD,OK", out);
    return;
  }
  std::string text = "01RSD,OK";
  for (size_t i = 0; i < request->count; ++i) {
    text += ',';
    text += HexText(ReadWord(static_cast<uint16_t>(request->address + i)));
  }
  Reply(text, out);
}

std::optional<SimChamber::Request> SimChamber::Parse(const std::string& body) {
  // "01" cmd "," cc "," aaaa — 13 characters, then ",wwww" per written word.
  if (body.size() < 13 || body.compare(0, 2, "01") != 0 || body[5] != ',' || body[8] != ',') {
    return std::nullopt;
  }
  Request r;
  const std::string command = body.substr(2, 3);
  if (command != "WSD" && command != "RSD") return std::nullopt;
  r.write = command == "WSD";
  const auto count = DecimalDigits(body, 6, 2);
  const auto address = HexWord(body, 9);
  if (!count || !address) return std::nullopt;
  r.count = *count;
  r.address = *address;
  if (!r.write) {
    // A read of no words has no reply layout; a real controller refuses it too.
    if (r.count == 0 || body.size() != 13) return std::nullopt;
    return r;
  }
  if (body.size() != 13 + 5 * r.count) return std::nullopt;
  for (size_t i = 0; i < r.count; ++i) {
    const size_t at = 13 + 5 * i;
    const auto word = HexWord(body, at + 1);
    if (body[at] != ',' || !word) return std::nullopt;
    r.words.push_back(*word);
  }
  return r;
}

uint16_t SimChamber::ReadWord(uint16_t address) {
  switch (address) {
    case kPresentCelsius:
      return Word(thermal_.MeasuredCelsiusTenths());
    case kSetCelsius:
    case kTargetCelsius:
      return Word(static_cast<int16_t>(std::lround(thermal_.TargetCelsius() * 10)));
    case kPresentHumidity:
      return Word(thermal_.MeasuredHumidityTenths());
    case kSetHumidity:
    case kTargetHumidity:
      return Word(static_cast<int16_t>(std::lround(thermal_.TargetHumidity() * 10)));
    case kStatus:
      return thermal_.Running() ? 1 : 0;
    case kOperation:
      return thermal_.Running() ? kOperationRun : kOperationStop;
    default: {
      const auto it = stored_.find(address);
      return it == stored_.end() ? 0 : it->second;
    }
  }
}

void SimChamber::WriteWord(uint16_t address, uint16_t value) {
  stored_[address] = value;
  switch (address) {
    case kOperation:
      if (value == kOperationRun) thermal_.Run();
      if (value == kOperationStop) thermal_.Stop();
      break;
    case kTargetCelsius:
      thermal_.SetTarget(Tenths(value), thermal_.TargetHumidity());
      break;
    case kTargetHumidity:
      thermal_.SetTarget(thermal_.TargetCelsius(), Tenths(value));
      break;
    case kCelsiusRate:
      thermal_.SetRates(Tenths(value), Tenths(ReadWord(kHumidityRate)));
      break;
    case kHumidityRate:
      thermal_.SetRates(Tenths(ReadWord(kCelsiusRate)), Tenths(value));
      break;
    default:
      break;
  }
}

void SimChamber::Reply(const std::string& text, std::vector<uint8_t>& out) {
  out.push_back(kStx);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back('\r');
  out.push_back('\n');
}

}  // namespace qx::sim
