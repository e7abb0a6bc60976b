#include "core/chip/ChipLoader.h"

#include <algorithm>

#include "core/chip/AnalogSectionParser.h"
#include "core/chip/TextLines.h"

namespace qx::chip {

namespace {

// Directive numbers as IsPseudo reports them.
enum Directive : uint16_t {
  kProduct = 1,
  kCompiler = 2,
  kId = 3,
  kRom = 4,
  kReg0 = 5,
  kReg1 = 6,
  kRamBank0 = 7,
  kRamBank4 = 11,
  kRegBit = 12,
  kRegBit3 = 15,
  kRegByte = 16,
  kRegWord = 17,
  kReg3Byte = 18,
  kStack = 19,
  kSbmAddr = 20,
  kSimIc = 21,
  kRegBitStr = 22,
  kRegByteStr = 23,
  kRegWordStr = 24,
  kRegBitStrCn = 25,
  kRegWordStrCn = 27,
  kAdc0s = 28,
  kOp0s = 29,
  kCmp0s = 30,
  kPgaIndex = 31,
  kGainIndex = 32,
  kFluke = 33,
  kPower = 34,
  kEnob = 35,
  kContinue = 36,
  kChamber = 37,
  kRegisterTest = 38,
};

constexpr size_t kNameLength = 15;
constexpr size_t kDescriptionLength = 160;
constexpr size_t kBitDescriptionLength = 250;
constexpr uint16_t kDefaultRomSize = 4096;
constexpr uint8_t kMinStackDepth = 4;

const char* const kOptionalMenuItems[] = {
    "Menu_ReadAdc", "Regist",         "Fluke1",   "SaveFluke1",   "DownLoadFluke1", "Power1",
    "SavePower1",   "DownloadPower1", "SaveReg1", "DownloadReg1", "Memu_File"};
const char* const kInstrumentControls[] = {"Label8",  "FlukeCOM",   "FlukeSelect",
                                           "Label13", "PowerCOM",   "PowerSelect",
                                           "Label6",  "ChamberCOM", "ChamberSelect"};
const char* const kPageButtons[] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};

std::string Cut(std::string_view s, size_t n) {
  return std::string(s.substr(0, n));
}

// A byte order mark of either UTF-16, or NUL bytes in most of the odd or the even positions of
// the file's start.
bool LooksLikeUtf16(std::string_view bytes) {
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
    return true;
  const size_t n = std::min<size_t>(bytes.size(), 512);
  size_t even = 0;
  size_t odd = 0;
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] == '\0') ++(i % 2 == 0 ? even : odd);
  }
  return n >= 4 && std::max(even, odd) * 4 >= n;
}

}  // namespace

struct ChipLoader::Pass {
  Pass(ChipModel& model, LoadResult& r, std::string p)
      : result(r), path(std::move(p)), analog(model, number) {
    number.onSuspect = [this](std::string_view word) {
      Warn("binary number " + std::string(word) + " holds other digits than 0 and 1; read as 0");
    };
  }
  Pass(const Pass&) = delete;
  Pass& operator=(const Pass&) = delete;

  void Warn(const std::string& text) {
    result.warnings.push_back(path + ":" + std::to_string(lineNo) + ": " + text);
  }

  LoadResult& result;
  std::string path;
  int lineNo = 0;
  NumberRegister number;
  uint16_t section = 0;
  // Selected record per description kind (bit, byte, word); shared by plain and CN sections.
  int selection[3] = {-1, -1, -1};
  int bitStringIndex = 0;
  AnalogSectionParser analog;
};

void ChipLoader::Fail(LoadResult& result, LoadResult::Status status, std::string error) {
  result.status = status;
  result.error = std::move(error);
  host_.ShowError(result.error);
}

void ChipLoader::HideOptionalControls() {
  model_.Loaded = false;
  FormState& setup = model_.Ui.Form(kSetupDialog);
  setup.checked["Photo"] = true;
  setup.enabled["Photo"] = false;
  FormState& main = model_.Ui.Form(kMainWindow);
  for (const char* item : kOptionalMenuItems) main.visible[item] = false;
  for (const char* control : kInstrumentControls) setup.visible[control] = false;
}

void ChipLoader::ResetForNewChip() {
  model_.ChipId = 0;
  model_.RomSize = kDefaultRomSize;
  model_.Reg0Range = {};
  model_.Reg1Range = {};
  model_.RamBank.fill({});
  model_.BitPageCount.fill(0);
  model_.ByteRegisterCount = 0;
  model_.WordRegisterCount = 0;
  model_.Reg3ByteCount = 0;
  model_.HasAdc0 = model_.HasOp0 = model_.HasCmp0 = false;
  // Byte and word registers, and the analog blocks, belong to one chip: a file that does not
  // declare them has none. Bit records still only go with #REGBIT.
  model_.ByteRegs.Clear();
  model_.WordRegs.Clear();
  model_.AdcFields.clear();
  model_.OpFields.clear();
  model_.CmpFields.clear();
  model_.AdcOutputs.clear();
  model_.OpVddaNames.fill({});
  model_.CmpVddaNames.fill({});
  for (const char* panel : {kAdcPanel, kOpPanel, kCmpPanel}) model_.Ui.forms.erase(panel);
  model_.Ui.switchRequests.clear();

  FormState& ram = model_.Ui.Form(kRamView);
  for (int b = 0; b <= 4; ++b) {
    ram.visible["PBank" + std::to_string(b)] = false;
    ram.visible["RAMBANK" + std::to_string(b)] = false;
  }
  for (const char* grid : {"SREG", "SByteReg", "SWordReg"}) model_.Ui.Grid(grid).Reset(9);
  FormState& regs = model_.Ui.Form(kRegisterView);
  for (const char* button : kPageButtons) regs.visible[button] = false;
}

LoadResult ChipLoader::GetSELUP(const LoadRequest& request) {
  LoadResult result;
  result.currentBank = request.currentBank;
  result.currentPage = request.currentPage;

  HideOptionalControls();
  host_.MenuVisibilityChanged();
  model_.PgaGain.fill(1);
  model_.AdgnGain.fill(1);
  model_.ValidBits.fill(0);

  const std::string indexPath = JoinPath(folder_, kChipIndexFile);
  const TextFile index = files_.Read(indexPath);
  if (index.state == TextFile::State::Missing) {
    result.status = LoadResult::Status::IndexMissing;
    result.error = indexPath + ": not found";
    return result;
  }
  if (index.state == TextFile::State::ReadError) {
    Fail(result, LoadResult::Status::ReadError, indexPath + ": " + index.error);
    return result;
  }
  // Entries past the end of the index read as empty lines, and so name no file.
  const std::vector<std::string_view> indexLines = SplitLines(index.bytes);
  std::string_view entry;
  if (request.chipIndex < indexLines.size()) entry = indexLines[request.chipIndex];
  const std::string name = Word(MakeChipLine(entry), 1);
  result.chipFile = name.empty() ? std::string() : JoinPath(folder_, name);
  if (name.empty()) {
    result.status = LoadResult::Status::ChipFileMissing;
    result.error = indexPath + ":" + std::to_string(request.chipIndex + 1) + ": no chip file named";
    return result;
  }
  const TextFile chip = files_.Read(result.chipFile);
  if (chip.state == TextFile::State::Missing) {
    result.status = LoadResult::Status::ChipFileMissing;
    result.error = result.chipFile + ": not found";
    return result;
  }
  if (chip.state == TextFile::State::ReadError) {
    Fail(result, LoadResult::Status::ReadError, result.chipFile + ": " + chip.error);
    return result;
  }

  // UTF-16 (what some editors save as "Unicode") puts a NUL in every other byte: nothing in it
  // would read, so the model is left as it was.
  if (LooksLikeUtf16(chip.bytes)) {
    result.errorLine = 1;
    Fail(result, LoadResult::Status::BadData,
         result.chipFile + ": UTF-16 text; save the chip description as ANSI or UTF-8");
    host_.ChipLoaded();
    return result;
  }

  ResetForNewChip();
  Pass pass(model_, result, result.chipFile);
  for (std::string_view raw : SplitLines(chip.bytes)) {
    ++pass.lineNo;
    // A stray NUL (a comment pasted from elsewhere) is one more character of its line.
    if (raw.find('\0') != std::string_view::npos) pass.Warn("NUL byte in the line");
    const ChipLine line = MakeChipLine(raw);
    if (line.droppedWords) pass.Warn("more than 29 words; the rest of the line is ignored");
    const uint16_t directive = IsPseudo(Word(line, 1));
    if (directive != 255) {
      Directive(pass, directive);
    } else {
      DataLine(pass, line, raw);
    }
  }
  Finish(result, request);
  host_.ChipLoaded();
  return result;
}

void ChipLoader::Directive(Pass& pass, uint16_t directive) {
  FormState& main = model_.Ui.Form(kMainWindow);
  FormState& setup = model_.Ui.Form(kSetupDialog);
  auto show = [](FormState& form, std::initializer_list<const char*> names) {
    for (const char* n : names) form.visible[n] = true;
  };
  if (directive <= kGainIndex) pass.section = directive;
  switch (directive) {
    // The counts and grids index the lists, so a list emptied a second time in one file
    // takes them along; otherwise the views would look for records that are gone.
    case kRegBit:
      model_.BitRegs.Clear();
      model_.BitPageCount.fill(0);
      break;
    case kRegByte:
      model_.ByteRegs.Clear();
      model_.ByteRegisterCount = 0;
      model_.Ui.Grid("SByteReg").Reset(9);
      break;
    case kRegWord:
      model_.WordRegs.Clear();
      model_.WordRegisterCount = 0;
      model_.Ui.Grid("SWordReg").Reset(9);
      break;
    case kAdc0s:
      model_.HasAdc0 = true;
      break;
    case kOp0s:
      model_.HasOp0 = true;
      break;
    case kCmp0s:
      model_.HasCmp0 = true;
      break;
    case kFluke:
      show(main, {"Fluke1", "SaveFluke1", "DownLoadFluke1"});
      show(setup, {"Label8", "FlukeCOM", "FlukeSelect"});
      host_.MenuVisibilityChanged();
      break;
    case kPower:
      show(main, {"Power1", "SavePower1", "DownloadPower1"});
      show(setup, {"Label13", "PowerCOM", "PowerSelect"});
      host_.MenuVisibilityChanged();
      break;
    case kEnob:
      show(main, {"Menu_ReadAdc"});
      main.captions["Menu_ReadAdc"] = "ENOB Test";
      host_.MenuVisibilityChanged();
      break;
    case kContinue:
      show(main, {"Regist"});
      host_.MenuVisibilityChanged();
      break;
    case kChamber:
      show(setup, {"Label6", "ChamberCOM", "ChamberSelect"});
      break;
    case kRegisterTest:
      show(main, {"SaveReg1", "DownloadReg1", "Memu_File"});
      host_.MenuVisibilityChanged();
      break;
    default:
      break;
  }
}

void ChipLoader::DataLine(Pass& pass, const ChipLine& line, std::string_view raw) {
  const uint16_t s = pass.section;
  if (s >= kRegBitStr && s <= kRegWordStrCn) {
    const bool cn = s >= kRegBitStrCn;
    if (model_.DescriptionLanguage == (cn ? 1 : 0)) {
      DescriptionLine(pass, line, raw, (s - kRegBitStr) % 3);
    }
    return;
  }
  if (s == kProduct) {
    // The caption is set even from a line without a word.
    const std::string word = Word(line, 1);
    if (!word.empty()) model_.ProductName = model_.ModelName = word;
    model_.Ui.Form(kRegisterView).captions["Caption"] = model_.ProductName + "Register";
    if (model_.ProductName == "7R402") pass.result.forceLinkKind = 2;
    return;
  }
  if (WordCount(line) == 0) return;
  NumberRegister& num = pass.number;
  switch (s) {
    case kCompiler:
      model_.CompilerName = Word(line, 1);
      break;
    case kId:
      model_.ChipId = num.U16(Word(line, 1));
      break;
    case kRom:
      model_.RomSize = num.U16(Word(line, 1));
      if (model_.RomSize < 256) model_.RomSize = kDefaultRomSize;
      break;
    case kReg0:
    case kReg1: {
      AddressRange& r = s == kReg0 ? model_.Reg0Range : model_.Reg1Range;
      r.first = num.U16(Word(line, 1));
      r.last = num.U16(Word(line, 2));
      break;
    }
    case kStack:
      model_.StackDepth = std::max(num.U8(Word(line, 1)), kMinStackDepth);
      break;
    case kSbmAddr:
      break;
    case kSimIc:
      model_.SimIc = num.U16(Word(line, 1));
      break;
    case kReg3Byte:
      ++model_.Reg3ByteCount;
      break;
    case kPgaIndex:
      for (size_t i = 0; i < model_.PgaGain.size(); ++i) {
        const uint8_t g = num.U8(Word(line, static_cast<int>(i) + 1));
        model_.PgaGain[i] = g == 0 ? 1 : g;
      }
      break;
    case kGainIndex:
      for (size_t i = 0; i < model_.AdgnGain.size(); ++i) {
        const uint8_t g = num.U8(Word(line, static_cast<int>(i) + 1));
        model_.AdgnGain[i] = g == 0 ? 1 : g;
      }
      break;
    case kRegByte:
      ByteLine(pass, line);
      break;
    case kRegWord:
      WordLine(pass, line);
      break;
    case kAdc0s:
      pass.analog.Apply(AnalogSectionParser::Block::Adc, line);
      break;
    case kOp0s:
      pass.analog.Apply(AnalogSectionParser::Block::Op, line);
      break;
    case kCmp0s:
      pass.analog.Apply(AnalogSectionParser::Block::Cmp, line);
      break;
    default:
      if (s >= kRamBank0 && s <= kRamBank4) RamBankLine(pass, line, s - kRamBank0);
      if (s >= kRegBit && s <= kRegBit3) BitLine(pass, line, s - kRegBit);
      break;
  }
}

void ChipLoader::RamBankLine(Pass& pass, const ChipLine& line, int bank) {
  AddressRange& r = model_.RamBank[static_cast<size_t>(bank)];
  r.first = pass.number.U16(Word(line, 1));
  r.last = pass.number.U16(Word(line, 2));
  if (r.first >= r.last) return;
  if (r.first >= kAddressSpace) {
    pass.Warn("RAM bank starts beyond address 3FFH; nothing marked");
    return;
  }
  int last = r.last;
  if (last >= kAddressSpace) {
    pass.Warn("RAM bank ends beyond address 3FFH; marked up to 3FFH");
    last = kAddressSpace - 1;
  }
  for (int a = r.first; a <= last; ++a) model_.ValidBits[static_cast<size_t>(a)] = 0xFF;
  FormState& ram = model_.Ui.Form(kRamView);
  ram.visible["PBank" + std::to_string(bank)] = true;
  ram.visible["RAMBANK" + std::to_string(bank)] = true;
}

void ChipLoader::BitLine(Pass& pass, const ChipLine& line, int page) {
  const uint16_t address = pass.number.U16(Word(line, 1));
  if (address >= kAddressSpace) {
    pass.Warn("bit register address " + std::to_string(address) + " beyond 3FFH; line skipped");
    return;
  }
  if (model_.BitRegs.Full()) {
    pass.Warn("more than 512 bit registers; line skipped");
    return;
  }
  model_.Ui.Form(kRegisterView).visible[kPageButtons[page]] = true;
  BitRegister reg;
  reg.address = address;
  reg.name = Cut(Word(line, 2), kNameLength);
  uint8_t mask = 0xFF;
  for (int k = 0; k < 8; ++k) {
    const std::string name = Word(line, 3 + k);
    reg.bit[static_cast<size_t>(k)].name = Cut(name, kNameLength);
    if (name == "-") mask = static_cast<uint8_t>(mask & ~(1u << (7 - k)));
  }
  model_.ValidBits[address] = mask;
  model_.LastValue[address] = 0;
  if (model_.BitRegs.Add(reg) != 0) {
    pass.Warn("out of memory for the bit register list; line skipped");
    return;
  }
  ++model_.BitPageCount[static_cast<size_t>(page)];
}

void ChipLoader::ByteLine(Pass& pass, const ChipLine& line) {
  const uint16_t address = pass.number.U16(Word(line, 1));
  const uint8_t mask = pass.number.U8(Word(line, 3));
  if (address >= kAddressSpace) {
    pass.Warn("byte register address " + std::to_string(address) + " beyond 3FFH; line skipped");
    return;
  }
  if (model_.ByteRegs.Full()) {
    pass.Warn("more than 512 byte registers; line skipped");
    return;
  }
  const int n = model_.ByteRegisterCount;
  GridState& grid = model_.Ui.Grid("SByteReg");
  if (n % 9 == 0) grid.SetRows((n / 9) * 2 + 2);
  model_.ValidBits[address] = mask;
  grid.SetCell(n % 9, (n / 9) * 2, Word(line, 2));
  model_.LastValue[address] = 0;
  ByteRegister reg;
  reg.address = address;
  if (model_.ByteRegs.Add(reg) != 0) {
    pass.Warn("out of memory for the byte register list; line skipped");
    return;
  }
  model_.ByteRegisterCount = static_cast<uint16_t>(n + 1);
}

void ChipLoader::WordLine(Pass& pass, const ChipLine& line) {
  const uint16_t first = pass.number.U16(Word(line, 1));
  const uint16_t second = pass.number.U16(Word(line, 3));
  const uint8_t firstMask = pass.number.U8(Word(line, 5));
  const uint8_t secondMask = pass.number.U8(Word(line, 6));
  if (first >= kAddressSpace || second >= kAddressSpace) {
    pass.Warn("word register address beyond 3FFH; line skipped");
    return;
  }
  if (model_.WordRegs.Full()) {
    pass.Warn("more than 512 word registers; line skipped");
    return;
  }
  const int n = model_.WordRegisterCount;
  GridState& grid = model_.Ui.Grid("SWordReg");
  if (n % 9 == 0) grid.SetRows((n / 9) * 2 + 2);
  model_.ValidBits[first] = firstMask;
  grid.SetCell(n % 9, (n / 9) * 2, Word(line, 2));
  model_.ValidBits[second] = secondMask;
  model_.LastValue[first] = 0;
  model_.LastValue[second] = 0;
  WordRegister reg;
  reg.first = first;
  reg.second = second;
  if (model_.WordRegs.Add(reg) != 0) {
    pass.Warn("out of memory for the word register list; line skipped");
    return;
  }
  model_.WordRegisterCount = static_cast<uint16_t>(n + 1);
}

void ChipLoader::DescriptionLine(Pass& pass, const ChipLine& line, std::string_view raw, int kind) {
  int& selected = pass.selection[kind];
  const std::string first = Word(line, 1);
  int32_t key = 0;
  if (ParseNumber(first, key)) {
    pass.number.Convert(first);
    int32_t index = -1;
    if (kind == 0) index = model_.BitRegs.IndexOfKey(key);
    if (kind == 1) index = model_.ByteRegs.IndexOfKey(key);
    if (kind == 2) index = model_.WordRegs.IndexOfKey(key);
    if (index >= 0) {
      selected = index;
      if (kind == 0) pass.bitStringIndex = 0;
    }
    return;
  }
  if (!HasComment(line) || selected < 0) return;
  // The string is the line as written without its first and last character (the quotes).
  const std::string_view text = raw.size() >= 2 ? raw.substr(1, raw.size() - 2) : "";
  if (kind == 0) {
    BitRegister* reg = model_.BitRegs.Items(selected);
    if (!reg) return;
    const int i = pass.bitStringIndex;
    if (i == 0) {
      reg->description = Cut(text, kDescriptionLength);
    } else if (i <= 8) {
      reg->bit[static_cast<size_t>(i - 1)].description = Cut(text, kBitDescriptionLength);
    }
    if (i <= 8) ++pass.bitStringIndex;
  } else if (kind == 1) {
    if (ByteRegister* reg = model_.ByteRegs.Items(selected)) {
      reg->description = Cut(text, kDescriptionLength);
    }
  } else if (WordRegister* reg = model_.WordRegs.Items(selected)) {
    reg->description = Cut(text, kDescriptionLength);
  }
}

void ChipLoader::Finish(LoadResult& result, const LoadRequest& request) {
  model_.Loaded = true;
  int bank = request.currentBank;
  if (bank < 0 || bank > 4 ||
      model_.RamBank[static_cast<size_t>(bank)].last ==
          model_.RamBank[static_cast<size_t>(bank)].first) {
    bank = 0;
  }
  int page = request.currentPage;
  if (page < 0 || page > 3 || (page >= 1 && model_.BitPageCount[static_cast<size_t>(page)] == 0)) {
    page = 0;
  }
  result.currentBank = bank;
  result.currentPage = page;
  result.clearAdcWindowFlag = !model_.HasAdc0;
  result.status = LoadResult::Status::Loaded;
}

}  // namespace qx::chip
