#include "core/instruments/MeterFrame.h"

#include <array>
#include <charconv>
#include <cmath>

namespace qx::instruments {
namespace {

constexpr std::array<uint8_t, 8> kRequest{MeterFrame::kDle, MeterFrame::kStx, 0, 0, 0, 0,
                                          MeterFrame::kDle, MeterFrame::kEtx};

size_t FindPair(std::span<const uint8_t> bytes, uint8_t second) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == MeterFrame::kDle && bytes[i + 1] == second) return i;
  }
  return MeterFrame::npos;
}

bool IsDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}

/// The display text as a number, independent of the locale; false unless all of it converts.
/// A display shows digits, a sign and a point only: a garbled "3989e299" is no reading.
bool ParseReading(std::span<const uint8_t> text, double& value) {
  std::array<char, 16> compact{};
  size_t length = 0;
  for (const uint8_t c : text) {
    if (c != ' ') compact[length++] = static_cast<char>(c);
  }
  const char* first = compact.data();
  const char* last = compact.data() + length;
  if (first != last && *first == '+') ++first;  // from_chars takes no plus sign
  if (first == last) return false;
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
  return ec == std::errc() && end == last;
}

}  // namespace

std::span<const uint8_t, 8> MeterFrame::Request() {
  return kRequest;
}

size_t MeterFrame::FindStart(std::span<const uint8_t> bytes) {
  return FindPair(bytes, kStx);
}

size_t MeterFrame::FindEnd(std::span<const uint8_t> bytes) {
  return FindPair(bytes, kEtx);
}

MeterReading MeterFrame::Decode(std::span<const uint8_t> reply) {
  MeterReading reading;
  if (reply.size() < kReplyLength) {
    reading.error = true;
    return reading;
  }
  reading.flagA = reply[4];
  reading.flagB = reply[5];
  reading.negative = reply[8] == '-';
  for (size_t i = 9; i <= 15; ++i) {
    if (reply[i] == '.') {
      if (reading.pointPosition < 0) reading.pointPosition = static_cast<int>(i - 9);
    } else if (reply[i] != ' ') {
      reading.digits += static_cast<char>(reply[i]);
    }
  }
  reading.exponentPositive = reply[17] == '+';

  // Overload ("OL") and blank displays carry letters here: no reading, but no fault either.
  if (!IsDigit(reply[9])) return reading;

  double value = 0;
  if (!ParseReading(reply.subspan(8, 8), value) || !IsDigit(reply[18])) {
    reading.error = true;
    return reading;
  }
  for (int e = reply[18] - '0'; e > 0; --e)
    value = reading.exponentPositive ? value * 10 : value / 10;
  if (!std::isfinite(value)) {
    reading.error = true;
    return reading;
  }
  reading.value = value;
  return reading;
}

std::string MeterFrame::UnitText(uint8_t flagA, uint8_t flagB) {
  std::string unit;
  if (flagA & 0x01) unit += "AC ";
  if ((flagA & 0x02) && !(flagA & 0x80)) unit += "DC ";
  if (flagA & 0x04) unit += "V";
  if (flagA & 0x08) unit += "F";
  if (flagA & 0x10) unit += "D";
  if (flagA & 0x20) unit += "℃";
  if (flagA & 0x40) unit += "℉";
  if (flagA & 0x80) unit += "Ω";
  if (flagB & 0x02) unit += "A";
  if (flagB & 0x04) unit += "Hz";
  if (flagB & 0x08) unit += "%";
  if (flagB & 0x20) unit += "dB";
  return unit;
}

}  // namespace qx::instruments
