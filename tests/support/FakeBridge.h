#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/link/BulkDriver.h"
#include "core/link/HidBackend.h"

namespace qx::test {

using Bytes = std::vector<uint8_t>;

/// A bridge that records every request and answers through a responder. By default it answers
/// the claim, identify and init exchanges of a free bridge and FA to everything else.
struct FakeBridge {
  std::vector<Bytes> requests;  ///< each request as sent (HID: 64 bytes; bulk: n bytes)
  std::function<Bytes(const Bytes&)> respond;
  std::deque<Bytes> scripted;  ///< replies that take precedence over `respond`, in order
  bool claimed = false;
  int failWrites = 0;  ///< the next N writes fail
  int failReads = 0;   ///< the next N reads fail
  Bytes reply;

  FakeBridge() {
    respond = [this](const Bytes& r) { return DefaultReply(r); };
  }

  Bytes DefaultReply(const Bytes& r) {
    Bytes out(64, 0);
    if (r.size() >= 2 && r[0] == 0xF9) {
      switch (r[1]) {
        case 0x02:
          out[0] = claimed ? 0x00 : 0xFF;
          out[1] = claimed ? 0x00 : 0xFF;
          return out;
        case 0x01:
        case 0x04:
        case 0x06:
          out[0] = r[2];
          out[1] = r[3];
          return out;
        case 0xAC:
          std::memcpy(out.data(), "Quorvane", 8);
          return out;
        default:
          return out;
      }
    }
    out[0] = 0xFA;
    return out;
  }

  bool Write(const Bytes& request) {
    if (failWrites > 0) {
      --failWrites;
      return false;
    }
    requests.push_back(request);
    if (!scripted.empty()) {
      reply = scripted.front();
      scripted.pop_front();
    } else {
      reply = respond(request);
    }
    reply.resize(std::max<size_t>(reply.size(), 64), 0);
    return true;
  }
  bool Read(uint8_t* dest, size_t n) {
    if (failReads > 0) {
      --failReads;
      return false;
    }
    std::copy_n(reply.begin(), std::min(n, reply.size()), dest);
    return true;
  }
  /// Requests from index `from` on, each cut to `n` bytes.
  std::vector<Bytes> Heads(size_t n, size_t from = 0) const {
    std::vector<Bytes> out;
    for (size_t i = from; i < requests.size(); ++i)
      out.emplace_back(requests[i].begin(),
                       requests[i].begin() + static_cast<long>(std::min(n, requests[i].size())));
    return out;
  }
};

/// HID devices by index; the bridge sits at `bridgeIndex` when `bridge` is set.
class FakeHid : public link::HidBackend {
 public:
  struct Device {
    uint16_t vendor, product, version;
  };
  std::map<int, Device> devices;
  FakeBridge* bridge = nullptr;
  int bridgeIndex = 0;
  int getDeviceCalls = 0;
  std::vector<link::DeviceHandle> closed;

  void AttachBridge(FakeBridge& b, int index = 0) {
    bridge = &b;
    bridgeIndex = index;
    devices[index] = {0x04D8, 0x2008, 0x0727};
  }

  link::DeviceHandle GetDevice(int index, bool& present) override {
    ++getDeviceCalls;
    present = devices.count(index) > 0;
    return present ? 100 + index : link::kInvalidHandle;
  }
  bool GetAttributes(link::DeviceHandle h, link::HidAttributes& out) override {
    const auto it = devices.find(static_cast<int>(h - 100));
    if (it == devices.end()) return false;
    out = {65, 65, it->second.vendor, it->second.product, it->second.version};
    return true;
  }
  bool Write(link::DeviceHandle h, std::span<const uint8_t> report) override {
    if (!IsBridge(h) || report.size() != 65 || report[0] != 0) return false;
    return bridge->Write(Bytes(report.begin() + 1, report.end()));
  }
  bool Read(link::DeviceHandle h, std::span<uint8_t> report) override {
    if (!IsBridge(h) || report.size() != 65) return false;
    report[0] = 0;
    return bridge->Read(report.data() + 1, 64);
  }
  void Close(link::DeviceHandle h) override { closed.push_back(h); }

 private:
  bool IsBridge(link::DeviceHandle h) const { return bridge && h == 100 + bridgeIndex; }
};

/// The bulk driver with at most one bridge, "Qxusb-<number>".
class FakeBulk : public link::BulkDriver {
 public:
  struct Control {
    uint32_t code;
    uint32_t pipe;
    size_t length;
  };
  FakeBridge* bridge = nullptr;
  int number = 0;
  uint16_t vendor = 0x0547, product = 0x1004;
  uint8_t inEndpoint = 0x81, outEndpoint = 0x02;
  std::vector<std::string> opened;
  std::vector<Control> controls;
  int closes = 0;

  link::DeviceHandle Open(const std::string& name) override {
    opened.push_back(name);
    return bridge && name == "Qxusb-" + std::to_string(number) ? 7 : link::kInvalidHandle;
  }
  bool Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
               std::span<uint8_t> out, size_t& returned) override {
    if (h != 7 || !bridge) return false;
    const uint32_t pipe = in.size() == 4 ? static_cast<uint32_t>(in[0] | in[1] << 8) : 0xFFFF;
    controls.push_back({code, pipe, out.size()});
    returned = out.size();
    switch (code) {
      case link::bulk::kGetDeviceDescriptor:
        std::fill(out.begin(), out.end(), uint8_t{0});
        out[0] = 18;
        out[1] = 1;
        out[8] = static_cast<uint8_t>(vendor);
        out[9] = static_cast<uint8_t>(vendor >> 8);
        out[10] = static_cast<uint8_t>(product);
        out[11] = static_cast<uint8_t>(product >> 8);
        return true;
      case link::bulk::kGetPipeInfo:
        std::fill(out.begin(), out.end(), uint8_t{0});
        out[12] = 2;  // two pipes
        out[16] = 64;
        out[18] = inEndpoint;
        out[20] = 2;
        out[36] = 64;
        out[38] = outEndpoint;
        out[40] = 2;
        return true;
      case link::bulk::kBulkWrite:
        return bridge->Write(Bytes(out.begin(), out.end()));
      case link::bulk::kBulkRead:
        return bridge->Read(out.data(), out.size());
      default:
        return false;
    }
  }
  void Close(link::DeviceHandle) override { ++closes; }
};

}  // namespace qx::test
