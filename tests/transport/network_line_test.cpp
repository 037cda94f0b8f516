// The network lines against a server of the test's own on 127.0.0.1, for what a
// real serial-port server cannot be made to do: refuse the COM-PORT-OPTION, send
// a malformed sub-negotiation, never confirm a rate, refuse one, close while a
// frame is on its way. And the addresses that open nothing, each with its own
// reason at once.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "com_port_client.h"
#include "exchange.h"
#include "network_line.h"
#include "platform/last_error.h"
#include "selmek_results.h"
#include "stream_socket.h"
#include "telnet_codec.h"
#include "loopback_server.h"
#include "transport/port_session.h"

namespace {

using namespace transport_test;
using namespace selmek::telnet;
using selmek::Clock;
using selmek::NetworkLine;
using OpenFailure = selmek::StreamSocket::OpenFailure;

constexpr auto kConnectWait = 400ms;
// A bound is kept when the call returns within it and this much for the
// machine's own delays.
constexpr auto kSlack = 400ms;

Bytes com_port(Bytes payload) {
    Bytes out;
    put_subnegotiation(kComPortOption, payload, out);
    return out;
}

// A rate as RFC 2217 carries it.
Bytes rate_bytes(std::uint32_t rate) {
    return {static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
            static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)};
}

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The server's side of a session: the client's option requests taken and the
// COM-PORT-OPTION agreed.
void agree(Connection &client) {
    client.read_until({kIac, kWill, kComPortOption});
    client.write({kIac, kDo, kComPortOption});
}

// The answers a willing server gives to the line settings, with `rate` for the
// rate.
Bytes settings_answers(std::uint32_t rate) {
    return joined({com_port(joined({{101}, rate_bytes(rate)})), com_port({102, 8}),
                   com_port({103, 1}), com_port({104, 1})});
}

// Agreement and the line settings at `rate` confirmed.
void serve_open(Connection &client, std::uint32_t rate) {
    agree(client);
    // The settings end with the purge request.
    client.read_until(com_port({12, 3}));
    client.write(settings_answers(rate));
}

std::string address_of(const LoopbackServer &server, const char *scheme = "rfc2217") {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(server.port());
}

NetworkLine line() { return NetworkLine(kConnectWait, 20ms); }

// ---- opening -----------------------------------------------------------------

struct OpenCase {
    const char *name;
    void (*serve)(Connection &);
    int expected;
};

void PrintTo(const OpenCase &c, std::ostream *os) { *os << c.name; }

const OpenCase kOpenCases[] = {
    {"server_agrees_and_confirms", [](Connection &c) { serve_open(c, 9600); }, 0},
    {"server_refuses_the_com_port_option",
     [](Connection &c) {
         c.read_until({kIac, kWill, kComPortOption});
         c.write({kIac, kDont, kComPortOption});
         c.read_to_end();
     },
     selmek::StreamSocket::system_code(OpenFailure::protocol_refused)},
    {"malformed_subnegotiation",
     [](Connection &c) {
         agree(c);
         c.read_until(com_port({12, 3}));
         c.write(com_port({101, 0x00, 0x25}));  // a rate of two bytes
         c.read_to_end();
     },
     selmek::StreamSocket::system_code(OpenFailure::protocol_broken)},
    {"server_refuses_the_rate",
     [](Connection &c) {
         agree(c);
         c.read_until(com_port({12, 3}));
         c.write(settings_answers(115200));
         c.read_to_end();
     },
     platform::kErrorInvalidArgument},
    {"server_never_confirms_the_rate",
     [](Connection &c) {
         agree(c);
         c.read_to_end();
     },
     selmek::StreamSocket::system_code(OpenFailure::timed_out)},
    {"server_never_answers_the_options", [](Connection &c) { c.read_to_end(); },
     selmek::StreamSocket::system_code(OpenFailure::timed_out)},
    {"server_closes_while_negotiating",
     [](Connection &c) {
         c.read_until({kIac, kWill, kComPortOption});
     },
     selmek::StreamSocket::system_code(OpenFailure::closed)},
};

class OpeningRfc2217 : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpeningRfc2217, EndsWithTheServersAnswerWithinTheConnectBound) {
    const OpenCase &c = GetParam();
    LoopbackServer server(c.serve);
    NetworkLine network = line();
    const auto start = Clock::now();
    EXPECT_EQ(network.open(address_of(server), 9600), c.expected);
    EXPECT_LT(Clock::now() - start, kConnectWait + kSlack);
    EXPECT_EQ(network.is_open(), c.expected == 0);
    network.close();
}

INSTANTIATE_TEST_SUITE_P(NetworkLine, OpeningRfc2217, ::testing::ValuesIn(kOpenCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct HostCase {
    const char *name;
    const char *host;
    LoopbackServer::Family family;
};

void PrintTo(const HostCase &c, std::ostream *os) { *os << c.name; }

class Hosts : public ::testing::TestWithParam<HostCase> {};

TEST_P(Hosts, AreReachedByAddressOrName) {
    LoopbackServer server([](Connection &c) { serve_open(c, 9600); }, GetParam().family);
    NetworkLine network = line();
    EXPECT_EQ(network.open(
                  std::string("rfc2217://") + GetParam().host + ":" + std::to_string(server.port()),
                  9600),
              0);
    network.close();
}

INSTANTIATE_TEST_SUITE_P(
    NetworkLine, Hosts,
    ::testing::Values(HostCase{"ipv4", "127.0.0.1", LoopbackServer::Family::ipv4},
                      HostCase{"ipv6", "[::1]", LoopbackServer::Family::ipv6},
                      HostCase{"host_name", "localhost", LoopbackServer::Family::ipv4}),
    [](const auto &info) { return std::string(info.param.name); });

struct BadAddressCase {
    const char *name;
    std::string device;
    int expected;
};

void PrintTo(const BadAddressCase &c, std::ostream *os) { *os << c.name; }

class BadAddresses : public ::testing::TestWithParam<BadAddressCase> {};

TEST_P(BadAddresses, FailAtOnceWithTheirOwnReason) {
    NetworkLine network = line();
    const auto start = Clock::now();
    EXPECT_EQ(network.open(GetParam().device, 9600), GetParam().expected);
    EXPECT_LT(Clock::now() - start, kConnectWait + kSlack);
    EXPECT_FALSE(network.is_open());
}

INSTANTIATE_TEST_SUITE_P(
    NetworkLine, BadAddresses,
    ::testing::Values(
        // Which addresses are malformed is the parser's to say (network_address_test).
        BadAddressCase{"malformed", "ssh://127.0.0.1:22", SELMEK_ERR_BAD_ADDRESS},
        BadAddressCase{"not_an_ipv6_address", "tcp://[12:zz::1]:2000", SELMEK_ERR_BAD_ADDRESS},
        BadAddressCase{"name_that_does_not_resolve", "rfc2217://no-such-host.invalid:2217",
                       SELMEK_ERR_UNKNOWN_HOST},
        BadAddressCase{"fixed_rate_of_another_speed", "tcp://127.0.0.1:1?baud=115200",
                       SELMEK_ERR_RATE_FIXED}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(NetworkLine, NobodyListeningIsTheSystemsRefusal) {
    NetworkLine network = line();
    const int why = network.open("tcp://127.0.0.1:" + std::to_string(closed_port()), 9600);
#if defined(_WIN32)
    EXPECT_EQ(why, 10061);  // WSAECONNREFUSED
#else
    EXPECT_EQ(why, ECONNREFUSED);
#endif
}

// ---- an open line ------------------------------------------------------------

struct RateCase {
    const char *name;
    Bytes answer;  // to the request for 38400; nothing: no answer
    std::int32_t expected;
    std::int32_t rate_after;
};

void PrintTo(const RateCase &c, std::ostream *os) { *os << c.name; }

const RateCase kRateCases[] = {
    {"confirmed", com_port(joined({{101}, rate_bytes(38400)})), SELMEK_OK, 38400},
    {"refused", com_port(joined({{101}, rate_bytes(9600)})), SELMEK_ERR_BAD_BAUD, 9600},
    {"unanswered", {}, SELMEK_ERR_BAD_BAUD, 9600},
};

class ChangingTheRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(ChangingTheRate, CountsOnlyWhatTheServerConfirms) {
    const RateCase &c = GetParam();
    LoopbackServer server([&c](Connection &client) {
        serve_open(client, 9600);
        client.read_until(com_port(joined({{1}, rate_bytes(38400)})));
        // Data before the answer is kept for the reader.
        client.write(joined({{0x42}, c.answer}));
        client.read_to_end();
    });
    NetworkLine network = line();
    ASSERT_EQ(network.open(address_of(server), 9600), 0);
    const auto start = Clock::now();
    EXPECT_EQ(network.set_rate(38400), c.expected);
    EXPECT_LT(Clock::now() - start, kConnectWait + kSlack);
    EXPECT_EQ(network.rate(), c.rate_after);
    network.close();
}

INSTANTIATE_TEST_SUITE_P(NetworkLine, ChangingTheRate, ::testing::ValuesIn(kRateCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(NetworkLine, AfterAnUnansweredChangeTheNextIsAskedForEvenAtThePresentRate) {
    bool asked_again = false;
    {
        LoopbackServer server([&](Connection &client) {
            serve_open(client, 9600);
            client.read_until(com_port(joined({{1}, rate_bytes(38400)})));
            // Not answered in time; then answered late, before the next request's.
            asked_again = !client.read_until(com_port(joined({{1}, rate_bytes(9600)}))).empty();
            client.write(joined({com_port(joined({{101}, rate_bytes(38400)})),
                                 com_port(joined({{101}, rate_bytes(9600)}))}));
            client.read_to_end();
        });
        NetworkLine network = line();
        ASSERT_EQ(network.open(address_of(server), 9600), 0);
        EXPECT_EQ(network.set_rate(38400), SELMEK_ERR_BAD_BAUD);
        EXPECT_EQ(network.set_rate(9600), SELMEK_OK);
        EXPECT_EQ(network.rate(), 9600);
        network.close();
    }
    EXPECT_TRUE(asked_again);
}

TEST(NetworkLine, FramesCrossWithTheirIacBytesDoubledBothWaysAndOptionsRefused) {
    const Bytes request = {0xAA, 0xBB, 0x06, 0xF9, 0x00, 0x00, 0x13, 0xFF, 0xEB};
    const Bytes answer = reader_frame(0, Bytes(16, 0xFF));
    Bytes received;
    Bytes refusals;
    {
        LoopbackServer server([&](Connection &client) {
            serve_open(client, 115200);
            Bytes doubled;
            escape_data(request.data(), request.size(), doubled);
            received = client.read_until(doubled);
            // An offer mid-session, then the answer with its IACs doubled.
            Bytes wire = {kIac, kWill, 77};
            escape_data(answer.data(), answer.size(), wire);
            client.write(wire);
            refusals = client.read_until({kIac, kDont, 77});
            client.read_to_end();
        });
        NetworkLine network = line();
        ASSERT_EQ(network.open(address_of(server), 115200), 0);
        std::array<std::uint8_t, 1024> response{};
        std::uint32_t length = 0;
        ASSERT_EQ(selmek::exchange_frame(network, 500ms, request.data(), request.size(),
                                         response.data(), &length),
                  SELMEK_OK);
        EXPECT_EQ(Bytes(response.begin(), response.begin() + length), answer);
        network.close();
    }  // the server's script has ended
    EXPECT_EQ(received.back(), 0xEB);
    EXPECT_EQ(std::count(received.begin(), received.end(), 0xFF), 2);
    EXPECT_EQ(refusals, (Bytes{kIac, kDont, 77}));
}

TEST(NetworkLine, AServerThatClosesMidFrameIsADeviceGone) {
    const Bytes answer = reader_frame(0, Bytes(16, 0x11));
    LoopbackServer server([&](Connection &client) {
        serve_open(client, 9600);
        client.read_until({0xFA});
        client.write(Bytes(answer.begin(), answer.begin() + 8));
    });
    NetworkLine network = line();
    ASSERT_EQ(network.open(address_of(server), 9600), 0);
    const Bytes request = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};
    std::array<std::uint8_t, 1024> response{};
    std::uint32_t length = 0;
    EXPECT_EQ(selmek::exchange_frame(network, 2000ms, request.data(), request.size(),
                                     response.data(), &length),
              SELMEK_ERR_DEVICE_GONE);
    EXPECT_EQ(length, 0u);
}

TEST(NetworkLine, ARawStreamCarriesBytesAsTheyAreAndKeepsItsRate) {
    const Bytes request = {0xAA, 0xBB, 0x06, 0xF9, 0x00, 0x00, 0x13, 0xFF, 0xEB};
    const Bytes answer = reader_frame(0, Bytes(4, 0xFF));
    Bytes received;
    {
        LoopbackServer server([&](Connection &client) {
            received = client.read_until(request);
            client.write(answer);
            client.read_to_end();
        });
        NetworkLine network = line();
        ASSERT_EQ(network.open(address_of(server, "tcp") + "?baud=9600", 9600), 0);
        EXPECT_EQ(network.set_rate(9600), SELMEK_OK);
        EXPECT_EQ(network.set_rate(19200), SELMEK_ERR_RATE_FIXED);
        EXPECT_EQ(network.rate(), 9600);
        std::array<std::uint8_t, 1024> response{};
        std::uint32_t length = 0;
        ASSERT_EQ(selmek::exchange_frame(network, 500ms, request.data(), request.size(),
                                         response.data(), &length),
                  SELMEK_OK);
        EXPECT_EQ(Bytes(response.begin(), response.begin() + length), answer);
        EXPECT_EQ(network.network_allowance(), 20ms);
        network.close();
    }  // the server's script has ended
    EXPECT_EQ(received, request);
}

struct AllowanceCase {
    const char *name;
    const char *options;
    std::int32_t expected;
};

void PrintTo(const AllowanceCase &c, std::ostream *os) { *os << c.name; }

class NetworkAllowance : public ::testing::TestWithParam<AllowanceCase> {};

// A server that answers 250 ms late, against a first-byte wait of 100 ms.
TEST_P(NetworkAllowance, IsAddedToTheWaitForTheReader) {
    const Bytes request = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};
    LoopbackServer server([&](Connection &client) {
        serve_open(client, 9600);
        client.read_until(request);
        std::this_thread::sleep_for(250ms);
        client.write(reader_frame(0, {}));
        client.read_to_end();
    });
    selmek::WaitSettings waits;
    waits.first_byte_wait = 100ms;
    waits.turnaround_allowance = 100ms;
    waits.network_allowance = 400ms;
    selmek::PortSession session;
    ASSERT_EQ(session.open(address_of(server) + GetParam().options, 9600, waits), 0);
    std::array<std::uint8_t, 1024> response{};
    std::uint32_t length = 0;
    EXPECT_EQ(session.exchange(request.data(), request.size(), response.data(), &length),
              GetParam().expected);
    session.close();
}

INSTANTIATE_TEST_SUITE_P(PortSession, NetworkAllowance,
                         ::testing::Values(AllowanceCase{"from_the_settings", "", SELMEK_OK},
                                           AllowanceCase{"none_for_this_address", "?network_ms=0",
                                                         SELMEK_ERR_TIMEOUT}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(NetworkLine, AnAddresssOwnWaitsWinOverTheSettings) {
    LoopbackServer server([](Connection &client) { client.read_to_end(1s); });
    NetworkLine network(10s, 20ms);
    const auto start = Clock::now();
    EXPECT_EQ(network.open(address_of(server) + "?connect_ms=100&network_ms=7", 9600),
              selmek::StreamSocket::system_code(OpenFailure::timed_out));
    EXPECT_LT(Clock::now() - start, 100ms + kSlack);
}

}  // namespace
