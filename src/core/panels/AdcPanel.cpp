#include "core/panels/AdcPanel.h"

#include <array>

#include "core/panels/AdcTexts.h"
#include "core/panels/SwitchDisplay.h"

namespace qx::panels {

namespace {

struct Binding {
  const char* control;
  const char* key;
  int bits;  ///< width of the form's own list ("000" .. "111" has 3)
};

constexpr std::array<Binding, 10> kLists{{{"TXINP", "INP", 3},
                                          {"TXINN", "INN", 3},
                                          {"TXPGAGN", "PGA", 3},
                                          {"TXADGN", "ADGN", 2},
                                          {"TXDCSET", "DCSET", 4},
                                          {"COMOSR", "OSR", 3},
                                          {"COMOSCS", "OSCS", 2},
                                          {"COMVRPS", "VRPS", 2},
                                          {"COMVRNS", "VRNS", 2},
                                          {"TXLDO", "LDO", 2}}};

constexpr std::array<Switch, 10> kSwitches{{{"PFRb", "FSRB", "FRb"},
                                            {"PENADC", "ADCEN", "ENADC"},
                                            {"PREFOS", "REFO", "REFOS"},
                                            {"PENREFO", "ENREFO", "ENREFO"},
                                            {"PENOP", "ENOP", "ENOP"},
                                            {"ENLDO", "ENLDO", "ENLDO"},
                                            {"PHS", "HS", "HS"},
                                            {"POSM", "OSM", "OSM"},
                                            {"PIRQEN", "IRQEN", "IRQEN"},
                                            {"PTS", "TS", "TS"}}};

// Refresh order of the register image; the rate text needs HS before OSR.
constexpr std::array<const char*, 20> kUpdateOrder{
    "OSCS", "VRPS",  "VRNS", "ENLDO", "TS",  "REFO", "ENREFO", "ADCEN", "ENOP", "HS",
    "OSM",  "IRQEN", "OSR",  "FSRB",  "INP", "INN",  "LDO",    "PGA",   "ADGN", "DCSET"};

constexpr std::array<const char*, 4> kClockLabels{"LOSCS2", "LOSCS3", "LOSCS0", "LOSCS1"};
constexpr std::array<const char*, 4> kClockCaptions{"327KHz", "1MHZ", "/15", "/5"};
constexpr std::array<const char*, 3> kRefP{"LREFP", "LVDDAP", "LV12P"};
constexpr std::array<const char*, 3> kRefN{"LREFN", "LVDDAN", "LV12N"};
constexpr std::array<const char*, 3> kRefCaptions{"VREF", "VDDA", "V1.2"};

constexpr char kNoAdcBlock[] = "No ADC block";
// Controls that work on any ADC block, whatever fields it declares.
constexpr std::array<const char*, 4> kBlockControls{"BADCRead", "BRDADC", "TXADCOMD", "TXADCObit"};

constexpr char kReading[] = "Reading";
constexpr char kStopped[] = "STOP";

int Clamp(int v, int max, int over) {
  return v > max ? over : v;
}

const Binding* ListOf(const std::string& control) {
  for (const Binding& b : kLists) {
    if (control == b.control) return &b;
  }
  return nullptr;
}

const Binding* ListOfKey(const std::string& key) {
  for (const Binding& b : kLists) {
    if (key == b.key) return &b;
  }
  return nullptr;
}

}  // namespace

AdcPanel::AdcPanel(PanelContext bench)
    : bench_(bench), fields_(bench.access, bench.chip.AdcFields) {}

ReadingMode AdcPanel::Mode() const {
  return bench_.settings.AdcDisplayMode == 1 ? ReadingMode::Dec : ReadingMode::Hex;
}

void AdcPanel::FormCreate() {
  state_.list["TXADCOMD"] = {"HEX", "DEC"};
  std::vector<std::string> bits;
  for (int b = 8; b <= 23; ++b) bits.push_back(std::to_string(b));
  state_.list["TXADCObit"] = bits;
  bench_.settings.AdcDisplayMode = 0;
  bench_.settings.AdcOutBitsIndex = 7;
  state_.item["TXADCOMD"] = 0;
  state_.item["TXADCObit"] = 7;

  for (const char* hidden : {"PTS", "BTempRead", "TXTEMP"}) state_.visible[hidden] = false;
  state_.text["BADCRead"] = "ADCRead";
  state_.text["BTempRead"] = "TempRead";
  state_.text["Label5"] = "Set IRQEN on";
  state_.text["Label6"] = "before ENOB Test.";
  ApplyChip();

  for (const char* key : {"INP", "PGA", "ADGN", "DCSET", "OSR", "FSRB", "ADCEN"}) {
    ShowField(key);
  }
  if (bench_.chip.HasAdc0) state_.text["TXADC"] = fields_.Value("ADCEN") == 0 ? "ADC OFF" : "0";
  bench_.monitor.continuousRead = false;
  ShowContinuousCaption();
}

void AdcPanel::ApplyChip() {
  const chip::FormState& ui = bench_.chip.Ui.Form(chip::kAdcPanel);
  for (const Binding& b : kLists) {
    state_.list[b.control] = Lookup(ui.lists, b.control, CodeItems(b.bits));
    state_.enabled[b.control] = fields_.Usable(b.key);
  }
  for (const Switch& s : kSwitches) {
    state_.text[s.control] = s.caption;
    state_.enabled[s.control] = fields_.Usable(s.key);
  }
  for (const char* mux : {"INP", "INN"}) {
    for (int i = 0; i < 8; ++i) {
      const std::string label = std::string("L") + mux + std::to_string(i);
      state_.text[label] = Lookup(ui.captions, label, "AI" + std::to_string(i));
    }
  }
  for (size_t i = 0; i < kClockLabels.size(); ++i) {
    state_.text[kClockLabels[i]] =
        Lookup(ui.captions, kClockLabels[i], std::string(kClockCaptions[i]));
  }
  for (size_t i = 0; i < kRefP.size(); ++i) {
    state_.text[kRefP[i]] = std::string(kRefCaptions[i]) + "+";
    state_.text[kRefN[i]] = std::string(kRefCaptions[i]) + "-";
  }
  // Lists may have changed length: keep the selections in range.
  for (const Binding& b : kLists) SelectList(b.control, fields_.Value(b.key));

  const bool hasBlock = bench_.chip.HasAdc0;
  for (const char* c : kBlockControls) state_.enabled[c] = hasBlock;
  if (!hasBlock) {
    StopContinuousRead();
    ShowReading();
  }
}

void AdcPanel::ConfigLoaded() {
  const int mode = bench_.settings.AdcDisplayMode;
  state_.item["TXADCOMD"] = mode == 0 || mode == 1 ? mode : -1;
  // Only the divisor changes; the result field keeps what creation showed ("ADC OFF").
  const int bits = bench_.settings.AdcOutBitsIndex;
  const int32_t divisor = AdcReadingText::Divisor(bits);
  if (divisor != 0) divisor_ = divisor;
  state_.item["TXADCObit"] = divisor != 0 ? bits : -1;
}

void AdcPanel::SelectList(const std::string& control, int value) {
  const int size = static_cast<int>(state_.List(control).size());
  state_.item[control] = value >= 0 && value < size ? value : -1;
}

void AdcPanel::RefreshSwitch(const std::string& key, const std::string& control) {
  ShowSwitch(state_, control, fields_.Value(key));
}

void AdcPanel::ShowField(const std::string& key) {
  const int value = fields_.Value(key);
  if (const Binding* list = ListOfKey(key)) {
    int shown = value;
    if (key == "INP" || key == "INN") shown = Clamp(value, 7, 0);
    if (key == "PGA") shown = Clamp(value, 7, 7);
    if (key == "ADGN" || key == "OSCS") shown = Clamp(value, 3, 3);
    if (key == "DCSET") shown = Clamp(value, 15, 15);
    if (key == "OSR") shown = Clamp(value, 7, 0);
    if (key == "LDO" || key == "VRPS" || key == "VRNS") shown = Clamp(value, 3, 0);
    SelectList(list->control, shown);

    if (key == "OSCS") {
      const std::string lit = AdcTexts::ClockLabel(shown);
      for (const char* label : kClockLabels) {
        state_.look[label] = lit == label ? Look::Active : Look::Plain;
      }
    } else if (key == "VRPS" || key == "VRNS") {
      const bool positive = key == "VRPS";
      const ReferenceState ref = AdcTexts::Reference(shown);
      const auto& labels = positive ? kRefP : kRefN;
      for (size_t i = 0; i < labels.size(); ++i) {
        state_.look[labels[i]] = static_cast<int>(i) == ref.label ? Look::Active : Look::Plain;
      }
      const std::string n = positive ? "0" : "1";
      ShowPair(state_, "VERBUFFoff" + n, "VERBUFFon" + n, ref.bufferOn ? 1 : 0);
    } else if (key == "OSR") {
      state_.text["TXOSR"] = AdcTexts::RateText(shown, fields_.Value("HS"));
    } else if (key == "INP" || key == "INN") {
      for (int i = 0; i < 8; ++i) {
        state_.look["L" + key + std::to_string(i)] = i == shown ? Look::Active : Look::Plain;
      }
    } else if (key == "LDO") {
      state_.text["LLDO"] = state_.SelectedText("TXLDO");
    } else if (key == "PGA") {
      state_.text["TXPGAGNS"] = AdcTexts::PgaText(shown, bench_.chip.PgaGain);
      for (const char* n : {"0", "1"}) {
        ShowPair(state_, std::string("OneGain") + n + "on", std::string("OneGain") + n + "off",
                 shown == 0 ? 0 : 1);
      }
    } else if (key == "ADGN") {
      state_.text["TXADGNS"] = AdcTexts::AdgnText(shown, bench_.chip.AdgnGain);
    } else if (key == "DCSET") {
      state_.text["TXDCSETS"] = AdcTexts::OffsetText(shown);
    }
    return;
  }
  for (const Switch& s : kSwitches) {
    if (key != s.key) continue;
    RefreshSwitch(key, s.control);
    if (key == "REFO") state_.text["TXREFOS"] = AdcTexts::RefoText(value);
    if (key == "FSRB") state_.text["TXFRb"] = AdcTexts::FrbText(value);
  }
}

void AdcPanel::DataUpdate() {
  for (const char* key : kUpdateOrder) {
    fields_.Refresh(key);
    ShowField(key);
  }
  ShowReading();
  ShowContinuousCaption();
}

void AdcPanel::ShowReading() {
  const link::TargetAccess& access = bench_.access;
  if (!bench_.chip.HasAdc0) {
    state_.text["TXADC"] = kNoAdcBlock;
    state_.text["TXTEMP"].clear();
    return;
  }
  state_.text["TXADC"] = AdcReadingText::Result(access.LastAdcReading(), Mode(), divisor_);
  const auto& word = access.LastWordReading();
  state_.text["TXTEMP"] = AdcReadingText::Word(word[0], word[1], Mode());
}

void AdcPanel::ShowContinuousCaption() {
  state_.text["BRDADC"] = bench_.monitor.continuousRead ? kReading : kStopped;
}

bool AdcPanel::ListChanged(const std::string& control, int index) {
  if (control == "TXADCOMD") {
    if (index == 0 || index == 1) {
      bench_.settings.AdcDisplayMode = index;
      state_.item[control] = index;
    }
    DataUpdate();
    return true;
  }
  if (control == "TXADCObit") {
    const int32_t divisor = AdcReadingText::Divisor(index);
    if (divisor == 0) return true;
    bench_.settings.AdcOutBitsIndex = index;
    state_.item[control] = index;
    divisor_ = divisor;
    ShowReading();
    return true;
  }
  const Binding* list = ListOf(control);
  if (!list) return false;
  fields_.Choose(
      list->key, index, [this] { DataUpdate(); }, [this, list] { ShowField(list->key); });
  return true;
}

bool AdcPanel::Click(const std::string& control) {
  if (const Switch* s = FindSwitch(kSwitches, control)) {
    fields_.Write(s->key, fields_.Value(s->key) == 0 ? 1 : 0);
    DataUpdate();
    return true;
  }
  if ((control == "BADCRead" || control == "BRDADC") && !bench_.chip.HasAdc0) return true;
  if (control == "BADCRead") {
    bench_.access.ReadAdcResult();
    DataUpdate();
    return true;
  }
  if (control == "BRDADC") {
    bench_.monitor.continuousRead = !bench_.monitor.continuousRead;
    ShowContinuousCaption();
    return true;
  }
  return false;
}

void AdcPanel::FormClose() {
  StopContinuousRead();
}

void AdcPanel::StopContinuousRead() {
  bench_.monitor.continuousRead = false;
  ShowContinuousCaption();
}

}  // namespace qx::panels
