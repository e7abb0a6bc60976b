#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <string>

#include "core/chip/ChipModel.h"

namespace qx::sim {

/// The simulated target chip: 1024 bytes of memory, the five ADC registers of a QX740x, and the
/// sigma-delta converter that turns an input voltage into 24-bit two's-complement codes at the
/// gain and output rate its register fields select.
///
/// Gain and rate come from the fields "PGA", "ADGN", "FSRB", "OSR" and "HS" of the chip model.
/// A field at address 0..4 is read from the ADC register file, any other address from memory
/// (chips without the QX740x register file keep their ADC block in ordinary registers).
class SimTarget {
 public:
  static constexpr size_t kMemorySize = 1024;
  static constexpr size_t kAdcRegisterCount = 5;
  static constexpr int32_t kCodeMax = 0x7FFFFF;
  static constexpr int32_t kCodeMin = -0x800000;
  /// Output rate in samples per second by OSR value (rows) for HS = 0 and HS != 0.
  static constexpr std::array<double, 8> kRateHsOff{2560, 1280, 640, 320, 160, 80, 40, 10};
  static constexpr std::array<double, 8> kRateHsOn{7680, 3840, 1920, 960, 480, 240, 120, 30};

  explicit SimTarget(const chip::ChipModel& model, uint64_t seed = 1);

  /// Reads the field positions from `model` from now on; it must outlive the target.
  void UseChipModel(const chip::ChipModel& model) { model_ = &model; }

  // Memory (addresses 0..1023; reads beyond read 0, writes beyond are ignored).
  uint8_t Memory(size_t address) const;
  void SetMemory(size_t address, uint8_t value);
  void WriteMemory(size_t address, std::span<const uint8_t> bytes);
  void ReadMemory(size_t address, std::span<uint8_t> out) const;

  // ADC register file (addresses 0..4; others read 0, writes ignored).
  uint8_t Register(size_t address) const;
  void SetRegister(size_t address, uint8_t value);
  /// A register write inside a running measurement (the target firmware switching channel
  /// settings): the noise draws on instead of starting over.
  void SetRegisterDrawingOn(size_t address, uint8_t value);

  /// Byte that holds a chip-model field: register file below 5, memory above.
  uint8_t FieldByte(uint16_t address) const;
  bool HasField(const std::string& key) const;
  /// Current value of an ADC field, or `fallback` when the chip model does not declare it.
  uint8_t FieldValue(const std::string& key, uint8_t fallback) const;

  // Analog front end.
  void SetDcLevelVolts(double v) { dcVolts_ = v; }
  double DcLevelVolts() const { return dcVolts_; }
  /// Input-referred offset in volts, asked at every conversion (the board's drift with its
  /// temperature); none by default.
  void SetOffsetSource(std::function<double()> source) { offsetSource_ = std::move(source); }
  /// Relative error of the converter's gain, asked at every conversion (its drift with the
  /// board's temperature: 5e-6 is 5 ppm too much gain); none by default.
  void SetGainErrorSource(std::function<double()> source) { gainErrorSource_ = std::move(source); }
  /// Input-referred noise, nanovolts RMS at kNoiseRateSps; multiplied by the analog gain. As in
  /// a sigma-delta converter it falls with the oversampling ratio: at another output rate it is
  /// scaled by sqrt(rate / kNoiseRateSps), so 10 sps is 16 times quieter than 2560 sps, down
  /// to the output-referred noise, which stays. 0 turns it off.
  void SetInputNoiseNv(double nv) { inputNoiseNv_ = nv < 0 ? 0 : nv; }
  double InputNoiseNv() const { return inputNoiseNv_; }
  /// Output-referred noise, 24-bit codes RMS; independent of the gain and of the output rate
  /// (the floor that a longer filter does not lower). 0 turns it off.
  void SetOutputNoiseCodes(double codes) { outputNoiseCodes_ = codes < 0 ? 0 : codes; }
  double OutputNoiseCodes() const { return outputNoiseCodes_; }
  /// Reference voltage: ±reference / gain spans the full 24-bit code range.
  void SetReferenceVolts(double v) { referenceVolts_ = v > 0 ? v : kDefaultReferenceVolts; }
  double ReferenceVolts() const { return referenceVolts_; }
  /// Word answered by the temperature-sensor reads (16 bits, high byte first on the wire).
  void SetTemperatureWord(uint16_t w) { temperatureWord_ = w; }
  uint16_t TemperatureWord() const { return temperatureWord_; }
  void Seed(uint64_t seed) {
    seed_ = seed;
    rng_.seed(seed);
    normal_.reset();
  }

  /// Gain tables indexed by the PGA and ADGN values; entries of 0 or below read as 1.
  std::array<double, 8>& PgaGain() { return pgaGain_; }
  std::array<double, 4>& AdgnGain() { return adgnGain_; }
  /// Rate used when the chip model declares no OSR field.
  void SetDefaultRateSps(double sps) { defaultRateSps_ = sps > 0 ? sps : defaultRateSps_; }

  /// PgaGain[PGA] × AdgnGain[ADGN] × (2 when FSRB is set); absent fields count as gain 1.
  double Gain() const;
  /// Output rate from OSR and HS (OSR values above 7 read as 0).
  double OutputRateSps() const;

  /// The code the converter would produce without any noise.
  int32_t IdealCode() const;
  /// One conversion: signed code in kCodeMin..kCodeMax.
  int32_t Convert();
  /// One conversion as the 24-bit two's-complement bit pattern (0..0xFFFFFF).
  uint32_t ConvertRaw() { return static_cast<uint32_t>(Convert()) & 0xFFFFFFu; }

  static constexpr double kDefaultReferenceVolts = 2.4;
  static constexpr double kDefaultRateSps = 80;
  /// The output rate at which the input-referred noise is what SetInputNoiseNv says: the
  /// fastest rate of the normal mode (OSR 0, HS 0), the converter's state after reset.
  static constexpr double kNoiseRateSps = kRateHsOff[0];

 private:
  static double TableGain(double g) { return g > 0 ? g : 1.0; }
  static int32_t Clip(double code);
  /// Codes of one input volt: gain (with its error) over the reference, at 24 bits.
  double CodesPerVolt() const;
  double InputVolts() const { return offsetSource_ ? dcVolts_ + offsetSource_() : dcVolts_; }

  const chip::ChipModel* model_;
  std::array<uint8_t, kMemorySize> memory_{};
  std::array<uint8_t, kAdcRegisterCount> registers_{};
  std::array<double, 8> pgaGain_{1, 1, 1, 1, 1, 1, 1, 1};
  std::array<double, 4> adgnGain_{1, 1, 1, 1};
  double dcVolts_ = 0;
  std::function<double()> offsetSource_;
  std::function<double()> gainErrorSource_;
  double inputNoiseNv_ = 0;
  double outputNoiseCodes_ = 0;
  double referenceVolts_ = kDefaultReferenceVolts;
  double defaultRateSps_ = kDefaultRateSps;
  uint16_t temperatureWord_ = 0x1900;  ///< 25.0 degrees in 8.8 fixed point
  uint64_t seed_;
  std::mt19937_64 rng_;
  std::normal_distribution<double> normal_{0.0, 1.0};
};

}  // namespace qx::sim
