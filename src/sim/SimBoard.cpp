#include "sim/SimBoard.h"

namespace qx::sim {

SimBoard::SimBoard(app::Clock& clock, const chip::ChipModel& model)
    : target_(model),
      bridge_(clock, target_),
      hid_(bridge_),
      bulk_(bridge_),
      serial_(target_),
      serialPorts_(serial_) {
  bulk_.SetAbsent(true);
  target_.SetDcLevelVolts(kDemoDcVolts);
  target_.SetInputNoiseNv(kDemoInputNoiseNv);
  target_.SetOutputNoiseCodes(kDemoOutputNoiseCodes);
}

void SimBoard::UseBulkBridge(bool bulk) {
  bulk_.SetAbsent(!bulk);
  hid_.SetBridgeAttached(!bulk);
}

}  // namespace qx::sim
