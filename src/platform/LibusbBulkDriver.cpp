#include "platform/LibusbBulkDriver.h"

#include <libusb.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <string_view>
#include <tuple>

#include "core/link/UsbTransport.h"
#include "platform/BulkTables.h"

namespace qx::platform {
namespace {

constexpr int kInterface = 0;
constexpr int kMaxDeviceNumber = 255;

int ErrnoOf(int usbError) {
  switch (usbError) {
    case LIBUSB_ERROR_TIMEOUT:
      return ETIMEDOUT;
    case LIBUSB_ERROR_NO_DEVICE:
      return ENODEV;
    case LIBUSB_ERROR_ACCESS:
      return EACCES;
    case LIBUSB_ERROR_BUSY:
      return EBUSY;
    case LIBUSB_ERROR_NOT_FOUND:
      return ENOENT;
    case LIBUSB_ERROR_PIPE:
      return EPIPE;
    case LIBUSB_ERROR_OVERFLOW:
      return EOVERFLOW;
    case LIBUSB_ERROR_NO_MEM:
      return ENOMEM;
    case LIBUSB_ERROR_INVALID_PARAM:
      return EINVAL;
    default:
      return EIO;
  }
}

UsbDeviceFields FieldsOf(const libusb_device_descriptor& d) {
  UsbDeviceFields f;
  f.bcdUSB = d.bcdUSB;
  f.deviceClass = d.bDeviceClass;
  f.deviceSubClass = d.bDeviceSubClass;
  f.deviceProtocol = d.bDeviceProtocol;
  f.maxPacketSize0 = d.bMaxPacketSize0;
  f.idVendor = d.idVendor;
  f.idProduct = d.idProduct;
  f.bcdDevice = d.bcdDevice;
  f.iManufacturer = d.iManufacturer;
  f.iProduct = d.iProduct;
  f.iSerialNumber = d.iSerialNumber;
  f.numConfigurations = d.bNumConfigurations;
  return f;
}

/// Interface 0, alternate setting 0 of the device's active (else first) configuration.
std::optional<UsbInterfaceFields> InterfaceZero(libusb_device* dev) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(dev, &config) != 0 &&
      libusb_get_config_descriptor(dev, 0, &config) != 0) {
    return std::nullopt;
  }
  std::optional<UsbInterfaceFields> found;
  for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
    const libusb_interface& itf = config->interface[i];
    for (int a = 0; a < itf.num_altsetting; ++a) {
      const libusb_interface_descriptor& alt = itf.altsetting[a];
      if (alt.bInterfaceNumber != kInterface || alt.bAlternateSetting != 0) continue;
      UsbInterfaceFields f;
      f.number = alt.bInterfaceNumber;
      f.alternateSetting = alt.bAlternateSetting;
      f.interfaceClass = alt.bInterfaceClass;
      f.interfaceSubClass = alt.bInterfaceSubClass;
      f.interfaceProtocol = alt.bInterfaceProtocol;
      for (int e = 0; e < alt.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& ep = alt.endpoint[e];
        f.endpoints.push_back(
            {ep.bEndpointAddress, ep.bmAttributes, ep.wMaxPacketSize, ep.bInterval});
      }
      found = f;
      break;
    }
  }
  libusb_free_config_descriptor(config);
  return found;
}

}  // namespace

LibusbBulkDriver::LibusbBulkDriver() = default;

LibusbBulkDriver::~LibusbBulkDriver() {
  while (!devices_.empty()) Close(devices_.begin()->first);
  if (context_ != nullptr) libusb_exit(context_);
}

std::optional<int> LibusbBulkDriver::DeviceNumber(const std::string& name) {
  std::string_view rest = name;
  if (rest.starts_with("\\\\.\\")) rest.remove_prefix(4);
  constexpr std::string_view kPrefix = "qxusb-";
  if (rest.size() <= kPrefix.size() || rest.size() > kPrefix.size() + 3) return std::nullopt;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(rest[i])) != kPrefix[i]) return std::nullopt;
  }
  int n = 0;
  for (char c : rest.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > kMaxDeviceNumber) return std::nullopt;
  return n;
}

bool LibusbBulkDriver::Fail(int error) {
  lastError_ = error;
  return false;
}

bool LibusbBulkDriver::StartLibrary() {
  if (context_ != nullptr) return true;
  // A machine without usbfs (containers, some CI runners) will not get better by retrying.
  if (startFailed_) return Fail(ENODEV);
  const int rc = libusb_init(&context_);
  if (rc != 0) {
    context_ = nullptr;
    startFailed_ = true;
    return Fail(ErrnoOf(rc) == EIO ? ENODEV : ErrnoOf(rc));
  }
  return true;
}

link::DeviceHandle LibusbBulkDriver::Open(const std::string& name) {
  const std::optional<int> number = DeviceNumber(name);
  if (!number) {
    Fail(ENOENT);
    return link::kInvalidHandle;
  }
  if (!StartLibrary()) return link::kInvalidHandle;

  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  if (count < 0) {
    Fail(ErrnoOf(static_cast<int>(count)));
    return link::kInvalidHandle;
  }
  struct Candidate {
    uint8_t bus;
    uint8_t address;
    libusb_device* dev;
    libusb_device_descriptor descriptor;
  };
  std::vector<Candidate> candidates;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor d{};
    // Only the descriptor is read here: a device of the vendor that is no bridge is never
    // opened, claimed or taken from its kernel driver.
    if (libusb_get_device_descriptor(list[i], &d) != 0 || !IsBridge(d.idVendor, d.idProduct))
      continue;
    candidates.push_back(
        {libusb_get_bus_number(list[i]), libusb_get_device_address(list[i]), list[i], d});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.bus, a.address) < std::tie(b.bus, b.address);
  });

  link::DeviceHandle result = link::kInvalidHandle;
  if (static_cast<size_t>(*number) >= candidates.size()) {
    Fail(ENOENT);
  } else {
    const Candidate& c = candidates[static_cast<size_t>(*number)];
    Device dev;
    const std::optional<UsbInterfaceFields> iface = InterfaceZero(c.dev);
    int rc = iface ? libusb_open(c.dev, &dev.usb) : LIBUSB_ERROR_NOT_FOUND;
    if (rc == 0) {
      // A kernel driver bound to the interface (usbtest and friends) would make the claim fail.
      libusb_set_auto_detach_kernel_driver(dev.usb, 1);
      rc = libusb_claim_interface(dev.usb, kInterface);
      if (rc != 0) {
        libusb_close(dev.usb);
        dev.usb = nullptr;
      }
    }
    if (rc != 0) {
      Fail(ErrnoOf(rc));
    } else {
      dev.descriptor = BulkTables::EncodeDeviceDescriptor(FieldsOf(c.descriptor));
      dev.interfaceBlock = BulkTables::EncodeInterfaceBlock(*iface);
      dev.pipes = BulkTables::Pipes(*iface);
      link::DeviceHandle h = 1;
      while (devices_.contains(h)) ++h;
      devices_.emplace(h, dev);
      result = h;
    }
  }
  libusb_free_device_list(list, 1);
  return result;
}

bool LibusbBulkDriver::IsBridge(uint16_t vendor, uint16_t product) {
  return vendor == kVendor &&
         (product == link::bridge_id::kBulkProduct || product == link::bridge_id::kBulkProductAlt);
}

bool LibusbBulkDriver::Control(link::DeviceHandle h, uint32_t code, std::span<const uint8_t> in,
                               std::span<uint8_t> out, size_t& returned) {
  returned = 0;
  auto it = devices_.find(h);
  if (it == devices_.end()) return Fail(EBADF);
  Device& dev = it->second;
  switch (code) {
    case link::bulk::kGetDeviceDescriptor:
    case link::bulk::kGetPipeInfo: {
      const bool descriptor = code == link::bulk::kGetDeviceDescriptor;
      const std::span<const uint8_t> table =
          descriptor ? std::span<const uint8_t>(dev.descriptor) : dev.interfaceBlock;
      const size_t least =
          descriptor ? BulkTables::kDeviceDescriptorLength : link::bulk::kInterfaceHeaderSize;
      if (out.size() < least) return Fail(EINVAL);
      returned = std::min(out.size(), table.size());
      std::copy_n(table.begin(), returned, out.begin());
      return true;
    }
    case link::bulk::kBulkWrite:
    case link::bulk::kBulkRead:
      return Transfer(dev, code, in, out, returned);
    default:
      return Fail(EINVAL);
  }
}

bool LibusbBulkDriver::Transfer(Device& dev, uint32_t code, std::span<const uint8_t> in,
                                std::span<uint8_t> out, size_t& returned) {
  const std::optional<uint32_t> pipe = BulkTables::DecodePipeNumber(in);
  if (!pipe || *pipe >= dev.pipes.size()) return Fail(EINVAL);
  const link::PipeEntry& p = dev.pipes[*pipe];
  const bool reading = code == link::bulk::kBulkRead;
  const bool inEndpoint = (p.EndpointAddress & 0x80) != 0;
  if (reading != inEndpoint) return Fail(EINVAL);
  const bool bulk = p.PipeType == LIBUSB_TRANSFER_TYPE_BULK;
  if (!bulk && p.PipeType != LIBUSB_TRANSFER_TYPE_INTERRUPT) return Fail(EINVAL);
  if (out.size() > static_cast<size_t>(INT_MAX / 2)) return Fail(EINVAL);

  // The bridge answers with whole packets; asking for less than a packet would end the read
  // in an overflow error, so read whole packets and hand back the part that was asked for.
  std::vector<uint8_t> packetBuffer;
  std::span<uint8_t> buffer = out;
  const size_t packet = p.MaximumPacketSize;
  if (reading && packet > 0 && out.size() % packet != 0) {
    packetBuffer.resize((out.size() / packet + 1) * packet);
    buffer = packetBuffer;
  }
  int moved = 0;
  const int length = static_cast<int>(buffer.size());
  const int rc = bulk ? libusb_bulk_transfer(dev.usb, p.EndpointAddress, buffer.data(), length,
                                             &moved, kTransferTimeoutMs)
                      : libusb_interrupt_transfer(dev.usb, p.EndpointAddress, buffer.data(), length,
                                                  &moved, kTransferTimeoutMs);
  if (rc != 0) return Fail(ErrnoOf(rc));
  returned = std::min(static_cast<size_t>(moved), out.size());
  if (buffer.data() != out.data()) std::copy_n(buffer.begin(), returned, out.begin());
  return true;
}

void LibusbBulkDriver::Close(link::DeviceHandle h) {
  auto it = devices_.find(h);
  if (it == devices_.end()) return;
  libusb_release_interface(it->second.usb, kInterface);
  libusb_close(it->second.usb);
  devices_.erase(it);
}

}  // namespace qx::platform
