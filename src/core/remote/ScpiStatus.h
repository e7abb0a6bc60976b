#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace qx::remote {

/// One entry of the error queue: `<code>,"<text>"` on the wire.
struct ScpiError {
  int code = 0;
  std::string text;
};

/// The standard error codes a session queues; positive codes are the bench's own.
namespace error {
inline constexpr int kCommand = -100;
inline constexpr int kSyntax = -102;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kSuffixNotAllowed = -138;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kExecution = -200;
inline constexpr int kCommandProtected = -203;
inline constexpr int kParameter = -220;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kDataStale = -230;
inline constexpr int kQueueOverflow = -350;
inline constexpr int kInputBufferOverrun = -363;
inline constexpr int kQueryInterrupted = -410;
/// The text the standard gives a code; empty for a code it does not name.
const char* StandardText(int code);
}  // namespace error

/// Bits of the standard event status register (`*ESR?`).
namespace esr {
inline constexpr uint8_t kOpc = 0x01;  ///< operation complete, set by `*OPC`
inline constexpr uint8_t kQye = 0x04;  ///< query error (-4xx)
inline constexpr uint8_t kDde = 0x08;  ///< device-dependent error (-3xx and the bench's own)
inline constexpr uint8_t kExe = 0x10;  ///< execution error (-2xx)
inline constexpr uint8_t kCme = 0x20;  ///< command error (-1xx)
}  // namespace esr

/// Bits of the status byte (`*STB?`).
namespace stb {
inline constexpr uint8_t kEav = 0x04;  ///< the error queue is not empty
inline constexpr uint8_t kMav = 0x10;  ///< a reply is waiting to be read
inline constexpr uint8_t kEsb = 0x20;  ///< an event enabled by `*ESE` is set
inline constexpr uint8_t kMss = 0x40;  ///< a bit enabled by `*SRE` is set
}  // namespace stb

/// The error queue and the status registers of one connection.
class ScpiStatus {
 public:
  static constexpr size_t kQueueLength = 16;

  /// Queues an error and sets its event bit. A full queue keeps its oldest entries and turns the
  /// newest into -350, so a client always learns that errors were lost. An empty `text` takes the
  /// standard text of the code.
  void Push(int code, std::string text = {});
  /// Takes the oldest error; `0,"No error"` when there is none.
  ScpiError Next();
  size_t Count() const { return queue_.size(); }

  void SetEvent(uint8_t bits) { esr_ |= bits; }
  /// `*ESR?`: reading clears the register.
  uint8_t TakeEvents();
  /// `*STB?`: computed from the queue, the events and the enables; `mav` when a reply waits.
  uint8_t StatusByte(bool mav) const;
  /// `*CLS`: empties the queue and the event register; the enables stay.
  void Clear();

  uint8_t eventEnable = 0;    ///< `*ESE`
  uint8_t serviceEnable = 0;  ///< `*SRE`; bit 6 is ignored

 private:
  std::deque<ScpiError> queue_;
  uint8_t esr_ = 0;
};

}  // namespace qx::remote
