#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/Clock.h"
#include "sim/SimFaultPlan.h"
#include "sim/SimTarget.h"

namespace qx::sim {

/// The USB bridge firmware as a frame engine: each request frame (the 64 data bytes of a HID
/// report, or the bytes of a bulk write) produces the reply that the next read returns. It owns
/// the claim state, the ADC stream buffer and the fault injection; the target it reaches is a
/// SimTarget. Single-threaded, like the link that drives it.
class SimBridge {
 public:
  static constexpr size_t kReplySize = 64;
  static constexpr size_t kMaxResultsPerPoll = 21;
  /// Results the firmware buffers between polls; later ones are lost until the host polls.
  static constexpr size_t kStreamQueueCapacity = 4096;
  /// A read that gets no reply fails after this long, like the HID library's read.
  static constexpr double kReadTimeoutMs = 1000;
  static constexpr uint16_t kFreeWord = 0xFFFF;
  static constexpr uint8_t kOk = 0xFA;
  static constexpr uint8_t kAck = 0xAA;
  static constexpr char kIdentity[] = "Quorvane";

  SimBridge(base::Clock& clock, SimTarget& target);

  /// Runs one request frame through the firmware and returns its reply (at least 64 bytes;
  /// longer for memory reads of more than 63 bytes). Request bytes not given read as 0.
  std::vector<uint8_t> Answer(std::span<const uint8_t> request);

  // Transfers, as the HID and bulk backends see them. Both count for FailAfterTransfers.
  /// Host to bridge: the request is recorded and answered; the reply waits for Send.
  bool Receive(std::span<const uint8_t> request);
  /// Bridge to host: copies the pending reply (up to out.size() bytes); `returned` is the count.
  /// Fails after kReadTimeoutMs on the clock when no reply is pending.
  bool Send(std::span<uint8_t> out, size_t& returned);
  /// errno-style code of the last failed transfer, 0 when none failed yet.
  int LastError() const { return lastError_; }

  // Identity and status.
  void SetFirmwareName(const std::string& name) { firmwareName_ = name; }
  const std::string& FirmwareName() const { return firmwareName_; }
  /// Bytes 1..3 of the B5 07 reply. The default sets both completion bits (0x10 and 0x20).
  void SetStatusBytes(const std::array<uint8_t, 3>& bytes) { status_ = bytes; }
  const std::array<uint8_t, 3>& StatusBytes() const { return status_; }
  /// The target's own program, run before and after every frame (its main loop between host
  /// accesses).
  void SetTargetProgram(std::function<void()> step) { targetProgram_ = std::move(step); }
  bool Claimed() const { return claimed_; }
  /// Word answered to F9 02: 0xFFFF while free, else the parameter of the claiming F9 01.
  uint16_t ClaimWord() const { return claimed_ ? claimWord_ : kFreeWord; }

  // ADC stream.
  bool Streaming() const { return streaming_; }
  uint8_t StreamMode() const { return streamMode_; }
  /// Results buffered now (brings the stream up to the clock first).
  size_t QueuedResults();
  /// Results lost because the buffer was full.
  uint64_t LostResults() const { return lost_; }

  // Fault injection.
  /// The next request is executed but its reply is lost: the read times out.
  void DropNextReply() { dropNext_ = true; }
  /// The next reply arrives with every byte inverted.
  void CorruptNextReply() { corruptNext_ = true; }
  /// The next reply comes `ms` late (the clock advances); from kReadTimeoutMs on the read fails.
  void DelayNextReply(double ms) { delayNextMs_ = ms; }
  /// `n` more transfers succeed, the one after fails (once).
  void FailAfterTransfers(unsigned n) { failAfter_ = n; }
  void ClearFaults();
  /// Faults armed by request number (see SimFaultPlan); they stay after ClearFaults.
  void SetFaultPlan(std::vector<SimFault> plan) { plan_ = std::move(plan); }
  /// Requests received since the board was made; the numbers of the fault plan count these.
  unsigned long RequestCount() const { return requestCount_; }
  /// The device leaves the bus: every open and transfer fails, claim and stream are lost.
  /// With `backAfterMs` it comes back by itself once that much time has passed on the clock.
  void Unplug(std::optional<double> backAfterMs = std::nullopt);
  /// The host that held the claim closed its last handle: the bridge is free again, as after
  /// a release frame, so a host that lost a transfer can claim it anew.
  void HostClosed();
  /// The device comes back, unclaimed; handles opened before the unplug stay dead.
  void Replug();
  /// On the bus (an unplug with a time ends here once its time is up).
  bool Present();
  /// Bumped on every unplug so backends can tell stale handles.
  uint32_t Generation() const { return generation_; }

  /// A long run keeps at least this many of the latest requests in Requests(): an overnight
  /// temperature run makes millions, which the transcript must not hold.
  static constexpr size_t kRequestsKept = 64 * 1024;
  // Transcript of the requests received, in order: all of them up to 2 x kRequestsKept, then
  // the oldest half is dropped.
  const std::vector<std::vector<uint8_t>>& Requests() const { return requests_; }
  void ClearRequests() { requests_.clear(); }
  /// Requests that matched no frame of the firmware (answered with 64 zero bytes).
  size_t UnknownFrames() const { return unknownFrames_; }

 private:
  struct Request;
  template <size_t N>
  static bool Matches(const Request& rq, const std::array<uint8_t, N>& bytes, size_t at);
  void Bridge(const Request& rq, std::vector<uint8_t>& reply);
  void Kind1(const Request& rq, std::vector<uint8_t>& reply);
  void Kind2(const Request& rq, std::vector<uint8_t>& reply);
  void Kind4(const Request& rq, std::vector<uint8_t>& reply);
  void Kind5(const Request& rq, std::vector<uint8_t>& reply);
  void OneShot(std::vector<uint8_t>& reply);
  bool IsOneShot(const Request& rq) const;
  void MemoryRead(uint16_t address, size_t count, size_t at, std::vector<uint8_t>& reply);
  void StartStream(uint8_t mode);
  void UpdateStream();
  uint32_t StreamResult();
  bool Fail(int error);
  bool CountTransfer();
  /// Arms the faults planned for the request about to be received; false when the plan
  /// fails the transfer itself.
  bool ArmPlannedFaults();

  base::Clock& clock_;
  SimTarget& target_;
  std::string firmwareName_ = "QXBRIDGE";
  std::array<uint8_t, 3> status_{0x30, 0x00, 0x00};
  std::function<void()> targetProgram_;
  bool claimed_ = false;
  uint16_t claimWord_ = kFreeWord;

  bool streaming_ = false;
  uint8_t streamMode_ = 0;
  double segmentStartMs_ = 0;  ///< start of the stretch run at segmentRate_
  double segmentRate_ = 0;     ///< samples per second
  uint64_t segmentBase_ = 0;   ///< results due when the stretch started
  uint64_t produced_ = 0;      ///< results converted since the stream started
  uint64_t lost_ = 0;
  std::deque<uint32_t> queue_;

  std::optional<std::vector<uint8_t>> pending_;
  bool present_ = true;
  uint32_t generation_ = 0;
  bool dropNext_ = false;
  bool corruptNext_ = false;
  double delayNextMs_ = 0;
  std::optional<unsigned> failAfter_;
  std::vector<SimFault> plan_;
  unsigned long requestCount_ = 0;
  std::optional<double> replugAtMs_;
  int lastError_ = 0;
  std::vector<std::vector<uint8_t>> requests_;
  size_t unknownFrames_ = 0;
};

}  // namespace qx::sim
