#include "sim/SimBridge.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace qx::sim {

namespace {
// Trailer of the one-shot conversion frame (P k f aL aH F0 00 08 64).
constexpr std::array<uint8_t, 4> kOneShotTrailer{0xF0, 0x00, 0x08, 0x64};
constexpr std::array<uint8_t, 6> kUartProbe{0xC0, 0x00, 0x00, 0x06, 0x81, 0x02};
}  // namespace

/// A request frame whose missing trailing bytes read as 0 (a short bulk write).
struct SimBridge::Request {
  std::span<const uint8_t> bytes;
  uint8_t operator[](size_t i) const { return i < bytes.size() ? bytes[i] : 0; }
  uint16_t Word(size_t i) const {
    return static_cast<uint16_t>((*this)[i] | ((*this)[i + 1] << 8));
  }
  /// Data bytes from `at` on, at most `count`, limited to what was sent.
  std::span<const uint8_t> Data(size_t at, size_t count) const {
    if (at >= bytes.size()) return {};
    return bytes.subspan(at, std::min(count, bytes.size() - at));
  }
};

template <size_t N>
bool SimBridge::Matches(const Request& rq, const std::array<uint8_t, N>& bytes, size_t at) {
  for (size_t i = 0; i < N; ++i) {
    if (rq[at + i] != bytes[i]) return false;
  }
  return true;
}

SimBridge::SimBridge(base::Clock& clock, SimTarget& target) : clock_(clock), target_(target) {}

std::vector<uint8_t> SimBridge::Answer(std::span<const uint8_t> request) {
  const Request rq{request};
  std::vector<uint8_t> reply(kReplySize, 0);
  UpdateStream();
  if (targetProgram_) targetProgram_();
  switch (rq[0]) {
    case 0xF9:
    case 0xC5:
    case 0xB5:
      Bridge(rq, reply);
      break;
    case 0xBC:
    case 0xB1:
      Kind1(rq, reply);
      break;
    case 0xBD:
    case 0xBB:
      if (IsOneShot(rq)) {
        OneShot(reply);
      } else {
        ++unknownFrames_;
      }
      break;
    case 0xBE:
    case 0xBA:
      if (IsOneShot(rq)) {
        OneShot(reply);
      } else {
        Kind2(rq, reply);
      }
      break;
    case 0xC1:
      Kind4(rq, reply);
      break;
    case 0xC4:
      Kind5(rq, reply);
      break;
    case 0xC0:
      if (Matches(rq, kUartProbe, 0)) {
        reply[0] = kAck;
      } else {
        ++unknownFrames_;
      }
      break;
    default:
      ++unknownFrames_;
      break;
  }
  if (targetProgram_) targetProgram_();
  // A register write may have changed the output rate: restart the time line from here.
  UpdateStream();
  return reply;
}

void SimBridge::Bridge(const Request& rq, std::vector<uint8_t>& reply) {
  auto putWord = [&reply](uint16_t w) {
    reply[0] = static_cast<uint8_t>(w & 0xFF);
    reply[1] = static_cast<uint8_t>(w >> 8);
  };
  if (rq[0] == 0xC5 && rq[1] == 0xFF) {
    // Initialisation handshake: the host does not look at the answer.
    reply[0] = 0xC5;
    reply[1] = 0xFF;
    reply[2] = rq[2];
    return;
  }
  if (rq[0] == 0xB5 && rq[1] == 0x07) {
    reply[0] = 0xB5;
    std::copy(status_.begin(), status_.end(), reply.begin() + 1);
    return;
  }
  if (rq[0] != 0xF9) {
    ++unknownFrames_;
    return;
  }
  const uint16_t param = rq.Word(2);
  switch (rq[1]) {
    case 0x02:  // claim test
      putWord(ClaimWord());
      break;
    case 0x01:  // claim with the host's word; 0xFFFF releases
      if (param == kFreeWord) {
        claimed_ = false;
        claimWord_ = kFreeWord;
      } else {
        claimed_ = true;
        claimWord_ = param;
      }
      putWord(param);
      break;
    case 0x04:  // open the target side
    case 0x06:  // open the HID side
      putWord(param);
      break;
    case 0xAC:
      if (claimed_) std::copy_n(kIdentity, 8, reply.begin());
      break;
    case 0x05: {
      const size_t n = std::min<size_t>(firmwareName_.size(), 8);
      std::copy_n(firmwareName_.begin(), n, reply.begin());
      std::fill(reply.begin() + static_cast<std::ptrdiff_t>(n), reply.begin() + 8, ' ');
      break;
    }
    default:
      ++unknownFrames_;
      break;
  }
}

void SimBridge::MemoryRead(uint16_t address, size_t count, size_t at, std::vector<uint8_t>& reply) {
  if (reply.size() < at + count) reply.resize(at + count, 0);
  target_.ReadMemory(address, std::span<uint8_t>(reply).subspan(at, count));
}

// Link kind 1: BC/B1, C0 (read) or 40 (write), addr lo, addr hi, cnt, data...
void SimBridge::Kind1(const Request& rq, std::vector<uint8_t>& reply) {
  const uint16_t address = rq.Word(2);
  const size_t count = rq[4];
  if (rq[1] == 0xC0) {
    MemoryRead(address, count, 0, reply);
  } else if (rq[1] == 0x40) {
    target_.WriteMemory(address, rq.Data(5, count));
    reply[0] = kAck;
  } else {
    ++unknownFrames_;
  }
}

// Link kind 2: BE/BA, S, addr lo, cnt, cnt, data... The second byte is C0 / 40 on the 7R402
// and 7R411, otherwise bit 7 marks a read and bits 2..6 carry bits 0..4 of the address high
// byte. C0 and 40 decode as high byte 16 in the second form, which lies beyond the 1024 bytes
// of memory, so both read as high byte 0.
void SimBridge::Kind2(const Request& rq, std::vector<uint8_t>& reply) {
  const uint8_t s = rq[1];
  const bool read = (s & 0x80) != 0;
  const uint8_t high = (s == 0xC0 || s == 0x40) ? 0 : static_cast<uint8_t>((s & 0x7C) >> 2);
  if ((s & 0x03) != 0) {
    ++unknownFrames_;
    return;
  }
  const uint16_t address = static_cast<uint16_t>(rq[2] | (high << 8));
  const size_t count = rq[3];
  if (read) {
    MemoryRead(address, count, 0, reply);
  } else {
    target_.WriteMemory(address, rq.Data(5, count));
    reply[0] = kAck;
  }
}

// Link kind 4: C1, 80 (read) or 00 (write), addr lo, addr hi, cnt, data...
void SimBridge::Kind4(const Request& rq, std::vector<uint8_t>& reply) {
  const uint16_t address = rq.Word(2);
  const size_t count = rq[4];
  if (rq[1] == 0x80) {
    MemoryRead(address, count, 0, reply);
    if (reply.size() < count + 1) reply.resize(count + 1, 0);
    reply[count] = kOk;
  } else if (rq[1] == 0x00) {
    target_.WriteMemory(address, rq.Data(5, count));
    reply[0] = kAck;
  } else {
    ++unknownFrames_;
  }
}

// Link kind 5 and the ADC stream: C4 01 A0 (register read), C4 00 A0 (register write),
// C4 02 (start), C4 04 (poll), C4 03 (stop).
void SimBridge::Kind5(const Request& rq, std::vector<uint8_t>& reply) {
  switch (rq[1]) {
    case 0x01: {
      if (rq[2] != 0xA0) break;
      const uint8_t address = rq[3];
      const size_t count = std::min<size_t>(rq[4], kReplySize - 1);
      reply[0] = kOk;
      if (address == 5) {
        // Conversion result register: one fresh conversion, most significant byte first.
        const uint32_t raw = target_.ConvertRaw();
        const std::array<uint8_t, 3> bytes{static_cast<uint8_t>(raw >> 16),
                                           static_cast<uint8_t>(raw >> 8),
                                           static_cast<uint8_t>(raw)};
        std::copy_n(bytes.begin(), std::min<size_t>(count, 3), reply.begin() + 1);
      } else if (address == 6) {
        const uint16_t w = target_.TemperatureWord();
        const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)};
        std::copy_n(bytes.begin(), std::min<size_t>(count, 2), reply.begin() + 1);
      } else {
        for (size_t i = 0; i < count; ++i) reply[1 + i] = target_.Register(address + i);
      }
      return;
    }
    case 0x00: {
      if (rq[2] != 0xA0) break;
      const uint8_t address = rq[3];
      const std::span<const uint8_t> data = rq.Data(7, rq[4]);
      for (size_t i = 0; i < data.size(); ++i) target_.SetRegister(address + i, data[i]);
      reply[0] = kOk;
      return;
    }
    case 0x02:
      StartStream(rq[2]);
      reply[0] = kOk;
      return;
    case 0x04: {
      const size_t k = std::min(queue_.size(), kMaxResultsPerPoll);
      reply[0] = static_cast<uint8_t>(k);
      for (size_t j = 0; j < k; ++j) {
        const uint32_t r = queue_.front();
        queue_.pop_front();
        reply[1 + 3 * j] = static_cast<uint8_t>(r >> 16);
        reply[2 + 3 * j] = static_cast<uint8_t>(r >> 8);
        reply[3 + 3 * j] = static_cast<uint8_t>(r);
      }
      return;
    }
    case 0x03:
      streaming_ = false;
      queue_.clear();
      reply[0] = kOk;
      return;
    default:
      break;
  }
  ++unknownFrames_;
}

bool SimBridge::IsOneShot(const Request& rq) const {
  return rq[1] <= 1 && Matches(rq, kOneShotTrailer, 5);
}

void SimBridge::OneShot(std::vector<uint8_t>& reply) {
  reply[0] = kOk;
  for (size_t r = 0; r < 2; ++r) {
    const uint32_t raw = target_.ConvertRaw();
    for (size_t b = 0; b < 3; ++b) reply[1 + 3 * r + b] = static_cast<uint8_t>(raw >> (8 * b));
  }
}

void SimBridge::StartStream(uint8_t mode) {
  streaming_ = true;
  streamMode_ = mode;
  queue_.clear();
  produced_ = 0;
  segmentBase_ = 0;
  segmentStartMs_ = clock_.NowMs();
  segmentRate_ = target_.OutputRateSps();
}

uint32_t SimBridge::StreamResult() {
  // Mode 2 streams the temperature sensor: a 16-bit word in the two high bytes.
  if (streamMode_ == 2) return static_cast<uint32_t>(target_.TemperatureWord()) << 8;
  return target_.ConvertRaw();
}

void SimBridge::UpdateStream() {
  if (!streaming_) return;
  const double now = clock_.NowMs();
  const double elapsed = std::max(0.0, now - segmentStartMs_);
  const auto due =
      segmentBase_ + static_cast<uint64_t>(std::floor(elapsed * segmentRate_ / 1000.0 + 1e-9));
  if (due > produced_) {
    uint64_t fresh = due - produced_;
    const uint64_t room = kStreamQueueCapacity - queue_.size();
    if (fresh > room) {
      lost_ += fresh - room;
      fresh = room;
    }
    for (uint64_t i = 0; i < fresh; ++i) queue_.push_back(StreamResult());
    produced_ = due;
  }
  const double rate = target_.OutputRateSps();
  if (rate != segmentRate_) {
    segmentStartMs_ = now;
    segmentRate_ = rate;
    segmentBase_ = produced_;
  }
}

size_t SimBridge::QueuedResults() {
  UpdateStream();
  return queue_.size();
}

bool SimBridge::Fail(int error) {
  lastError_ = error;
  return false;
}

bool SimBridge::CountTransfer() {
  if (!failAfter_) return true;
  if (*failAfter_ == 0) {
    failAfter_.reset();
    return false;
  }
  --*failAfter_;
  return true;
}

bool SimBridge::ArmPlannedFaults() {
  bool transfer = true;
  for (const SimFault& f : plan_) {
    if (f.at != requestCount_) continue;
    switch (f.kind) {
      case SimFault::Kind::Drop:
        dropNext_ = true;
        break;
      case SimFault::Kind::Corrupt:
        corruptNext_ = true;
        break;
      case SimFault::Kind::Late:
        delayNextMs_ = f.ms;
        break;
      case SimFault::Kind::Fail:
        transfer = false;
        break;
      case SimFault::Kind::Unplug:
        Unplug(f.ms > 0 ? std::optional<double>(f.ms) : std::nullopt);
        transfer = false;
        break;
      case SimFault::Kind::Garble:
      case SimFault::Kind::Slow:
        break;  // faults of the instrument lines
    }
  }
  return transfer;
}

bool SimBridge::Receive(std::span<const uint8_t> request) {
  if (!Present()) return Fail(ENODEV);
  ++requestCount_;
  if (!ArmPlannedFaults()) return Fail(present_ ? EIO : ENODEV);
  if (!CountTransfer()) return Fail(EIO);
  if (requests_.size() >= 2 * kRequestsKept)
    requests_.erase(requests_.begin(),
                    requests_.end() - static_cast<std::ptrdiff_t>(kRequestsKept));
  requests_.emplace_back(request.begin(), request.end());
  std::vector<uint8_t> reply = Answer(request);
  if (dropNext_) {
    dropNext_ = false;
    pending_.reset();
  } else {
    pending_ = std::move(reply);
  }
  return true;
}

bool SimBridge::Send(std::span<uint8_t> out, size_t& returned) {
  returned = 0;
  if (!Present()) return Fail(ENODEV);
  if (!CountTransfer()) return Fail(EIO);
  if (!pending_) {
    clock_.WaitMs(kReadTimeoutMs);
    return Fail(ETIMEDOUT);
  }
  std::vector<uint8_t> reply = std::move(*pending_);
  pending_.reset();
  if (delayNextMs_ > 0) {
    const double delay = delayNextMs_;
    delayNextMs_ = 0;
    clock_.WaitMs(std::min(delay, kReadTimeoutMs));
    if (delay >= kReadTimeoutMs) return Fail(ETIMEDOUT);
  }
  if (corruptNext_) {
    corruptNext_ = false;
    for (uint8_t& b : reply) b = static_cast<uint8_t>(~b);
  }
  returned = std::min(out.size(), reply.size());
  std::copy_n(reply.begin(), returned, out.begin());
  return true;
}

void SimBridge::ClearFaults() {
  dropNext_ = false;
  corruptNext_ = false;
  delayNextMs_ = 0;
  failAfter_.reset();
}

void SimBridge::HostClosed() {
  claimed_ = false;
  claimWord_ = kFreeWord;
  streaming_ = false;
  queue_.clear();
  pending_.reset();
}

void SimBridge::Unplug(std::optional<double> backAfterMs) {
  present_ = false;
  replugAtMs_.reset();
  if (backAfterMs) replugAtMs_ = clock_.NowMs() + *backAfterMs;
  ++generation_;
  claimed_ = false;
  claimWord_ = kFreeWord;
  streaming_ = false;
  queue_.clear();
  pending_.reset();
}

void SimBridge::Replug() {
  present_ = true;
  replugAtMs_.reset();
}

bool SimBridge::Present() {
  if (!present_ && replugAtMs_ && clock_.NowMs() >= *replugAtMs_) Replug();
  return present_;
}

}  // namespace qx::sim
