#include "core/remote/ScpiSession.h"

#include <utility>

#include "core/remote/ScpiCall.h"

namespace qx::remote {

// ---- ScpiCall ----

bool ScpiCall::Count(size_t least, size_t most) {
  if (unit_.params.size() < least) {
    Fail(error::kMissingParameter);
    return false;
  }
  if (unit_.params.size() > most) {
    Fail(error::kParameterNotAllowed);
    return false;
  }
  return true;
}

bool ScpiCall::Need(size_t i) {
  if (i < unit_.params.size()) return true;
  Fail(error::kMissingParameter);
  return false;
}

int ScpiCall::Bound(const ScpiParam& p) {
  if (p.kind != ScpiParam::Kind::Word) return 0;
  if (MnemonicMatches("MINimum", p.text)) return -1;
  return MnemonicMatches("MAXimum", p.text) ? 1 : 0;
}

std::optional<long long> ScpiCall::Integer(size_t i, long long lo, long long hi) {
  if (!Need(i)) return std::nullopt;
  const ScpiParam& p = unit_.params[i];
  if (const int end = Bound(p)) return end < 0 ? lo : hi;
  if (p.kind != ScpiParam::Kind::Number) {
    Fail(error::kParameter);
    return std::nullopt;
  }
  if (!p.suffix.empty()) {
    Fail(error::kSuffixNotAllowed);
    return std::nullopt;
  }
  if (p.value < static_cast<double>(lo) || p.value > static_cast<double>(hi)) {
    Fail(error::kDataOutOfRange);
    return std::nullopt;
  }
  const auto whole = static_cast<long long>(p.value);
  if (static_cast<double>(whole) != p.value) {
    Fail(error::kIllegalParameterValue);
    return std::nullopt;
  }
  return whole;
}

std::optional<double> ScpiCall::Real(size_t i, double lo, double hi, std::string_view unit) {
  if (!Need(i)) return std::nullopt;
  const ScpiParam& p = unit_.params[i];
  if (const int end = Bound(p)) return end < 0 ? lo : hi;
  if (p.kind != ScpiParam::Kind::Number) {
    Fail(error::kParameter);
    return std::nullopt;
  }
  double scale = 1;
  if (!p.suffix.empty()) {
    if (unit.empty()) {
      Fail(error::kSuffixNotAllowed);
      return std::nullopt;
    }
    const auto s = format::SuffixScale(p.suffix, unit);
    if (!s) {
      Fail(error::kInvalidSuffix);
      return std::nullopt;
    }
    scale = *s;
  }
  const double v = p.value * scale;
  if (!(v >= lo && v <= hi)) {
    Fail(error::kDataOutOfRange);
    return std::nullopt;
  }
  return v;
}

std::optional<size_t> ScpiCall::Choice(size_t i, std::initializer_list<std::string_view> choices) {
  if (!Need(i)) return std::nullopt;
  const ScpiParam& p = unit_.params[i];
  if (p.kind == ScpiParam::Kind::Word) {
    size_t k = 0;
    for (const std::string_view c : choices) {
      if (MnemonicMatches(c, p.text)) return k;
      ++k;
    }
  }
  Fail(error::kIllegalParameterValue);
  return std::nullopt;
}

void ScpiCall::Reply(std::string text) {
  reply_ = std::move(text);
}

void ScpiCall::Fail(int code, std::string text) {
  failed_ = true;
  session_.status_.Push(code, std::move(text));
}

uint64_t ScpiCall::Defer() {
  if (deferred_ == 0) deferred_ = session_.NewOperation();
  return deferred_;
}

ScpiDataFormat& ScpiCall::Format() {
  return session_.format_;
}

// ---- the common commands and the required SCPI commands ----

struct ScpiBuiltins {
  static std::optional<uint8_t> Register(ScpiCall& call) {
    if (!call.Count(1, 1)) return std::nullopt;
    const auto v = call.Integer(0, 0, 255);
    if (!v) return std::nullopt;
    return static_cast<uint8_t>(*v);
  }

  static const ScpiCommandTree& Tree() {
    static const ScpiCommandTree tree = [] {
      ScpiCommandTree t;
      using S = ScpiSession;
      auto none = [](ScpiCall& c) { return c.Count(0, 0); };
      t.Add("*IDN?", [none](ScpiCall& c) {
        if (!none(c)) return;
        const ScpiIdentity id = c.Session().device_.Identity();
        c.Reply(id.maker + "," + id.model + "," + id.serial + "," + id.version);
      });
      t.Add("*RST", [none](ScpiCall& c) {
        if (none(c)) c.Session().format_ = {};
      });
      t.Add("*CLS", [none](ScpiCall& c) {
        if (!none(c)) return;
        c.Session().status_.Clear();
        c.Session().opcArmed_ = false;
      });
      t.Add("*ESE", [](ScpiCall& c) {
        if (const auto v = Register(c)) c.Session().status_.eventEnable = *v;
      });
      t.Add("*ESE?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(std::to_string(c.Session().status_.eventEnable));
      });
      t.Add("*ESR?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(std::to_string(c.Session().status_.TakeEvents()));
      });
      t.Add("*SRE", [](ScpiCall& c) {
        if (const auto v = Register(c))
          c.Session().status_.serviceEnable = static_cast<uint8_t>(*v & ~stb::kMss);
      });
      t.Add("*SRE?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(std::to_string(c.Session().status_.serviceEnable));
      });
      t.Add("*STB?", [none](ScpiCall& c) {
        if (!none(c)) return;
        S& s = c.Session();
        const bool mav = !s.replies_.empty() || !s.out_.empty();
        c.Reply(std::to_string(s.status_.StatusByte(mav)));
      });
      t.Add("*OPC", [none](ScpiCall& c) {
        if (!none(c)) return;
        S& s = c.Session();
        if (s.running_.empty())
          s.status_.SetEvent(esr::kOpc);
        else
          s.opcArmed_ = true;
      });
      t.Add("*OPC?", [none](ScpiCall& c) {
        if (!none(c)) return;
        S& s = c.Session();
        if (s.running_.empty())
          c.Reply("1");
        else
          s.hold_ = S::Hold::OpcQuery;
      });
      t.Add("*WAI", [none](ScpiCall& c) {
        if (none(c) && !c.Session().running_.empty()) c.Session().hold_ = S::Hold::Wait;
      });
      t.Add("*TST?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(std::to_string(c.Session().device_.SelfTest()));
      });
      t.Add("SYSTem:ERRor[:NEXT]?", [none](ScpiCall& c) {
        if (!none(c)) return;
        const ScpiError e = c.Session().status_.Next();
        c.Reply(std::to_string(e.code) + "," + format::Quoted(e.text));
      });
      t.Add("SYSTem:ERRor:COUNt?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(std::to_string(c.Session().status_.Count()));
      });
      t.Add("SYSTem:VERSion?", [none](ScpiCall& c) {
        if (none(c)) c.Reply("1999.0");
      });
      t.Add("FORMat[:DATA]", [](ScpiCall& c) {
        if (!c.Count(1, 2)) return;
        const auto type = c.Choice(0, {"ASCii", "INTeger", "REAL"});
        if (!type) return;
        ScpiDataFormat::Type chosen = ScpiDataFormat::Type::Ascii;
        if (*type == 0) {
          if (!c.Count(1, 1)) return;
        } else {
          const long long width = *type == 1 ? 32 : 64;
          if (c.Params().size() == 2) {
            const auto w = c.Integer(1, width, width);
            if (!w) return;
          }
          chosen = *type == 1 ? ScpiDataFormat::Type::Int32 : ScpiDataFormat::Type::Real64;
        }
        c.Format().type = chosen;
      });
      t.Add("FORMat[:DATA]?", [none](ScpiCall& c) {
        if (!none(c)) return;
        switch (c.Format().type) {
          case ScpiDataFormat::Type::Ascii:
            return c.Reply("ASC");
          case ScpiDataFormat::Type::Int32:
            return c.Reply("INT,32");
          case ScpiDataFormat::Type::Real64:
            return c.Reply("REAL,64");
        }
      });
      t.Add("FORMat:BORDer", [](ScpiCall& c) {
        if (!c.Count(1, 1)) return;
        if (const auto order = c.Choice(0, {"NORMal", "SWAPped"})) c.Format().swapped = *order == 1;
      });
      t.Add("FORMat:BORDer?", [none](ScpiCall& c) {
        if (none(c)) c.Reply(c.Format().swapped ? "SWAP" : "NORM");
      });
      return t;
    }();
    return tree;
  }
};

// ---- ScpiSession ----

ScpiSession::ScpiSession(const ScpiCommandTree& commands, ScpiDevice& device)
    : commands_(commands), device_(device) {}

std::string ScpiSession::Feed(std::string_view bytes) {
  for (const char c : bytes) Take(c);
  Run();
  return TakeOutput();
}

void ScpiSession::Take(char c) {
  if (discarding_) {
    if (c == '\n') discarding_ = false;
    return;
  }
  if (frame_ == Frame::Data) {
    if (--blockLeft_ == 0) frame_ = Frame::Text;
  } else if (c == '\n') {
    // An LF ends the message inside a string too: an unclosed quote is a syntax error, not a
    // session that never answers again.
    return EndMessage();
  } else if (frame_ == Frame::Quote) {
    if (c == quote_) frame_ = Frame::Text;
  } else if (frame_ == Frame::Hash && c >= '1' && c <= '9') {
    lengthDigits_ = c - '0';
    blockLeft_ = 0;
    frame_ = Frame::Length;
  } else if (frame_ == Frame::Length && c >= '0' && c <= '9') {
    // A length beyond the message limit ends in the overrun below anyway; the cap keeps it
    // from overflowing.
    if (blockLeft_ <= kMaxMessage) blockLeft_ = blockLeft_ * 10 + static_cast<size_t>(c - '0');
    if (--lengthDigits_ == 0) frame_ = blockLeft_ > 0 ? Frame::Data : Frame::Text;
  } else {
    frame_ = Frame::Text;
    if (c == '"' || c == '\'') {
      quote_ = c;
      frame_ = Frame::Quote;
    } else if (c == '#') {
      frame_ = Frame::Hash;
    }
  }
  message_.push_back(c);
  if (message_.size() > kMaxMessage) {
    message_.clear();
    frame_ = Frame::Text;
    discarding_ = true;
    status_.Push(error::kInputBufferOverrun, "message over 64 KiB dropped");
  }
}

void ScpiSession::EndMessage() {
  if (!message_.empty() && message_.back() == '\r') message_.pop_back();
  frame_ = Frame::Text;
  if (waitingBytes_ + message_.size() > kMaxWaitingInput) {
    status_.Push(error::kInputBufferOverrun, "message dropped while busy");
  } else {
    waitingBytes_ += message_.size();
    waiting_.push_back(std::move(message_));
  }
  message_.clear();
}

void ScpiSession::Run() {
  while (hold_ == Hold::None) {
    if (next_ < units_.size()) {
      RunUnit(units_[next_++]);
      continue;
    }
    if (!units_.empty()) EndResponse();
    if (waiting_.empty()) return;
    const std::string message = std::move(waiting_.front());
    waiting_.pop_front();
    waitingBytes_ -= message.size();
    units_ = ParseScpiMessage(message);
    next_ = 0;
  }
}

void ScpiSession::RunUnit(const ScpiUnit& unit) {
  if (unit.error != 0) {
    status_.Push(unit.error);
    next_ = units_.size();
    return;
  }
  const ScpiHandler* handler = ScpiBuiltins::Tree().Find(unit);
  if (!handler) handler = commands_.Find(unit);
  if (!handler) {
    status_.Push(error::kUndefinedHeader, unit.header);
    next_ = units_.size();
    return;
  }
  ScpiCall call(*this, unit);
  (*handler)(call);
  if (call.Deferred()) {
    running_.insert(call.DeferredId());
    if (unit.query && !call.Failed()) {
      hold_ = Hold::Query;
      heldBy_ = call.DeferredId();
    }
    return;
  }
  if (call.ReplyText()) Reply(*call.ReplyText());
}

void ScpiSession::Reply(std::string text) {
  replies_.push_back(std::move(text));
}

void ScpiSession::EndResponse() {
  units_.clear();
  next_ = 0;
  if (replies_.empty()) return;
  for (size_t i = 0; i < replies_.size(); ++i) {
    if (i > 0) out_.push_back(';');
    out_ += replies_[i];
  }
  out_.push_back('\n');
  replies_.clear();
}

uint64_t ScpiSession::NewOperation() {
  return ++lastId_;
}

void ScpiSession::AllDone() {
  if (!running_.empty()) return;
  if (opcArmed_) {
    status_.SetEvent(esr::kOpc);
    opcArmed_ = false;
  }
  if (hold_ == Hold::Wait) hold_ = Hold::None;
  if (hold_ == Hold::OpcQuery) {
    Reply("1");
    hold_ = Hold::None;
  }
}

std::string ScpiSession::Complete(uint64_t id, std::string reply) {
  if (running_.erase(id) == 0) return {};
  if (hold_ == Hold::Query && heldBy_ == id) {
    Reply(std::move(reply));
    hold_ = Hold::None;
  }
  AllDone();
  Run();
  return TakeOutput();
}

std::string ScpiSession::Fail(uint64_t id, int code, std::string text) {
  if (running_.erase(id) == 0) return {};
  status_.Push(code, std::move(text));
  if (hold_ == Hold::Query && heldBy_ == id) hold_ = Hold::None;
  AllDone();
  Run();
  return TakeOutput();
}

void ScpiSession::DeviceClear() {
  const bool replyLost = hold_ == Hold::Query || hold_ == Hold::OpcQuery || !replies_.empty();
  if (replyLost) status_.Push(error::kQueryInterrupted);
  message_.clear();
  frame_ = Frame::Text;
  discarding_ = false;
  waiting_.clear();
  waitingBytes_ = 0;
  units_.clear();
  next_ = 0;
  replies_.clear();
  hold_ = Hold::None;
  running_.clear();
  opcArmed_ = false;
  out_.clear();
}

std::string ScpiSession::TakeOutput() {
  return std::exchange(out_, {});
}

}  // namespace qx::remote
