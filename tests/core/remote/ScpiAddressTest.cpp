#include <gtest/gtest.h>

#include <string>

#include "core/remote/ScpiAddress.h"

namespace qx::remote {
namespace {

struct EndpointCase {
  const char* text;
  bool ok;
  uint32_t address;
  uint16_t port;
};

class Endpoints : public ::testing::TestWithParam<EndpointCase> {};

TEST_P(Endpoints, Parse) {
  std::string error;
  const auto e = ParseEndpoint(GetParam().text, error);
  ASSERT_EQ(e.has_value(), GetParam().ok) << GetParam().text;
  if (!e) {
    EXPECT_NE(error.find(GetParam().text), std::string::npos) << error;
    return;
  }
  EXPECT_EQ(e->address, GetParam().address);
  EXPECT_EQ(e->port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Listen, Endpoints,
    ::testing::Values(
        EndpointCase{"127.0.0.1:5025", true, 0x7F000001, 5025},
        EndpointCase{"0.0.0.0:0", true, 0, 0},
        EndpointCase{"192.168.10.255:65535", true, 0xC0A80AFF, 65535},
        EndpointCase{"127.0.0.1:65536", false, 0, 0}, EndpointCase{"127.0.0.1:", false, 0, 0},
        EndpointCase{"127.0.0.1", false, 0, 0}, EndpointCase{"127.0.0.256:1", false, 0, 0},
        EndpointCase{"127.0.1:1", false, 0, 0}, EndpointCase{"1.2.3.4.5:1", false, 0, 0},
        EndpointCase{"localhost:5025", false, 0, 0}, EndpointCase{"127.0.0.1:50x", false, 0, 0},
        EndpointCase{"127..0.1:5", false, 0, 0}));

struct AllowCase {
  const char* list;
  const char* host;
  bool allowed;
};

class AllowLists : public ::testing::TestWithParam<AllowCase> {};

TEST_P(AllowLists, Decide) {
  std::string error;
  const auto nets = ParseAllowList(GetParam().list, error);
  ASSERT_TRUE(nets) << error;
  EXPECT_EQ(Allowed(*nets, *ParseIpv4(GetParam().host)), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(Clients, AllowLists,
                         ::testing::Values(AllowCase{"127.0.0.1/32", "127.0.0.1", true},
                                           AllowCase{"127.0.0.1/32", "127.0.0.2", false},
                                           AllowCase{"10.1.0.0/16,127.0.0.1", "10.1.255.7", true},
                                           AllowCase{"10.1.0.0/16,127.0.0.1", "10.2.0.1", false},
                                           AllowCase{"10.1.0.0/16,127.0.0.1", "127.0.0.1", true},
                                           AllowCase{"0.0.0.0/0", "203.0.113.9", true},
                                           AllowCase{"192.168.1.77/24", "192.168.1.1", true},
                                           AllowCase{"192.168.1.0/25", "192.168.1.128", false}));

TEST(AllowLists, Malformed) {
  for (const char* bad : {"", "10.0.0.0/33", "10.0.0.0/", "10.0.0/8", "10.0.0.0/8,", "a/8"}) {
    std::string error;
    EXPECT_FALSE(ParseAllowList(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(AllowLists, EmptyListAllowsEveryone) {
  EXPECT_TRUE(Allowed({}, 0xCB007109));
}

}  // namespace
}  // namespace qx::remote
