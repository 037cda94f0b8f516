// The frame codec on its own: escaping at every position of a request, the
// unescaping of a response and the rules for reading one.

#include <gtest/gtest.h>

#include <vector>

#include "command_execution.h"
#include "reader/frame_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes build(std::uint16_t address, std::uint8_t code, const Bytes &data) {
    Bytes out(protocol::kMaxWireFrame);
    out.resize(drovik::build_request(out.data(), address, code, data.data(),
                                     static_cast<int>(data.size())));
    return out;
}

Bytes with_zeros(Bytes head, std::size_t zeros, Bytes tail) {
    head.insert(head.end(), zeros, 0x00);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct RequestCase {
    const char *name;
    std::uint16_t address;
    std::uint8_t code;
    Bytes data;
    Bytes expected;
};

void PrintTo(const RequestCase &c, std::ostream *os) { *os << c.name; }

class RequestEscaping : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestEscaping, BuildsTheWireBytes) {
    const RequestCase &c = GetParam();
    EXPECT_EQ(build(c.address, c.code, c.data), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPosition, RequestEscaping,
    ::testing::Values(
        RequestCase{"plain", 0, 0x06, {0x0A}, {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF6}},
        RequestCase{"address_low", 0x00AA, 0x05, {},
                    {0xAA, 0xBB, 0x04, 0xFB, 0xAA, 0x00, 0x00, 0x05, 0x54}},
        RequestCase{"both_address_bytes", 0xAAAA, 0x05, {},
                    {0xAA, 0xBB, 0x04, 0xFB, 0xAA, 0x00, 0xAA, 0x00, 0x05, 0xFE}},
        RequestCase{"command_code", 0, 0xAA, {},
                    {0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0xAA, 0x00, 0x51}},
        RequestCase{"data_byte", 0, 0x13, {0xAA},
                    {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x13, 0xAA, 0x00, 0x43}},
        RequestCase{"check_byte", 0, 0x51, {},
                    {0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x51, 0xAA, 0x00}},
        // 166 data bytes make the length byte 0xAA.
        RequestCase{"length_byte", 0, 0x01, Bytes(166, 0x00),
                    with_zeros({0xAA, 0xBB, 0xAA, 0x00, 0x55, 0x00, 0x00, 0x01}, 166, {0x54})},
        // 81 data bytes make the complemented length 0xAA.
        RequestCase{"complemented_length", 0, 0x01, Bytes(81, 0x00),
                    with_zeros({0xAA, 0xBB, 0x55, 0xAA, 0x00, 0x00, 0x00, 0x01}, 81, {0xAB})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RequestBuilding, AnAllEscapedMaximalRequestFitsItsBound) {
    const Bytes frame = build(0xAAAA, 0xAA, Bytes(protocol::kMaxRequestData, 0xAA));
    EXPECT_LE(frame.size(), protocol::kMaxWireFrame);
    EXPECT_EQ(frame[0], 0xAA);
    EXPECT_EQ(frame[1], 0xBB);  // the header is never escaped
}

TEST(RequestData, RefusesNullPointersAndMoreThanARequestCarries) {
    drovik::RequestData fits;
    fits.bytes(Bytes(251, 1).data(), 251);
    EXPECT_TRUE(fits.valid());

    drovik::RequestData too_long;
    too_long.bytes(Bytes(252, 1).data(), 252);
    EXPECT_FALSE(too_long.valid());

    drovik::RequestData leading_byte_and_255;  // the largest any export gathers
    leading_byte_and_255.byte(1).bytes(Bytes(255, 1).data(), 255);
    EXPECT_FALSE(leading_byte_and_255.valid());

    drovik::RequestData null_data;
    null_data.byte(1).bytes(nullptr, 0);
    EXPECT_FALSE(null_data.valid());

    drovik::RequestData value;
    value.le32(0x12345678);
    EXPECT_EQ(Bytes(value.view().begin(), value.view().end()), (Bytes{0x78, 0x56, 0x34, 0x12}));
}

TEST(ResponseUnescaping, DropsWhateverFollowsAnAAFromPositionTwoOn) {
    Bytes frame = {0xAA, 0xBB, 0x06, 0xF9, 0x00, 0x00, 0x05, 0x00, 0xAA, 0x37, 0x10, 0xAA};
    frame.resize(drovik::unescape_response(frame.data(), frame.size()));
    EXPECT_EQ(frame, (Bytes{0xAA, 0xBB, 0x06, 0xF9, 0x00, 0x00, 0x05, 0x00, 0xAA, 0x10, 0xAA}));
}

TEST(ResponseUnescaping, LeavesTheHeaderAlone) {
    Bytes frame = {0xAA, 0xAA, 0xAA, 0x00, 0x01};
    frame.resize(drovik::unescape_response(frame.data(), frame.size()));
    EXPECT_EQ(frame, (Bytes{0xAA, 0xAA, 0xAA, 0x01}));
}

TEST(ResponseReading, CountsDataFromTheLengthByte) {
    Bytes frame = {0xAA, 0xBB, 0x0D, 0xF2, 0x34, 0x12, 0x05, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x99};
    const auto view = drovik::read_response(frame.data(), frame.size());
    ASSERT_TRUE(view.complete);
    EXPECT_EQ(view.status, 0);
    EXPECT_EQ(view.address, 0x1234);
    EXPECT_EQ(view.data_count, 8u);
    EXPECT_EQ(view.data[0], 1);
    EXPECT_EQ(view.data[7], 8);
}

TEST(ResponseReading, LengthBytesUpToFiveCarryNoData) {
    for (std::uint8_t length : {0, 3, 4, 5}) {
        Bytes frame = {0xAA, 0xBB, length, 0x00, 0x00, 0x00, 0x05, 0x00, 0x42, 0x42};
        const auto view = drovik::read_response(frame.data(), frame.size());
        ASSERT_TRUE(view.complete) << int(length);
        EXPECT_EQ(view.data_count, 0u) << int(length);
    }
}

TEST(ResponseReading, AFrameCutShortIsNotComplete) {
    const Bytes no_status = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x05};
    EXPECT_FALSE(drovik::read_response(no_status.data(), no_status.size()).complete);
    EXPECT_FALSE(drovik::read_response(nullptr, 0).complete);

    // The length byte announces 8 data bytes, only 7 arrived.
    const Bytes short_data = {0xAA, 0xBB, 0x0D, 0xF2, 0x00, 0x00, 0x05, 0x00, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_FALSE(drovik::read_response(short_data.data(), short_data.size()).complete);
}

}  // namespace
