#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/remote/ScpiFormat.h"
#include "core/remote/ScpiParser.h"
#include "core/remote/ScpiStatus.h"

namespace qx::remote {

class ScpiSession;

/// One command as its handler sees it: the parameters with checks that queue the standard error
/// when they fail, and the ways to answer: a reply now, an error, or a completion later.
class ScpiCall {
 public:
  ScpiCall(ScpiSession& session, const ScpiUnit& unit) : session_(session), unit_(unit) {}

  const std::vector<ScpiParam>& Params() const { return unit_.params; }
  /// -109 with fewer than `least` parameters, -108 with more than `most`.
  bool Count(size_t least, size_t most);
  /// A whole number in lo..hi: -220 for no number, -138 for a suffix, -224 for a fraction,
  /// -222 out of range. MINimum and MAXimum stand for lo and hi, here and in `Real`.
  std::optional<long long> Integer(size_t i, long long lo, long long hi);
  /// A number in lo..hi, scaled by its suffix as a multiple of `unit` (-131 for another unit;
  /// -138 for any suffix when `unit` is empty).
  std::optional<double> Real(size_t i, double lo, double hi, std::string_view unit = {});
  /// Position of the word among `choices` (standard notation), -224 when it is none of them.
  std::optional<size_t> Choice(size_t i, std::initializer_list<std::string_view> choices);

  /// The reply of a query (one response unit).
  void Reply(std::string text);
  /// Queues an error; an empty text takes the standard one.
  void Fail(int code, std::string text = {});
  /// The command goes on after the handler returns; the event loop ends it with
  /// `ScpiSession::Complete` or `ScpiSession::Fail` and this id. A deferred query holds the
  /// commands after it until then; a deferred command lets them run (`*WAI` and `*OPC?` wait).
  uint64_t Defer();

  ScpiDataFormat& Format();
  ScpiSession& Session() { return session_; }

  bool Failed() const { return failed_; }
  bool Deferred() const { return deferred_ != 0; }
  uint64_t DeferredId() const { return deferred_; }
  const std::optional<std::string>& ReplyText() const { return reply_; }

 private:
  bool Need(size_t i);
  /// -1 for the word MINimum, 1 for MAXimum, else 0.
  static int Bound(const ScpiParam& p);

  ScpiSession& session_;
  const ScpiUnit& unit_;
  std::optional<std::string> reply_;
  bool failed_ = false;
  uint64_t deferred_ = 0;
};

}  // namespace qx::remote
