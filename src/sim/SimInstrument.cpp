#include "sim/SimInstrument.h"

namespace qx::sim {

void SimInstrument::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
  if (faults_.vanished) return;
  sent_.insert(sent_.end(), in.begin(), in.end());
  if (sent_.size() > kSentKept) {
    sent_.erase(sent_.begin(), sent_.end() - static_cast<std::ptrdiff_t>(kSentKept));
  }
  std::vector<uint8_t> answer;
  // A silent device still takes the request, so its state changes as on a broken reply line.
  device_.Feed(in, answer);
  answerLateMs_ = 0;
  if (faults_.silent) return;
  bool garble = faults_.garbled;
  if (!answer.empty()) {
    ++answers_;
    for (const SimAnswerFault& f : answerPlan_) {
      if (f.answer != answers_) continue;
      garble = garble || f.garble;
      answerLateMs_ = std::max(answerLateMs_, f.lateMs);
    }
  }
  if (garble) {
    for (uint8_t& b : answer) b ^= SimInstrumentFaults::kGarbleMask;
  }
  out.insert(out.end(), answer.begin(), answer.end());
}

}  // namespace qx::sim
