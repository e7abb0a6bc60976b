#include "core/app/RemoteBench.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/analysis/AdcCapture.h"
#include "core/app/WindowTitles.h"
#include "core/chip/ChipList.h"
#include "core/chip/FileTextSource.h"
#include "core/chip/SetupChipLoad.h"
#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiServer.h"
#include "core/views/RamCommands.h"

namespace qx::app {

namespace {

constexpr char kMaker[] = "Quorvane";
constexpr int kImageSize = 1024;
constexpr char kNoBridgeText[] = "the link kind has no USB bridge";

/// "Qx-740xTEST V1.4" -> model "Qx-740xTEST", version "1.4".
void SplitCaption(std::string& model, std::string& version) {
  const std::string caption = kMainCaption;
  const size_t v = caption.rfind(" V");
  model = v == std::string::npos ? caption : caption.substr(0, v);
  version = v == std::string::npos ? "0" : caption.substr(v + 2);
}

/// The bridge's name up to its first NUL, unprintable bytes as '_', no trailing spaces; an
/// `*IDN?` field (`idnField`) carries no separators either and is never empty.
std::string BridgeText(const std::string& raw, bool idnField) {
  std::string out;
  for (const char c : raw) {
    if (c == '\0') break;
    const bool separator = idnField && (c == ',' || c == ';');
    out.push_back(separator || c < ' ' || c > '~' ? '_' : c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out.empty() && idnField ? "0" : out;
}

}  // namespace

remote::ScpiIdentity RemoteBench::Identity() {
  remote::ScpiIdentity id;
  id.maker = kMaker;
  SplitCaption(id.model, id.version);
  // Built whole and moved in: GCC 12 at -O3 takes an assignment of "0" here for an overflow.
  std::string name;
  const bool named =
      bench_.monitor.UsbKind() && bench_.monitor.Online() && bench_.access.ReadBridgeName(name);
  id.serial = named ? BridgeText(name, true) : std::string(1, '0');
  return id;
}

int RemoteBench::SelfTest() {
  if (bench_.monitor.UsbKind()) {
    std::string name;
    return bench_.monitor.EnsureOnline() && bench_.access.ReadBridgeName(name) ? 0 : 1;
  }
  return bench_.access.ReadBytes(0, 1) ? 0 : 1;
}

bool RemoteBench::Reachable(remote::ScpiCall& call) {
  if (!bench_.monitor.UsbKind() || bench_.monitor.EnsureOnline()) return true;
  call.Fail(kNotConnected, link::kUsbNotConnect);
  return false;
}

bool RemoteBench::Idle(remote::ScpiCall& c) {
  if (temp_.Running()) {
    c.Fail(RemoteTempRun::kRunning, RemoteTempRun::kRunningText);
    return false;
  }
  if (capture_.Busy() || bench_.capture.idle == 0) {
    c.Fail(RemoteCapture::kCapturing, "a capture runs already");
    return false;
  }
  return true;
}

void RemoteBench::StopLongWork() {
  if (bench_.capture.idle == 0) bench_.capture.idle = 1;
  if (bench_.tempTest.Running) bench_.tempTest.Button2Click();
}

void RemoteBench::AddCommands(remote::ScpiCommandTree& tree) {
  using remote::ScpiCall;
  const std::function<bool(ScpiCall&)> idle = [this](ScpiCall& c) { return Idle(c); };
  tree.AddChange("LINK:KIND", [this](ScpiCall& c) {
    if (!c.Count(1, 1) || !Idle(c)) return;
    if (const auto kind = c.Integer(0, link::kLinkRs232, link::kLinkQx740x))
      bench_.target.LinkKind = static_cast<uint16_t>(*kind);
  });
  tree.Add("LINK:KIND?", [this](ScpiCall& c) {
    if (c.Count(0, 0)) c.Reply(std::to_string(bench_.target.LinkKind));
  });
  tree.Add("LINK:STATe?", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    const link::TargetRecord& t = bench_.target;
    bool up = false;
    if (bench_.monitor.UsbKind())
      up = bench_.monitor.Online();
    else if (t.LinkKind == link::kLinkParallel)
      up = bench_.parallel.Ready();
    else
      up = t.ComOpen;
    c.Reply(up ? "1" : "0");
  });
  tree.AddChange("REGister:VALue", [this](ScpiCall& c) {
    if (!c.Count(2, 2) || !Idle(c)) return;
    const auto address = Address(c);
    if (!address) return;
    const auto value = c.Integer(1, 0, 255);
    if (!value) return;
    if (bench_.target.LinkKind == link::kLinkQx740x && *address >= link::kAdcRegisters)
      return c.Fail(kOutOfReach, link::kQx740xReach);
    if (!Reachable(c)) return;
    const std::string failure =
        bench_.access.WriteReg(static_cast<uint16_t>(*address), static_cast<uint8_t>(*value));
    if (failure.empty()) return;
    const bool readBack = failure.ends_with("read-back failed");
    c.Fail(readBack ? kReadBackFailed : kWriteFailed, failure);
  });
  tree.Add("REGister:VALue?", [this](ScpiCall& c) {
    if (!c.Count(1, 2)) return;
    const auto address = Address(c);
    if (!address) return;
    long long count = 1;
    if (c.Params().size() == 2) {
      const auto n = c.Integer(1, 1, 255);
      if (!n) return;
      count = *n;
    }
    if (*address + count > kImageSize) return c.Fail(remote::error::kDataOutOfRange);
    const bool qx = bench_.target.LinkKind == link::kLinkQx740x;
    if (qx && *address + count > link::kAdcRegisters)
      return c.Fail(kOutOfReach, link::kQx740xReach);
    if (!Reachable(c)) return;
    if (!bench_.access.ReadBytes(static_cast<uint16_t>(*address), static_cast<uint8_t>(count)))
      return c.Fail(kReadFailed, analysis::kReadError);
    std::vector<double> values;
    for (long long i = 0; i < count; ++i)
      values.push_back(bench_.frame[static_cast<size_t>(i) + (qx ? 1 : 0)]);
    c.Reply(remote::format::Values(values, c.Format()));
  });
  tree.Add("LINK:BRIDge?", [this](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    if (!bench_.monitor.UsbKind()) return c.Fail(kNotConnected, kNoBridgeText);
    if (!Reachable(c)) return;
    std::string name;
    if (!bench_.access.ReadBridgeName(name)) return c.Fail(kReadFailed, analysis::kReadError);
    c.Reply(remote::format::Quoted(BridgeText(name, false)));
  });
  tree.AddChange("REGister:FIELd", [this](ScpiCall& c) {
    if (!c.Count(2, 2) || !Idle(c)) return;
    const chip::FieldDescriptor* field = FieldNamed(c);
    if (!field) return;
    const int bits = std::min<int>(field->width, 8 - field->lsb);
    const auto value = c.Integer(1, 0, (1 << bits) - 1);
    if (!value || !FieldReachable(c, *field)) return;
    // The other bits of the register stay as the target holds them now.
    const auto address = static_cast<uint16_t>(field->address);
    if (!bench_.access.ReadBytes(address, 1)) return c.Fail(kReadFailed, analysis::kReadError);
    const uint8_t now = bench_.frame[bench_.target.LinkKind == link::kLinkQx740x ? 1 : 0];
    const std::string failure =
        bench_.access.WriteReg(address, field->Insert(now, static_cast<uint8_t>(*value)));
    if (!failure.empty())
      return c.Fail(failure.ends_with("read-back failed") ? kReadBackFailed : kWriteFailed,
                    failure);
    if (field->Extract(bench_.access.GetRegImage(address)) != *value)
      c.Fail(kReadBackFailed, FieldText(c) + " = " + std::to_string(*value) + " did not take");
  });
  tree.Add("REGister:FIELd?", [this](ScpiCall& c) {
    if (!c.Count(1, 1)) return;
    const chip::FieldDescriptor* field = FieldNamed(c);
    if (!field || !FieldReachable(c, *field)) return;
    if (!bench_.access.ReadBytes(field->address, 1))
      return c.Fail(kReadFailed, analysis::kReadError);
    const uint8_t reg = bench_.frame[bench_.target.LinkKind == link::kLinkQx740x ? 1 : 0];
    c.Reply(std::to_string(field->Extract(reg)));
  });
  tree.Add("REGister:DATA?", [this](ScpiCall& c) { ImageBlock(c, false); });
  AddChipCommands(tree);
  capture_.AddCommands(tree, idle);
  temp_.AddCommands(tree, idle);
  tree.Add("MEMory:DATA?", [this](ScpiCall& c) { ImageBlock(c, true); });
}

void RemoteBench::AddChipCommands(remote::ScpiCommandTree& tree) {
  using remote::ScpiCall;
  // The index as the setup dialog's chip list shows it: one quoted item per chip, in order.
  const auto list = [this](ScpiCall& c) -> std::optional<chip::ChipList> {
    if (chipFolder_.empty()) {
      c.Fail(remote::error::kExecution, "this program has no chip folder");
      return std::nullopt;
    }
    chip::FileTextSource files;
    chip::ChipList chips = chip::ChipList::Read(files, chipFolder_);
    if (!chips.error.empty()) {
      c.Fail(kChipLoadFailed,
             chip::JoinPath(chipFolder_, chip::kChipIndexFile) + ": " + chips.error);
      return std::nullopt;
    }
    return chips;
  };
  tree.Add("CHIP:CATalog?", [list](ScpiCall& c) {
    if (!c.Count(0, 0)) return;
    const auto chips = list(c);
    if (!chips) return;
    std::string reply;
    for (const std::string& item : chips->items) {
      if (!reply.empty()) reply += ',';
      reply += remote::format::Quoted(item);
    }
    c.Reply(reply);
  });
  tree.AddChange("CHIP:SELect", [this, list](ScpiCall& c) {
    if (!c.Count(1, 1) || !Idle(c)) return;
    const auto chips = list(c);
    if (!chips) return;
    const auto index = c.Integer(0, 0, static_cast<long long>(chips->items.size()) - 1);
    if (!index) return;
    bench_.target.ChipIndex = static_cast<uint16_t>(*index);
    chip::FileTextSource files;
    const chip::LoadResult r = chip::SetupChipLoad(bench_.chip, bench_.target, bench_.settings,
                                                   bench_.host, files, chipFolder_)
                                   .Load();
    if (chipLoaded_) chipLoaded_();
    if (r.Ok()) return;
    std::string why = r.error;
    if (why.empty()) why = "the chip description " + r.chipFile + " was not loaded";
    c.Fail(kChipLoadFailed, why);
  });
  tree.Add("CHIP:SELect?", [this](ScpiCall& c) {
    if (c.Count(0, 0)) c.Reply(std::to_string(bench_.target.ChipIndex));
  });
}

std::optional<long long> RemoteBench::Address(remote::ScpiCall& c) {
  const remote::ScpiParam& p = c.Params()[0];
  if (p.kind != remote::ScpiParam::Kind::String && p.kind != remote::ScpiParam::Kind::Word)
    return c.Integer(0, 0, kImageSize - 1);
  // A byte register by the name the chip description gives it (the register view's byte grid
  // shows the names nine to a row, register n in column n % 9 of row (n / 9) * 2).
  const std::string name = FieldText(c);
  const chip::GridState& grid = bench_.chip.Ui.Grid("SByteReg");
  for (int n = 0; n < bench_.chip.ByteRegisterCount; ++n) {
    std::string cell = grid.Cell(n % 9, (n / 9) * 2);
    for (char& ch : cell) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const chip::ByteRegister* reg = bench_.chip.ByteRegs.Items(n);
    if (reg && cell == name) return reg->address;
  }
  c.Fail(kNoSuchField, "the chip description declares no register " + name);
  return std::nullopt;
}

std::string RemoteBench::FieldText(remote::ScpiCall& c) {
  std::string name = c.Params()[0].text;
  for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return name;
}

const chip::FieldDescriptor* RemoteBench::FieldNamed(remote::ScpiCall& c) {
  const remote::ScpiParam& p = c.Params()[0];
  if (p.kind != remote::ScpiParam::Kind::String && p.kind != remote::ScpiParam::Kind::Word) {
    c.Fail(remote::error::kIllegalParameterValue, "the field is named by its keyword");
    return nullptr;
  }
  // The analog blocks' fields by their keyword in the chip description: ADC, then op-amp and
  // comparator.
  const std::string key = FieldText(c);
  for (const auto* fields :
       {&bench_.chip.AdcFields, &bench_.chip.OpFields, &bench_.chip.CmpFields}) {
    const auto it = fields->find(key);
    if (it != fields->end() && it->second.present && it->second.width > 0 && it->second.lsb < 8)
      return &it->second;
  }
  c.Fail(kNoSuchField, "the chip description declares no field " + key);
  return nullptr;
}

bool RemoteBench::FieldReachable(remote::ScpiCall& c, const chip::FieldDescriptor& field) {
  if (bench_.target.LinkKind == link::kLinkQx740x && field.address >= link::kAdcRegisters) {
    c.Fail(kOutOfReach, link::kQx740xReach);
    return false;
  }
  return Reachable(c);
}

void RemoteBench::ImageBlock(remote::ScpiCall& c, bool readRam) {
  if (!c.Count(2, 2)) return;
  const auto address = c.Integer(0, 0, kImageSize - 1);
  if (!address) return;
  const auto count = c.Integer(1, 1, kImageSize);
  if (!count) return;
  if (*address + *count > kImageSize) return c.Fail(remote::error::kDataOutOfRange);
  if (readRam) {
    // As the main window's Read RAM: the whole image from the target, then the range of it.
    if (!Reachable(c)) return;
    bool read = true;
    if (bench_.target.LinkKind == link::kLinkQx740x) {
      // The window's Read RAM shows whatever a failed read of the five registers left; a
      // client is told instead.
      auto& shadow = bench_.access.AdcRegShadow();
      for (uint16_t a = 0; a < link::kAdcRegisters && read; ++a) {
        read = bench_.access.ReadBytes(a, 1);
        if (read) bench_.access.SetRegImage(a, shadow[a]);
      }
    } else {
      views::RamCommands ram(bench_.target, bench_.frame, bench_.access, bench_.chip, bench_.host);
      read = ram.ReadRam();
    }
    if (!read) return c.Fail(kReadFailed, analysis::kReadError);
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(*count));
  for (long long i = 0; i < *count; ++i)
    bytes.push_back(static_cast<char>(bench_.access.GetRegImage(static_cast<int>(*address + i))));
  c.Reply(remote::format::Block(bytes));
}

std::string RemoteBench::PanelStatus(const std::string& where, size_t clients,
                                     std::optional<uint64_t> lockHolder) {
  std::string text = !lockHolder ? "Remote"
                     : *lockHolder == remote::ScpiServer::kLocal
                         ? "Local (clients may not change the bench)"
                         : "Remote, locked by a client";
  text.append(" on ").append(where).append(", ").append(std::to_string(clients));
  text.append(clients == 1 ? " client" : " clients");
  return text;
}

std::string RemoteBench::LocalRefusal(const std::string& what, std::optional<uint64_t> lockHolder) {
  if (!lockHolder || *lockHolder == remote::ScpiServer::kLocal) return {};
  std::string text = what;
  text.append(" refused: a remote client holds the lock (Option > Local takes control back)");
  return text;
}

}  // namespace qx::app
