#pragma once

// A port's device given as a network address rather than a serial device:
//
//   rfc2217://HOST:PORT[?OPTION=VALUE[&OPTION=VALUE...]]   Telnet with the
//       COM-PORT-OPTION (RFC 2217): the server sets its line as the reader's
//       rate asks;
//   tcp://HOST:PORT[?...]   a raw byte stream to a server whose line runs at a
//       rate of its own, which no request changes.
//
// HOST is an IPv4 address, an IPv6 address in brackets ([::1]) or a host name;
// PORT is 1 to 65535. The scheme is read without regard to case. Options:
//   connect_ms=MS   the bound on connecting (resolve, connect, negotiate) and on
//                   each confirmation of a rate, for this address;
//   network_ms=MS   the network allowance added to every wait for an answer;
//   baud=RATE       tcp only: the rate the server's line runs at; opening at
//                   another rate fails (SELMEK_ERR_RATE_FIXED).
// An unknown option, an option twice, or a value out of range makes the whole
// address malformed. Nothing here touches the network.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace selmek {

enum class NetworkScheme { rfc2217, tcp };

struct NetworkAddress {
    NetworkScheme scheme = NetworkScheme::rfc2217;
    std::string host;  // without the brackets of an IPv6 address
    std::uint16_t port = 0;
    std::optional<std::chrono::milliseconds> connect_wait;
    std::optional<std::chrono::milliseconds> network_allowance;
    std::optional<std::int32_t> fixed_rate;

    bool operator==(const NetworkAddress &) const = default;
};

// Whether `device` names a network address at all ("scheme://..."), well formed
// or not: such a name is never a serial device.
bool looks_like_network_address(std::string_view device);

// The address `device` names; nothing when it is malformed, has an unknown
// scheme, a port out of range or an option that is not known for its scheme.
std::optional<NetworkAddress> parse_network_address(std::string_view device);

}  // namespace selmek
