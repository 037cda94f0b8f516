// The network addresses a port's device may be: which are taken, as what, and
// which are refused whole.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "network_address.h"

namespace {

using namespace std::chrono_literals;
using selmek::NetworkAddress;
using selmek::NetworkScheme;

NetworkAddress address(NetworkScheme scheme, std::string host, std::uint16_t port) {
    NetworkAddress result;
    result.scheme = scheme;
    result.host = std::move(host);
    result.port = port;
    return result;
}

NetworkAddress with_options(NetworkAddress result, std::optional<std::chrono::milliseconds> connect,
                            std::optional<std::chrono::milliseconds> network,
                            std::optional<std::int32_t> rate = std::nullopt) {
    result.connect_wait = connect;
    result.network_allowance = network;
    result.fixed_rate = rate;
    return result;
}

struct AddressCase {
    const char *name;
    const char *device;
    std::optional<NetworkAddress> expected;
};

void PrintTo(const AddressCase &c, std::ostream *os) { *os << c.name; }

const AddressCase kAddresses[] = {
    {"ipv4", "rfc2217://127.0.0.1:2217", address(NetworkScheme::rfc2217, "127.0.0.1", 2217)},
    {"host_name", "rfc2217://gate-3.lab.example:4001",
     address(NetworkScheme::rfc2217, "gate-3.lab.example", 4001)},
    {"ipv6_in_brackets", "rfc2217://[::1]:2000", address(NetworkScheme::rfc2217, "::1", 2000)},
    {"ipv6_with_zone", "tcp://[fe80::1%eth0]:7000",
     address(NetworkScheme::tcp, "fe80::1%eth0", 7000)},
    {"raw_tcp", "tcp://10.0.0.7:65535", address(NetworkScheme::tcp, "10.0.0.7", 65535)},
    {"scheme_in_any_case", "RFC2217://localhost:1",
     address(NetworkScheme::rfc2217, "localhost", 1)},
    {"options", "rfc2217://h:1?connect_ms=500&network_ms=0",
     with_options(address(NetworkScheme::rfc2217, "h", 1), 500ms, 0ms)},
    {"fixed_rate_of_a_raw_server", "tcp://h:1?baud=115200",
     with_options(address(NetworkScheme::tcp, "h", 1), std::nullopt, std::nullopt, 115200)},

    {"unknown_scheme", "telnet://h:23", std::nullopt},
    {"no_host", "rfc2217://:2217", std::nullopt},
    {"no_port", "rfc2217://host", std::nullopt},
    {"empty_port", "rfc2217://host:", std::nullopt},
    {"port_zero", "rfc2217://host:0", std::nullopt},
    {"port_too_high", "rfc2217://host:65536", std::nullopt},
    {"port_not_a_number", "rfc2217://host:http", std::nullopt},
    {"signed_port", "rfc2217://host:+80", std::nullopt},
    {"path_after_port", "rfc2217://host:80/x", std::nullopt},
    {"ipv6_without_brackets", "rfc2217://::1:2000", std::nullopt},
    {"brackets_unclosed", "rfc2217://[::1:2000", std::nullopt},
    {"brackets_around_a_name", "rfc2217://[host]:2000", std::nullopt},
    {"space_in_host", "rfc2217://my host:1", std::nullopt},
    {"empty_label", "rfc2217://a..b:1", std::nullopt},
    {"user_part", "rfc2217://user@host:1", std::nullopt},
    {"unknown_option", "rfc2217://h:1?logging=debug", std::nullopt},
    {"option_without_value", "rfc2217://h:1?ign_set_control", std::nullopt},
    {"option_twice", "rfc2217://h:1?connect_ms=1&connect_ms=2", std::nullopt},
    {"wait_out_of_range", "rfc2217://h:1?connect_ms=0", std::nullopt},
    {"baud_on_rfc2217", "rfc2217://h:1?baud=9600", std::nullopt},
    {"empty_option_list", "rfc2217://h:1?", std::nullopt},
    {"dangling_ampersand", "tcp://h:1?baud=9600&", std::nullopt},
};

class Addresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(Addresses, AreTakenAsWrittenOrRefusedWhole) {
    const AddressCase &c = GetParam();
    EXPECT_EQ(selmek::parse_network_address(c.device), c.expected);
    EXPECT_TRUE(selmek::looks_like_network_address(c.device)) << "never a serial device";
}

INSTANTIATE_TEST_SUITE_P(NetworkAddress, Addresses, ::testing::ValuesIn(kAddresses),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(NetworkAddress, SerialDevicesAreNoNetworkAddresses) {
    for (const char *device : {"/dev/ttyUSB0", "ttyS0", "\\\\.\\COM3", "COM12", "C:\\x://y",
                               "/dev/serial/by-id/usb-x", "://host:1"}) {
        EXPECT_FALSE(selmek::looks_like_network_address(device)) << device;
    }
}

}  // namespace
