#include "cli/ChipCommands.h"

#include "cli/CliSession.h"
#include "cli/JsonWriter.h"
#include "cli/LinkCommands.h"
#include "core/base/RecordingHost.h"
#include "core/base/Settings.h"
#include "core/chip/ChipList.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/ChipModel.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/SetupChipLoad.h"
#include "core/link/TargetRecord.h"
#include "platform/ChipText.h"

namespace qx::cli {

namespace {

using platform::ChipTextToUtf8;

void Range(JsonWriter& j, const chip::AddressRange& r) {
  j.BeginArray().Int(r.first).Int(r.last).EndArray();
}

template <class Array>
void Ints(JsonWriter& j, const Array& values) {
  j.BeginArray();
  for (auto v : values) j.Int(v);
  j.EndArray();
}

template <class Array>
void Texts(JsonWriter& j, const Array& values) {
  j.BeginArray();
  for (const auto& v : values) j.String(ChipTextToUtf8(v));
  j.EndArray();
}

void Fields(JsonWriter& j, const std::map<std::string, chip::FieldDescriptor>& fields) {
  j.BeginObject();
  for (const auto& [key, f] : fields) {
    j.Key(key).BeginObject();
    j.Key("address").Int(f.address);
    j.Key("width").Int(f.width);
    j.Key("lsb").Int(f.lsb);
    j.Key("present").Bool(f.present);
    j.EndObject();
  }
  j.EndObject();
}

void Registers(JsonWriter& j, const chip::ChipModel& m) {
  j.Key("bitRegisters").BeginArray();
  for (int i = 0; i < m.BitRegs.Count(); ++i) {
    const chip::BitRegister* r = m.BitRegs.Items(i);
    j.BeginObject();
    j.Key("name").String(ChipTextToUtf8(r->name));
    j.Key("address").Int(r->address);
    j.Key("bits").BeginArray();
    for (const auto& b : r->bit) j.String(ChipTextToUtf8(b.name));
    j.EndArray();
    j.Key("description").String(ChipTextToUtf8(r->description));
    j.Key("bitDescriptions").BeginArray();
    for (const auto& b : r->bit) j.String(ChipTextToUtf8(b.description));
    j.EndArray();
    j.EndObject();
  }
  j.EndArray();

  // Byte and word register names live only in their grids: name i at column i mod 9 of
  // every second row.
  const chip::GridState& bytes = m.Ui.Grid("SByteReg");
  j.Key("byteRegisters").BeginArray();
  for (int i = 0; i < m.ByteRegs.Count(); ++i) {
    const chip::ByteRegister* r = m.ByteRegs.Items(i);
    j.BeginObject();
    j.Key("name").String(ChipTextToUtf8(bytes.Cell(i % 9, (i / 9) * 2)));
    j.Key("address").Int(r->address);
    j.Key("description").String(ChipTextToUtf8(r->description));
    j.EndObject();
  }
  j.EndArray();

  const chip::GridState& words = m.Ui.Grid("SWordReg");
  j.Key("wordRegisters").BeginArray();
  for (int i = 0; i < m.WordRegs.Count(); ++i) {
    const chip::WordRegister* r = m.WordRegs.Items(i);
    j.BeginObject();
    j.Key("name").String(ChipTextToUtf8(words.Cell(i % 9, (i / 9) * 2)));
    j.Key("first").Int(r->first);
    j.Key("second").Int(r->second);
    j.Key("description").String(ChipTextToUtf8(r->description));
    j.EndObject();
  }
  j.EndArray();
}

std::string Dump(const chip::ChipModel& m, bool loaded, int linkKind) {
  JsonWriter j;
  j.BeginObject();
  j.Key("loaded").Bool(loaded);
  j.Key("product").String(ChipTextToUtf8(m.ProductName));
  j.Key("compiler").String(ChipTextToUtf8(m.CompilerName));
  j.Key("id").Int(m.ChipId);
  j.Key("rom").Int(m.RomSize);
  j.Key("reg0"), Range(j, m.Reg0Range);
  j.Key("reg1"), Range(j, m.Reg1Range);
  j.Key("ramBanks").BeginArray();
  for (const auto& bank : m.RamBank) Range(j, bank);
  j.EndArray();
  j.Key("bitPageCount"), Ints(j, m.BitPageCount);
  j.Key("byteRegisterCount").Int(m.ByteRegisterCount);
  j.Key("wordRegisterCount").Int(m.WordRegisterCount);
  j.Key("reg3ByteCount").Int(m.Reg3ByteCount);
  j.Key("stack").Int(m.StackDepth);
  j.Key("simIc").Int(m.SimIc);
  j.Key("hasAdc0").Bool(m.HasAdc0);
  j.Key("hasOp0").Bool(m.HasOp0);
  j.Key("hasCmp0").Bool(m.HasCmp0);
  j.Key("pgaGain"), Ints(j, m.PgaGain);
  j.Key("adgnGain"), Ints(j, m.AdgnGain);
  j.Key("opVddaNames"), Texts(j, m.OpVddaNames);
  j.Key("cmpVddaNames"), Texts(j, m.CmpVddaNames);
  j.Key("linkKind").Int(linkKind);
  j.Key("registerCaption")
      .String(ChipTextToUtf8(m.Ui.Form(chip::kRegisterView).Caption("Caption")));
  j.Key("validBits"), Ints(j, m.ValidBits);
  Registers(j, m);
  j.Key("adc"), Fields(j, m.AdcFields);
  j.Key("op"), Fields(j, m.OpFields);
  j.Key("cmp"), Fields(j, m.CmpFields);
  j.Key("outputs").BeginObject();
  for (const char* key : {"ADCO", "TSO"}) {
    const auto it = m.AdcOutputs.find(key);
    const chip::OutputDescriptor out =
        it == m.AdcOutputs.end() ? chip::OutputDescriptor{} : it->second;
    j.Key(key).BeginObject().Key("address").Int(out.address).Key("present").Bool(out.present);
    j.EndObject();
  }
  j.EndObject();
  // Every control the loader showed or hid: menu items, setup controls, bank and page buttons.
  j.Key("visible").BeginObject();
  for (const char* form :
       {chip::kMainWindow, chip::kSetupDialog, chip::kRamView, chip::kRegisterView}) {
    for (const auto& [name, shown] : m.Ui.Form(form).visible) j.Key(name).Bool(shown);
  }
  j.EndObject();
  j.EndObject();
  return j.Text();
}

}  // namespace

bool IsChipCommand(const std::string& command) {
  return command == "chip-list" || command == "chip-dump";
}

int RunChipCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.args.empty()) {
    err << "qxctl: " << options.command << " takes no arguments " << HelpHint(options.command)
        << "\n";
    return kExitUsage;
  }
  const std::string folder = chip::SetupChipLoad::FolderOf(ProgramDirOf(options.dir));
  chip::FileTextSource files;
  const chip::ChipList list = chip::ChipList::Read(files, folder);
  if (options.command == "chip-list") {
    // An index that exists but cannot be read is no list: the built-in items that stand in for
    // a missing index would read as a success.
    if (!list.error.empty()) {
      err << "qxctl: " << chip::JoinPath(folder, chip::kChipIndexFile) << ": " << list.error
          << "\n";
      return kExitLinkFailed;
    }
    for (const std::string& w : list.warnings) err << "qxctl: warning: " << w << "\n";
    for (const std::string& item : list.items) out << ChipTextToUtf8(item) << "\n";
    return kExitOk;
  }

  const int index = options.chip.value_or(0);
  if (index < 0 || index >= static_cast<int>(list.items.size())) {
    err << "qxctl: --chip must be 0 to " << list.items.size() - 1 << "\n";
    return kExitUsage;
  }
  chip::ChipModel model;
  link::TargetRecord target;
  target.LinkKind = link::kLinkQx740x;
  target.ChipIndex = static_cast<uint16_t>(index);
  base::Settings settings;
  base::RecordingHost host;
  const chip::LoadResult r =
      chip::SetupChipLoad(model, target, settings, host, files, folder).Load();
  out << Dump(model, r.Ok(), target.LinkKind) << "\n";
  if (!r.error.empty()) err << "qxctl: " << r.error << "\n";
  for (const std::string& w : r.warnings) err << "qxctl: warning: " << w << "\n";
  return r.Ok() ? kExitOk : kExitLinkFailed;
}

}  // namespace qx::cli
