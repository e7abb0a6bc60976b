#include "platform/BulkTables.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/LibusbBulkDriver.h"

namespace qx::platform {
namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes Head(const std::array<uint8_t, N>& a, size_t n) {
  return Bytes(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n));
}

template <size_t N>
bool ZeroFrom(const std::array<uint8_t, N>& a, size_t from) {
  for (size_t i = from; i < N; ++i) {
    if (a[i] != 0) return false;
  }
  return true;
}

TEST(BulkTables, DeviceDescriptorIsTheStandardEighteenBytesThenZeros) {
  UsbDeviceFields d;
  d.bcdUSB = 0x0110;
  d.deviceClass = 0xFF;
  d.deviceSubClass = 0x01;
  d.deviceProtocol = 0x02;
  d.maxPacketSize0 = 64;
  d.idVendor = 0x0547;
  d.idProduct = 0x100A;
  d.bcdDevice = 0x0727;
  d.iManufacturer = 1;
  d.iProduct = 2;
  d.iSerialNumber = 3;
  d.numConfigurations = 1;
  const auto out = BulkTables::EncodeDeviceDescriptor(d);
  ASSERT_EQ(out.size(), 148u);
  EXPECT_EQ(Head(out, 18), (Bytes{0x12, 0x01, 0x10, 0x01, 0xFF, 0x01, 0x02, 0x40, 0x47, 0x05, 0x0A,
                                  0x10, 0x27, 0x07, 0x01, 0x02, 0x03, 0x01}));
  EXPECT_TRUE(ZeroFrom(out, 18));

  // The words the link reads back out of the buffer.
  link::UsbLink usb;
  std::copy(out.begin(), out.end(), usb.DeviceDescriptor.begin());
  EXPECT_EQ(usb.VendorId(), 0x0547);
  EXPECT_EQ(usb.ProductId(), 0x100A);
  EXPECT_EQ(usb.DeviceRelease(), 0x0727);
}

TEST(BulkTables, InterfaceBlockListsPipesInEndpointOrder) {
  UsbInterfaceFields iface;
  iface.number = 0;
  iface.alternateSetting = 0;
  iface.interfaceClass = 0xFF;
  iface.interfaceSubClass = 0x00;
  iface.interfaceProtocol = 0x00;
  iface.endpoints = {
      {0x82, 0x02, 0x0040, 0},   // bulk IN
      {0x02, 0x02, 0x0040, 0},   // bulk OUT
      {0x81, 0x03, 0x0008, 10},  // interrupt IN
  };
  const auto out = BulkTables::EncodeInterfaceBlock(iface);
  ASSERT_EQ(out.size(), 356u);
  const Bytes expected = {
      // header: Length 16 + 3 * 20 = 76, number, alt, class, subclass, protocol, reserved,
      // InterfaceHandle 1, NumberOfPipes 3
      0x4C, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00,
      0x00,
      // pipe 0: 64 bytes, EP 82, interval 0, bulk, handle 1, max transfer 4096, flags 0
      0x40, 0x00, 0x82, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00,
      // pipe 1: EP 02, handle 2
      0x40, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00,
      // pipe 2: 8 bytes, EP 81, interval 10, interrupt, handle 3
      0x08, 0x00, 0x81, 0x0A, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Head(out, expected.size()), expected);
  EXPECT_TRUE(ZeroFrom(out, expected.size()));
}

TEST(BulkTables, PipeTableStopsAtSeventeenEntries) {
  UsbInterfaceFields iface;
  for (uint8_t i = 0; i < 20; ++i) {
    iface.endpoints.push_back({static_cast<uint8_t>(0x81 + i), 0x02, 512, 0});
  }
  const auto pipes = BulkTables::Pipes(iface);
  ASSERT_EQ(pipes.size(), 17u);
  EXPECT_EQ(pipes.back().EndpointAddress, 0x91);
  EXPECT_EQ(pipes.back().PipeHandle, 17u);

  const auto out = BulkTables::EncodeInterfaceBlock(iface);
  EXPECT_EQ(Head(out, 2), (Bytes{0x64, 0x01}));  // 356
  EXPECT_EQ(Bytes(out.begin() + 12, out.begin() + 16), (Bytes{17, 0, 0, 0}));
  EXPECT_EQ(Bytes(out.end() - 20, out.end() - 16), (Bytes{0x00, 0x02, 0x91, 0x00}));
}

TEST(BulkTables, HighSpeedPacketMultiplierIsNotPartOfThePacketSize) {
  UsbInterfaceFields iface;
  iface.endpoints = {{0x81, 0x01, 0x1400, 1}};  // 2 extra transactions of 1024 bytes
  const auto pipes = BulkTables::Pipes(iface);
  ASSERT_EQ(pipes.size(), 1u);
  EXPECT_EQ(pipes[0].MaximumPacketSize, 1024);
  EXPECT_EQ(pipes[0].PipeType, 1u);
}

TEST(BulkTables, EmptyInterfaceHasHeaderOnly) {
  const auto out = BulkTables::EncodeInterfaceBlock(UsbInterfaceFields{});
  EXPECT_EQ(Head(out, 16), (Bytes{0x10, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(ZeroFrom(out, 16));
}

TEST(BulkTables, PipeNumberIsFourBytesLittleEndian) {
  EXPECT_EQ(BulkTables::DecodePipeNumber(Bytes{1, 0, 0, 0}), 1u);
  EXPECT_EQ(BulkTables::DecodePipeNumber(Bytes{0, 0, 1, 0}), 0x10000u);
  EXPECT_EQ(BulkTables::DecodePipeNumber(Bytes{0x78, 0x56, 0x34, 0x12, 0xEE}), 0x12345678u);
  EXPECT_EQ(BulkTables::DecodePipeNumber(Bytes{1, 0, 0}), std::nullopt);
  EXPECT_EQ(BulkTables::DecodePipeNumber(Bytes{}), std::nullopt);
}

TEST(LibusbBulkDriver, DeviceNames) {
  const struct {
    const char* name;
    std::optional<int> number;
  } cases[] = {
      {"Qxusb-0", 0},    {"Qxusb-31", 31},   {"\\\\.\\Qxusb-7", 7}, {"QXUSB-3", 3},
      {"Qxusb-", {}},    {"Qxusb-x", {}},    {"Qxusb-1a", {}},      {"Qxusb--1", {}},
      {"Qxusb-256", {}}, {"Qxusb-0000", {}}, {"Ezusb-0", {}},       {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LibusbBulkDriver::DeviceNumber(c.name), c.number) << c.name;
  }
}

TEST(LibusbBulkDriver, NoDeviceMeansInvalidHandlesAndFailedRequests) {
  LibusbBulkDriver driver;
  EXPECT_FALSE(link::IsValidHandle(driver.Open("not-a-bridge")));
  EXPECT_NE(driver.LastError(), 0);
  // No machine has 256 bridges; without usbfs the library does not even start. Neither crashes.
  EXPECT_FALSE(link::IsValidHandle(driver.Open("Qxusb-255")));
  EXPECT_NE(driver.LastError(), 0);

  std::array<uint8_t, 148> out{};
  out.fill(0xEE);
  size_t returned = 99;
  const Bytes pipe = {0, 0, 0, 0};
  for (uint32_t code : {link::bulk::kGetDeviceDescriptor, link::bulk::kGetPipeInfo,
                        link::bulk::kBulkWrite, link::bulk::kBulkRead}) {
    EXPECT_FALSE(driver.Control(1, code, pipe, out, returned)) << code;
    EXPECT_EQ(returned, 0u);
  }
  EXPECT_EQ(out[0], 0xEE);
  driver.Close(1);
  driver.Close(link::kInvalidHandle);
}

}  // namespace
}  // namespace qx::platform

namespace qx::platform {
namespace {

TEST(LibusbBulkDriver, OnlyTheTwoBridgeProductsOfTheVendorAreEverOpened) {
  EXPECT_TRUE(LibusbBulkDriver::IsBridge(0x0547, 0x1004));
  EXPECT_TRUE(LibusbBulkDriver::IsBridge(0x0547, 0x100A));
  // Another board of the same chip vendor (an EZ-USB development kit) stays with its driver.
  EXPECT_FALSE(LibusbBulkDriver::IsBridge(0x0547, 0x2131));
  EXPECT_FALSE(LibusbBulkDriver::IsBridge(0x04D8, 0x1004));
}

}  // namespace
}  // namespace qx::platform
