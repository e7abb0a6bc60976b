#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx::remote {

/// An IPv4 address and port, the address in host order.
struct Ipv4Endpoint {
  uint32_t address = 0;
  uint16_t port = 0;
};

/// An IPv4 network: the address in host order and the length of its prefix (0..32).
struct Ipv4Net {
  uint32_t address = 0;
  int prefix = 32;
  bool Contains(uint32_t host) const;
};

inline constexpr uint32_t kLoopback = 0x7F000001;  ///< 127.0.0.1

/// "A.B.C.D": four decimal numbers 0..255, nothing else.
std::optional<uint32_t> ParseIpv4(const std::string& text);
/// "A.B.C.D:PORT" (port 0..65535; 0 takes a free one); `error` says what is wrong.
std::optional<Ipv4Endpoint> ParseEndpoint(const std::string& text, std::string& error);
/// "CIDR[,CIDR]": each "A.B.C.D/N" or a single address "A.B.C.D" (as /32).
std::optional<std::vector<Ipv4Net>> ParseAllowList(const std::string& text, std::string& error);
/// An empty list allows every address.
bool Allowed(const std::vector<Ipv4Net>& allow, uint32_t host);
std::string FormatIpv4(uint32_t address);

}  // namespace qx::remote
