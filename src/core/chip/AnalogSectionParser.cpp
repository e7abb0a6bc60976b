#include "core/chip/AnalogSectionParser.h"

#include <array>
#include <vector>

namespace qx::chip {

namespace {

// Settings beyond 256 cannot be selected by an 8-bit register field.
constexpr uint8_t kMaxOptionWidth = 8;
constexpr size_t kVddaNameLength = 8;

std::string BinaryCode(int value, int digits) {
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = 0; i < digits; ++i) {
    if (value & (1 << i)) s[static_cast<size_t>(digits - 1 - i)] = '1';
  }
  return s;
}

void EnableIf(FormState& form, const std::string& control, uint8_t width) {
  if (width > 0) form.enabled[control] = true;
}

}  // namespace

void AnalogSectionParser::Apply(Block block, const ChipLine& line) {
  if (WordCount(line) == 0) return;
  const std::string key = Word(line, 2);
  switch (block) {
    case Block::Adc:
      ApplyAdc(line, key);
      break;
    case Block::Op:
      ApplyOp(line, key);
      break;
    case Block::Cmp:
      ApplyCmp(line, key);
      break;
  }
}

FieldDescriptor& AnalogSectionParser::Store(std::map<std::string, FieldDescriptor>& fields,
                                            const std::string& key, const ChipLine& line) {
  FieldDescriptor& d = fields[key];
  d.address = number_.U16(Word(line, 1));
  d.present = true;
  d.width = number_.U8(Word(line, 3));
  d.lsb = number_.U8(Word(line, 4));
  return d;
}

std::vector<std::string> AnalogSectionParser::Options(const ChipLine& line, uint8_t width) {
  const uint8_t w = width > kMaxOptionWidth ? kMaxOptionWidth : width;
  const int count = 1 << w;
  std::vector<std::string> items;
  items.reserve(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) items.push_back(Word(line, 5 + k));
  return items;
}

void AnalogSectionParser::SelectorButtons(FormState& form, const ChipLine& line,
                                          const std::string& prefix, int options,
                                          const std::string& image, const std::string& label,
                                          const std::string& list, bool missingIsAbsent,
                                          bool floatLabel) {
  // Every option's buttons end up decided by its setting word, whatever the field width.
  const int digits = options == 4 ? 2 : 3;
  form.enabled[list] = true;
  std::vector<std::string>& items = form.lists[list];
  items.clear();
  for (int k = 0; k < options; ++k) {
    const std::string code = BinaryCode(k, digits);
    const std::string word = Word(line, 5 + k);
    const bool present = word != "-" && !(missingIsAbsent && word.empty());
    form.enabled[prefix + code + "on"] = present;
    form.enabled[prefix + code + "off"] = present;
    if (!image.empty()) form.visible[image + std::to_string(k)] = present;
    form.visible[label + std::to_string(k)] = present;
    if (present) {
      form.captions[label + std::to_string(k)] = (floatLabel && word == "--") ? "Float" : word;
      items.push_back(code);
    }
  }
  form.itemIndex[list] = 0;
}

void AnalogSectionParser::ApplyAdc(const ChipLine& line, const std::string& key) {
  FormState& form = model_.Ui.Form(kAdcPanel);
  if (key == "ADCO" || key == "TSO") {
    OutputDescriptor& out = model_.AdcOutputs[key];
    out.address = number_.U16(Word(line, 1));
    out.present = true;
    return;
  }
  static const std::array<const char*, 20> kKnown = {
      "OSCS", "LDO", "ENLDO", "REFO", "ENREFO", "ENOP", "TS",  "INP",  "INN", "VRPS",
      "VRNS", "OSM", "IRQEN", "HS",   "DCSET",  "FSRB", "PGA", "ADGN", "OSR", "ADCEN"};
  bool known = false;
  for (const char* k : kKnown) known = known || key == k;
  if (!known) return;

  const uint8_t width = Store(model_.AdcFields, key, line).width;
  if (key == "OSCS") {
    form.lists["COMOSCS"] = Options(line, width);
    static const std::array<const char*, 4> kLabels = {"LOSCS2", "LOSCS3", "LOSCS0", "LOSCS1"};
    const auto& items = form.lists["COMOSCS"];
    for (size_t k = 0; k < kLabels.size() && k < items.size(); ++k) {
      form.captions[kLabels[k]] = items[k];
    }
    form.enabled["COMOSCS"] = true;
  } else if (key == "LDO") {
    form.enabled["TXLDO"] = true;
    form.lists["TXLDO"] = Options(line, width);
  } else if (key == "ENLDO") {
    form.enabled["ENLDO"] = true;
  } else if (key == "REFO") {
    EnableIf(form, "PREFOS", width);
  } else if (key == "ENREFO") {
    EnableIf(form, "PENREFO", width);
  } else if (key == "ENOP") {
    EnableIf(form, "PENOP", width);
  } else if (key == "INP" || key == "INN") {
    const std::string list = "TX" + key;
    const std::string label = "L" + key;
    form.lists[list] = Options(line, width);
    const auto& items = form.lists[list];
    for (size_t k = 0; k < 8 && k < items.size(); ++k) {
      form.captions[label + std::to_string(k)] = items[k];
    }
    form.enabled[list] = true;
  } else if (key == "DCSET") {
    EnableIf(form, "TXDCSET", width);
  } else if (key == "FSRB") {
    form.enabled["PFRb"] = true;
  } else if (key == "PGA") {
    EnableIf(form, "TXPGAGNS", width);
  } else if (key == "ADGN") {
    EnableIf(form, "TXADGN", width);
  } else if (key == "OSR") {
    form.enabled["COMOSR"] = true;
  } else if (key == "ADCEN") {
    EnableIf(form, "PENADC", width);
  }
  // TS, VRPS, VRNS, OSM, IRQEN, HS: the descriptor is all the panel needs.
}

void AnalogSectionParser::ApplyOp(const ChipLine& line, const std::string& key) {
  FormState& form = model_.Ui.Form(kOpPanel);
  static const std::array<const char*, 7> kKnown = {"OP0P",  "OP0N",   "ENOP", "OP0M",
                                                    "OP0IS", "ENVDDA", "VDDAX"};
  bool known = false;
  for (const char* k : kKnown) known = known || key == k;
  if (!known) return;

  const uint8_t width = Store(model_.OpFields, key, line).width;
  if (key == "OP0P") {
    SelectorButtons(form, line, "OP0P", 4, "ImAP", "LAP", "TXOP0P", true, false);
  } else if (key == "OP0N") {
    SelectorButtons(form, line, "OP0N", 8, "ImAI", "LAI", "TXOP0N", false, false);
  } else if (key == "ENOP") {
    EnableIf(form, "PENOP", width);
  } else if (key == "OP0M") {
    EnableIf(form, "TXOP0M", width);
  } else if (key == "OP0IS") {
    EnableIf(form, "POP0IS", width);
  } else if (key == "ENVDDA") {
    EnableIf(form, "PENVDDA", width);
  } else if (key == "VDDAX") {
    EnableIf(form, "TXVDDA", width);
    for (size_t i = 0; i < model_.OpVddaNames.size(); ++i) {
      model_.OpVddaNames[i] = Word(line, 5 + static_cast<int>(i)).substr(0, kVddaNameLength);
    }
  }
}

void AnalogSectionParser::ApplyCmp(const ChipLine& line, const std::string& key) {
  FormState& form = model_.Ui.Form(kCmpPanel);
  // Fields whose line carries a caption in word 3: width and lsb move one word on.
  if (key == "PTMX" || key == "TRISCX" || key == "PTDAX") {
    FieldDescriptor& d = model_.CmpFields[key];
    d.address = number_.U16(Word(line, 1));
    d.present = true;
    d.width = number_.U8(Word(line, 4));
    d.lsb = number_.U8(Word(line, 5));
    const std::string control = key == "PTMX" ? "PPMX" : key == "TRISCX" ? "PTCX" : "PDAX";
    form.enabled[control] = true;
    form.captions[control] = Word(line, 3);
    return;
  }
  struct Simple {
    const char* key;
    const char* control;
  };
  static const std::array<Simple, 12> kSimple = {{{"ENCPA", "PENCPA"},
                                                  {"CPIST", "PCIST"},
                                                  {"CPIX", "PCPIX"},
                                                  {"CPOIES", "PCPOEG"},
                                                  {"CPOX", "PCPOX"},
                                                  {"CPOFR", "PCPOFR"},
                                                  {"CS1", "PCS1"},
                                                  {"CS2", "PCS2"},
                                                  {"CAPAT", "PCAPAT"},
                                                  {"ENVDDA", "PENVDDA"},
                                                  {"ENREF", "PREFO"},
                                                  // The panel decides which pairs these show.
                                                  {"CPVCS", "CPVCS"}}};
  for (const Simple& s : kSimple) {
    if (key == s.key) {
      EnableIf(form, s.control, Store(model_.CmpFields, key, line).width);
      return;
    }
  }
  if (key == "CPVRS") {
    EnableIf(form, "CPVRS", Store(model_.CmpFields, key, line).width);
  } else if (key == "CPIH") {
    Store(model_.CmpFields, key, line);
    SelectorButtons(form, line, "CPIH", 4, "", "LCPIH", "TXCPIH", true, true);
  } else if (key == "CPIL") {
    Store(model_.CmpFields, key, line);
    SelectorButtons(form, line, "CPIL", 8, "", "LCPIL", "TXCPIL", true, true);
  } else if (key == "CPOIF") {
    Store(model_.CmpFields, key, line);
    model_.Ui.switchRequests.push_back({kCmpPanel, "PCPOIF", 0});
  } else if (key == "VDDAX") {
    EnableIf(form, "TXVDDA", Store(model_.CmpFields, key, line).width);
    for (size_t i = 0; i < model_.CmpVddaNames.size(); ++i) {
      model_.CmpVddaNames[i] = Word(line, 5 + static_cast<int>(i)).substr(0, kVddaNameLength);
    }
  }
}

}  // namespace qx::chip
