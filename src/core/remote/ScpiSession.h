#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/remote/ScpiCommandTree.h"
#include "core/remote/ScpiDevice.h"
#include "core/remote/ScpiFormat.h"
#include "core/remote/ScpiParser.h"
#include "core/remote/ScpiStatus.h"

namespace qx::remote {

/// One connection's SCPI session: bytes in, bytes out. It frames messages at LF (a CR before it
/// is dropped; an LF inside a definite-length block is data), runs the common commands, the
/// required SCPI commands and the instrument's own table, and keeps this connection's error
/// queue, status registers and data format. Nothing here blocks: a command whose work takes
/// longer defers its completion to the event loop (`Complete`, `Fail`), and input that arrives
/// meanwhile waits in order.
class ScpiSession {
 public:
  /// A message longer than this is dropped up to its LF with -363 queued.
  static constexpr size_t kMaxMessage = 64 * 1024;
  /// Input kept while a deferred query holds execution; beyond it, messages are dropped (-363).
  static constexpr size_t kMaxWaitingInput = 4 * kMaxMessage;

  /// `commands` and `device` outlive the session; `commands` is shared by every connection.
  ScpiSession(const ScpiCommandTree& commands, ScpiDevice& device);

  /// Takes received bytes, runs every complete message that may run, returns reply bytes.
  std::string Feed(std::string_view bytes);
  /// Ends deferred operation `id` successfully; `reply` is its query's reply. Ids that are not
  /// running (ended already, or dropped by `DeviceClear`) are ignored.
  std::string Complete(uint64_t id, std::string reply = {});
  /// Ends deferred operation `id` with an error queued instead of a reply.
  std::string Fail(uint64_t id, int code, std::string text = {});
  /// Drops unread input, waiting replies and the wait for running operations (their later
  /// completions are ignored); a query whose reply is lost queues -410.
  void DeviceClear();

  /// Execution waits for a deferred operation (a deferred query, `*WAI` or `*OPC?`).
  bool Holding() const { return hold_ != Hold::None; }
  size_t Running() const { return running_.size(); }
  ScpiStatus& Status() { return status_; }
  ScpiDataFormat& Format() { return format_; }

 private:
  friend class ScpiCall;
  friend struct ScpiBuiltins;
  enum class Hold { None, Query, Wait, OpcQuery };
  enum class Frame { Text, Quote, Hash, Length, Data };

  void Take(char c);
  void EndMessage();
  void Run();
  void RunUnit(const ScpiUnit& unit);
  void EndResponse();
  void Reply(std::string text);
  void AllDone();
  uint64_t NewOperation();
  std::string TakeOutput();

  const ScpiCommandTree& commands_;
  ScpiDevice& device_;
  ScpiStatus status_;
  ScpiDataFormat format_;

  // Framing of the input.
  std::string message_;
  Frame frame_ = Frame::Text;
  char quote_ = 0;
  int lengthDigits_ = 0;
  size_t blockLeft_ = 0;
  bool discarding_ = false;
  std::deque<std::string> waiting_;
  size_t waitingBytes_ = 0;

  // The message being run.
  std::vector<ScpiUnit> units_;
  size_t next_ = 0;
  std::vector<std::string> replies_;  ///< response units of the message so far

  Hold hold_ = Hold::None;
  uint64_t heldBy_ = 0;
  std::set<uint64_t> running_;
  uint64_t lastId_ = 0;
  bool opcArmed_ = false;  ///< `*OPC` sets the OPC bit when the running operations end
  std::string out_;
};

}  // namespace qx::remote
