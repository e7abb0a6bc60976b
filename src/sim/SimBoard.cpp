#include "sim/SimBoard.h"

namespace qx::sim {

SimBoard::SimBoard(base::Clock& clock, const chip::ChipModel& model)
    : target_(model),
      bridge_(clock, target_),
      firmware_(clock, target_, bridge_),
      hid_(bridge_),
      bulk_(bridge_),
      serial_(target_),
      parallel_(target_),
      instruments_(clock),
      serialPorts_(serial_, "COM1", &instruments_.Ports()) {
  instruments_.Calibrator().SetOutputSink([this](double volts) { target_.SetDcLevelVolts(volts); });
  target_.SetOffsetSource([this] {
    return (instruments_.Chamber().Thermal().Celsius() - SimChamberThermal::kStartCelsius) *
           kOffsetDriftVoltsPerCelsius;
  });
  target_.SetGainErrorSource([this] {
    return (instruments_.Chamber().Thermal().Celsius() - SimChamberThermal::kStartCelsius) *
           kGainDriftPerCelsius;
  });
  // The bench's meters watch the calibrator's output, the supply's output and the chamber.
  instruments_.Meter(0).SetSource([this] { return instruments_.Calibrator().OutputVolts(); });
  instruments_.Meter(1).SetSource([this] {
    const SimPowerSupply& supply = instruments_.PowerSupply();
    return supply.OutputOn() ? supply.SetVolts() : 0.0;
  });
  instruments_.MeterFollowsChamber(2);
  bridge_.SetTargetProgram([this] { firmware_.Step(); });
  bulk_.SetAbsent(true);
  target_.SetDcLevelVolts(kDemoDcVolts);
  target_.SetInputNoiseNv(kDemoInputNoiseNv);
  target_.SetOutputNoiseCodes(kDemoOutputNoiseCodes);
}

void SimBoard::UseChipModel(const chip::ChipModel& model) {
  target_.UseChipModel(model);
  ApplyChipGains(model);
}

void SimBoard::ApplyChipGains(const chip::ChipModel& model) {
  for (size_t i = 0; i < model.PgaGain.size(); ++i) target_.PgaGain()[i] = model.PgaGain[i];
  for (size_t i = 0; i < model.AdgnGain.size(); ++i) target_.AdgnGain()[i] = model.AdgnGain[i];
}

void SimBoard::UseBulkBridge(bool bulk) {
  bulk_.SetAbsent(!bulk);
  hid_.SetBridgeAttached(!bulk);
}

void SimBoard::SetFaultPlan(const std::vector<SimFault>& plan) {
  std::vector<SimFault> bridge;
  std::vector<SimAnswerFault> chamber, fluke, power;
  for (const SimFault& f : plan) {
    if (f.ForBridge()) {
      bridge.push_back(f);
      continue;
    }
    const SimAnswerFault a{f.at, f.kind == SimFault::Kind::Garble,
                           f.kind == SimFault::Kind::Slow ? f.ms : 0};
    (f.line == "chamber" ? chamber : f.line == "fluke" ? fluke : power).push_back(a);
  }
  bridge_.SetFaultPlan(std::move(bridge));
  instruments_.ChamberLine().PlanAnswerFaults(std::move(chamber));
  instruments_.CalibratorLine().PlanAnswerFaults(std::move(fluke));
  instruments_.PowerSupplyLine().PlanAnswerFaults(std::move(power));
}

}  // namespace qx::sim
