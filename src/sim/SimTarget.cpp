#include "sim/SimTarget.h"

#include <algorithm>
#include <cmath>

namespace qx::sim {

SimTarget::SimTarget(const chip::ChipModel& model, uint64_t seed)
    : model_(&model), seed_(seed), rng_(seed) {}

uint8_t SimTarget::Memory(size_t address) const {
  return address < kMemorySize ? memory_[address] : 0;
}

void SimTarget::SetMemory(size_t address, uint8_t value) {
  if (address < kMemorySize) memory_[address] = value;
}

void SimTarget::WriteMemory(size_t address, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) SetMemory(address + i, bytes[i]);
}

void SimTarget::ReadMemory(size_t address, std::span<uint8_t> out) const {
  for (size_t i = 0; i < out.size(); ++i) out[i] = Memory(address + i);
}

uint8_t SimTarget::Register(size_t address) const {
  return address < kAdcRegisterCount ? registers_[address] : 0;
}

void SimTarget::SetRegisterDrawingOn(size_t address, uint8_t value) {
  if (address < kAdcRegisterCount) registers_[address] = value;
}

void SimTarget::SetRegister(size_t address, uint8_t value) {
  if (address >= kAdcRegisterCount) return;
  registers_[address] = value;
  // The noise starts over after a register write, so a measurement repeated after the same
  // writes (a resumed temperature run) sees the same noise, and captures that differ only in
  // their gain see the same output-referred noise; captures between writes draw on. Each
  // output rate has a sequence of its own, as a filter of another length sees other noise.
  const auto rate = static_cast<uint64_t>(OutputRateSps());
  rng_.seed(seed_ ^ (rate * 0x9E3779B97F4A7C15ull));
  normal_.reset();
}

uint8_t SimTarget::FieldByte(uint16_t address) const {
  return address < kAdcRegisterCount ? Register(address) : Memory(address);
}

bool SimTarget::HasField(const std::string& key) const {
  const auto it = model_->AdcFields.find(key);
  return it != model_->AdcFields.end() && it->second.present && it->second.width > 0;
}

uint8_t SimTarget::FieldValue(const std::string& key, uint8_t fallback) const {
  if (!HasField(key)) return fallback;
  const chip::FieldDescriptor& f = model_->AdcFields.at(key);
  return f.Extract(FieldByte(f.address));
}

double SimTarget::Gain() const {
  // An absent field is gain 1, not table entry 0: the tables may start above 1.
  const double pgaGain =
      HasField("PGA") ? TableGain(pgaGain_[std::min<uint8_t>(FieldValue("PGA", 0), 7)]) : 1.0;
  const double adgnGain =
      HasField("ADGN") ? TableGain(adgnGain_[std::min<uint8_t>(FieldValue("ADGN", 0), 3)]) : 1.0;
  const double fsr = FieldValue("FSRB", 0) != 0 ? 2.0 : 1.0;
  return pgaGain * adgnGain * fsr;
}

double SimTarget::OutputRateSps() const {
  if (!HasField("OSR")) return defaultRateSps_;
  const uint8_t osr = FieldValue("OSR", 0);
  const size_t row = osr > 7 ? 0 : osr;
  return FieldValue("HS", 0) != 0 ? kRateHsOn[row] : kRateHsOff[row];
}

int32_t SimTarget::Clip(double code) {
  const double r = std::nearbyint(code);
  if (r >= kCodeMax) return kCodeMax;
  if (r <= kCodeMin) return kCodeMin;
  return static_cast<int32_t>(r);
}

double SimTarget::CodesPerVolt() const {
  const double gain = gainErrorSource_ ? Gain() * (1 + gainErrorSource_()) : Gain();
  return gain / referenceVolts_ * 8388608.0;
}

int32_t SimTarget::IdealCode() const {
  return Clip(InputVolts() * CodesPerVolt());
}

int32_t SimTarget::Convert() {
  double volts = InputVolts();
  if (inputNoiseNv_ > 0)
    volts += normal_(rng_) * inputNoiseNv_ * std::sqrt(OutputRateSps() / kNoiseRateSps) * 1e-9;
  double code = volts * CodesPerVolt();
  if (outputNoiseCodes_ > 0) code += normal_(rng_) * outputNoiseCodes_;
  return Clip(code);
}

}  // namespace qx::sim
