#include "core/remote/ScpiAddress.h"

namespace qx::remote {

namespace {

/// A decimal number of at most `digits` digits, nothing else.
std::optional<uint32_t> Decimal(const std::string& text, size_t digits) {
  if (text.empty() || text.size() > digits) return std::nullopt;
  uint32_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  return v;
}

}  // namespace

bool Ipv4Net::Contains(uint32_t host) const {
  if (prefix <= 0) return true;
  const uint32_t mask = prefix >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
  return (host & mask) == (address & mask);
}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
  uint32_t address = 0;
  size_t from = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = text.find('.', from);
    if ((part < 3) == (dot == std::string::npos)) return std::nullopt;
    const auto v = Decimal(text.substr(from, dot == std::string::npos ? dot : dot - from), 3);
    if (!v || *v > 255) return std::nullopt;
    address = address << 8 | *v;
    from = dot + 1;
  }
  return address;
}

std::optional<Ipv4Endpoint> ParseEndpoint(const std::string& text, std::string& error) {
  const size_t colon = text.rfind(':');
  const auto address = ParseIpv4(text.substr(0, colon));
  if (colon == std::string::npos || !address) {
    error = "not an IPv4 address and port (A.B.C.D:PORT): " + text;
    return std::nullopt;
  }
  const auto port = Decimal(text.substr(colon + 1), 5);
  if (!port || *port > 65535) {
    error = "port must be a number from 0 to 65535: " + text;
    return std::nullopt;
  }
  return Ipv4Endpoint{*address, static_cast<uint16_t>(*port)};
}

std::optional<std::vector<Ipv4Net>> ParseAllowList(const std::string& text, std::string& error) {
  std::vector<Ipv4Net> nets;
  size_t from = 0;
  while (true) {
    const size_t comma = text.find(',', from);
    const std::string item = text.substr(from, comma == std::string::npos ? comma : comma - from);
    const size_t slash = item.find('/');
    const auto address = ParseIpv4(item.substr(0, slash));
    const auto prefix = slash == std::string::npos ? std::optional<uint32_t>(32)
                                                   : Decimal(item.substr(slash + 1), 2);
    if (!address || !prefix || *prefix > 32) {
      error = "not an IPv4 network (A.B.C.D/N): " + item;
      return std::nullopt;
    }
    nets.push_back(Ipv4Net{*address, static_cast<int>(*prefix)});
    if (comma == std::string::npos) return nets;
    from = comma + 1;
  }
}

bool Allowed(const std::vector<Ipv4Net>& allow, uint32_t host) {
  if (allow.empty()) return true;
  for (const Ipv4Net& net : allow)
    if (net.Contains(host)) return true;
  return false;
}

std::string FormatIpv4(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
         std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace qx::remote
