#include "core/instruments/ChamberFrame.h"

namespace qx::instruments {
namespace {

constexpr char kStation[] = "01";

void AppendHex4(std::string& out, uint16_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

/// At least two decimal digits, as the controller's count field wants them.
void AppendCount(std::string& out, size_t count) {
  const std::string digits = std::to_string(count);
  if (digits.size() < 2) out += '0';
  out += digits;
}

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Header(const char* command, size_t count, uint16_t address) {
  std::string frame(1, static_cast<char>(ChamberFrame::kStx));
  frame += kStation;
  frame += command;
  frame += ',';
  AppendCount(frame, count);
  frame += ',';
  AppendHex4(frame, address);
  return frame;
}

}  // namespace

std::string ChamberFrame::Write(uint16_t address, std::span<const int16_t> words) {
  std::string frame = Header("WSD", words.size(), address);
  for (const int16_t word : words) {
    frame += ',';
    AppendHex4(frame, static_cast<uint16_t>(word));
  }
  frame += "\r\n";
  return frame;
}

std::string ChamberFrame::Read(uint16_t address, uint8_t count) {
  std::string frame = Header("RSD", count, address);
  frame += "\r\n";
  return frame;
}

bool ChamberFrame::IsOk(std::span<const uint8_t> reply) {
  return reply.size() >= 9 && reply[0] == kStx && reply[7] == 'O' && reply[8] == 'K';
}

int ChamberFrame::DataWord(std::span<const uint8_t> reply, size_t k) {
  const size_t at = 10 + 5 * k;
  if (k > reply.size() || reply.size() < at + 4) return 0;
  int word = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int digit = HexDigit(reply[i]);
    if (digit < 0) return 0;
    word = word * 16 + digit;
  }
  // The controller's words are 16-bit two's complement; 0x8000 itself stays positive.
  return word > 32768 ? word - 65536 : word;
}

}  // namespace qx::instruments
