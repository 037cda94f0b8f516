// Telnet below the reader's frames: the decoder by table (data, negotiations,
// sub-negotiations, what is malformed), the escaping of data and commands, and
// the client's side of RFC 2217 fed what a server says.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_port_client.h"
#include "telnet_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using selmek::telnet::Event;
using Kind = selmek::telnet::Event::Kind;
using namespace selmek::telnet;

Event negotiation(std::uint8_t verb, std::uint8_t option) {
    return {Kind::negotiation, verb, option, {}};
}
Event sub(std::uint8_t option, Bytes payload) {
    return {Kind::subnegotiation, 0, option, std::move(payload)};
}
Event malformed(std::uint8_t option) { return {Kind::malformed_subnegotiation, 0, option, {}}; }

Bytes repeated(std::size_t count, std::uint8_t byte) { return Bytes(count, byte); }
Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct DecodeCase {
    const char *name;
    Bytes input;
    Bytes data;
    std::vector<Event> events;
};

void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.name; }

const DecodeCase kDecodeCases[] = {
    {"plain_data", {0xAA, 0xBB, 0x00, 0x0D}, {0xAA, 0xBB, 0x00, 0x0D}, {}},
    {"doubled_iac_is_one_data_byte", {0x01, kIac, kIac, 0x02}, {0x01, 0xFF, 0x02}, {}},
    {"negotiation_between_data",
     {0x01, kIac, kWill, kEcho, 0x02},
     {0x01, 0x02},
     {negotiation(kWill, kEcho)}},
    {"every_verb",
     {kIac, kWill, 1, kIac, kWont, 2, kIac, kDo, 3, kIac, kDont, 4},
     {},
     {negotiation(kWill, 1), negotiation(kWont, 2), negotiation(kDo, 3), negotiation(kDont, 4)}},
    {"subnegotiation_with_doubled_iac",
     {kIac, kSb, kComPortOption, 101, 0, 0, kIac, kIac, 0, kIac, kSe, 0x7E},
     {0x7E},
     {sub(kComPortOption, {101, 0, 0, 0xFF, 0})}},
    {"empty_subnegotiation", {kIac, kSb, 44, kIac, kSe}, {}, {sub(44, {})}},
    {"other_commands_are_dropped", {kIac, 241, 0x10, kIac, 249, kIac, kSe}, {0x10}, {}},
    {"subnegotiation_without_option", {kIac, kSb, kIac, kSe, 0x05}, {0x05}, {malformed(0)}},
    {"subnegotiation_broken_by_a_command",
     {kIac, kSb, 44, 101, kIac, kWill, 3, 0x09},
     {0x09},
     {malformed(44), negotiation(kWill, 3)}},
    {"subnegotiation_at_the_cap",
     joined({{kIac, kSb, 44}, repeated(kMaxSubnegotiation, 7), {kIac, kSe}}),
     {},
     {sub(44, repeated(kMaxSubnegotiation, 7))}},
    // A longer one is dropped up to its end; nothing of it reaches the data.
    {"subnegotiation_over_the_cap",
     joined({{kIac, kSb, 44}, repeated(kMaxSubnegotiation + 1, 7), {kIac, kIac, kIac, kSe, 0x33}}),
     {0x33},
     {malformed(44)}},
    {"doubled_iac_past_the_cap",
     joined({{kIac, kSb, 44}, repeated(kMaxSubnegotiation, 7), {kIac, kIac, kIac, kSe}}),
     {},
     {malformed(44)}},
};

class TelnetDecoding : public ::testing::TestWithParam<DecodeCase> {};

// Decoding in pieces gives what decoding whole gives: fuzz_telnet checks that on
// every input.
TEST_P(TelnetDecoding, SplitsDataFromCommands) {
    const DecodeCase &c = GetParam();
    Decoder decoder;
    Bytes data;
    std::vector<Event> events;
    decoder.decode(c.input.data(), c.input.size(), data, events);
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(events, c.events);
}

INSTANTIATE_TEST_SUITE_P(Telnet, TelnetDecoding, ::testing::ValuesIn(kDecodeCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(TelnetEncoding, DataDoublesEveryIacAndCommandsCarryTheirOwn) {
    const Bytes data = {0x00, 0xFF, 0xFF, 0xAA};
    Bytes out;
    escape_data(data.data(), data.size(), out);
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA}));

    out.clear();
    put_subnegotiation(kComPortOption, {1, 0x00, 0x00, 0x25, 0xFF}, out);
    EXPECT_EQ(out, (Bytes{kIac, kSb, 44, 1, 0, 0, 0x25, 0xFF, 0xFF, kIac, kSe}));
}

// ---- the client's side of RFC 2217 --------------------------------------------

Bytes negotiations(std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> list) {
    Bytes out;
    for (const auto &[verb, option] : list) put_negotiation(verb, option, out);
    return out;
}

Bytes com_port(Bytes payload) {
    Bytes out;
    put_subnegotiation(kComPortOption, payload, out);
    return out;
}

struct Received {
    Bytes data;
    Bytes reply;
};

Received feed(selmek::ComPortClient &client, const Bytes &bytes) {
    Received got;
    client.receive(bytes.data(), bytes.size(), got.data, got.reply);
    return got;
}

using Answer = selmek::ComPortClient::Answer;

TEST(ComPortClient, AsksForBinarySuppressGoAheadAndTheComPortOption) {
    const selmek::ComPortClient client;
    EXPECT_EQ(client.start(), negotiations({{kWill, kBinary},
                                            {kDo, kBinary},
                                            {kWill, kSuppressGoAhead},
                                            {kDo, kSuppressGoAhead},
                                            {kWill, kComPortOption}}));
    EXPECT_EQ(client.com_port(), Answer::pending);
}

struct NegotiationCase {
    const char *name;
    Bytes server;
    Bytes reply;
    Answer com_port;
};

void PrintTo(const NegotiationCase &c, std::ostream *os) { *os << c.name; }

const NegotiationCase kNegotiations[] = {
    // What ser2net sends on connecting: agreements need no answer, its ECHO is
    // refused.
    {"agreement_as_ser2net_sends_it",
     negotiations({{kWill, kSuppressGoAhead},
                   {kDo, kSuppressGoAhead},
                   {kWill, kEcho},
                   {kDont, kEcho},
                   {kDo, kBinary},
                   {kWill, kBinary},
                   {kDo, kComPortOption}}),
     negotiations({{kDont, kEcho}}), Answer::confirmed},
    {"refusal_of_the_com_port_option",
     negotiations({{kDont, kComPortOption}}),
     {},
     Answer::refused},
    {"unknown_options_are_refused",
     negotiations({{kWill, 99}, {kDo, 98}, {kWont, 97}, {kDont, 96}}),
     negotiations({{kDont, 99}, {kWont, 98}}), Answer::pending},
    // The server's own use of the option is taken, and said so.
    {"offered_com_port_option_is_taken", negotiations({{kWill, kComPortOption}}),
     negotiations({{kDo, kComPortOption}}), Answer::pending},
    {"agreed_then_withdrawn", negotiations({{kDo, kComPortOption}, {kDont, kComPortOption}}),
     negotiations({{kWont, kComPortOption}}), Answer::refused},
};

class Negotiating : public ::testing::TestWithParam<NegotiationCase> {};

TEST_P(Negotiating, AnswersEachOptionByItsStateMachine) {
    const NegotiationCase &c = GetParam();
    selmek::ComPortClient client;
    const Received got = feed(client, c.server);
    EXPECT_EQ(got.reply, c.reply);
    EXPECT_EQ(client.com_port(), c.com_port);
    EXPECT_TRUE(got.data.empty());
}

INSTANTIATE_TEST_SUITE_P(ComPortClient, Negotiating, ::testing::ValuesIn(kNegotiations),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ComPortClient, TheLineSettingsAreConfirmedOnlyByTheValuesAskedFor) {
    selmek::ComPortClient client;
    const Bytes request = client.request_line_settings(115200);
    // Rate, 8N1, no flow control, DTR and RTS on, both buffers purged.
    EXPECT_EQ(request, joined({com_port({1, 0x00, 0x01, 0xC2, 0x00}), com_port({2, 8}),
                               com_port({3, 1}), com_port({4, 1}), com_port({5, 1}),
                               com_port({5, 8}), com_port({5, 11}), com_port({12, 3})}));
    EXPECT_EQ(client.line_settings(), Answer::pending);
    feed(client,
         joined({com_port({101, 0x00, 0x01, 0xC2, 0x00}), com_port({102, 8}), com_port({103, 1})}));
    EXPECT_EQ(client.rate(), Answer::confirmed);
    EXPECT_EQ(client.line_settings(), Answer::pending) << "the stop bits are not confirmed yet";
    feed(client, com_port({104, 1}));
    EXPECT_EQ(client.line_settings(), Answer::confirmed);

    client.request_rate(14400);
    EXPECT_EQ(client.rate(), Answer::pending);
    // A server that cannot set the rate answers with the one it runs at.
    feed(client, com_port({101, 0x00, 0x01, 0xC2, 0x00}));
    EXPECT_EQ(client.rate(), Answer::refused);
    EXPECT_FALSE(client.broke_protocol());
}

TEST(ComPortClient, ALateAnswerToAnEarlierRequestIsNotTakenForTheLast) {
    selmek::ComPortClient client;
    client.request_rate(14400);  // left unanswered in time
    client.request_rate(19200);
    feed(client, com_port({101, 0x00, 0x00, 0x38, 0x40}));
    EXPECT_EQ(client.rate(), Answer::pending);
    feed(client, com_port({101, 0x00, 0x00, 0x4B, 0x00}));
    EXPECT_EQ(client.rate(), Answer::confirmed);
}

TEST(ComPortClient, AShortAnswerOrABrokenSubnegotiationBreaksTheProtocol) {
    for (const Bytes &bad : {com_port({101, 0x00, 0x25}), com_port({}),
                             Bytes{kIac, kSb, kComPortOption, 101, kIac, kWill, 1}}) {
        selmek::ComPortClient client;
        client.request_rate(9600);
        feed(client, bad);
        EXPECT_TRUE(client.broke_protocol());
        EXPECT_EQ(client.rate(), Answer::pending);
    }
}

TEST(ComPortClient, NotificationsAndOtherOptionsSubnegotiationsChangeNothing) {
    selmek::ComPortClient client;
    client.request_rate(9600);
    const Received got = feed(
        client,
        joined({com_port({107, 0x30}), com_port({112, 3}), {kIac, kSb, 24, 1, kIac, kSe, 0x42}}));
    EXPECT_EQ(client.rate(), Answer::pending);
    EXPECT_FALSE(client.broke_protocol());
    EXPECT_EQ(got.data, Bytes{0x42});
}

}  // namespace
