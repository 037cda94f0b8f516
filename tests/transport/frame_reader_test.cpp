// The decoder on its own: a frame ends exactly where its length byte says, and
// nothing is written past the buffer the decoder was given.

#include "frame_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "reader_frame.h"

namespace {

using transport_test::Bytes;
using transport_test::reader_frame;

struct Stream {
    const char *name;
    Bytes before;
    Bytes frame;
};

void PrintTo(const Stream &s, std::ostream *os) {
    *os << s.name;
}

const Stream kStreams[] = {
    {"plain", {}, reader_frame(0, {1, 2, 3})},
    {"after_noise", {0x01, 0xAA, 0x02, 0xAA, 0xBB, 0x07, 0x07}, reader_frame(0, {1, 2, 3})},
    {"aa_everywhere", {0xAA}, reader_frame(0xAA, Bytes(40, 0xAA), 0xAAAA, 0xAA)},
    {"aa_as_length", {}, reader_frame(0, Bytes(165, 0x11))},
    {"aa_as_check_byte", {}, reader_frame(0, {0x53})},
    {"length_zero", {0x00}, {0xAA, 0xBB, 0x00, 0xFF}},
};

class Decoder : public ::testing::TestWithParam<Stream> {};

TEST_P(Decoder, EndsTheFrameExactlyWhereItsLengthByteSays) {
    const Stream &stream = GetParam();
    Bytes line = stream.before;
    line.insert(line.end(), stream.frame.begin(), stream.frame.end());
    // What follows the frame on the line is no part of it.
    line.insert(line.end(), {0xAA, 0xBB, 0x05, 0xFA, 0xAA});

    std::array<std::uint8_t, protocol::kMaxWireFrame> buffer{};
    selmek::FrameReader reader(buffer.data(), buffer.size());
    std::size_t completed_at = line.size();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (reader.feed(line[i]) == selmek::FrameReader::Progress::complete &&
            completed_at == line.size()) {
            completed_at = i;
        }
    }
    EXPECT_EQ(completed_at + 1, stream.before.size() + stream.frame.size());
    EXPECT_EQ(reader.progress(), selmek::FrameReader::Progress::complete);
    EXPECT_EQ(Bytes(reader.frame(), reader.frame() + reader.size()), stream.frame);
}

INSTANTIATE_TEST_SUITE_P(FrameReader, Decoder, ::testing::ValuesIn(kStreams),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FrameReader, StopsAtTheEndOfItsBuffer) {
    const Bytes frame = reader_frame(0, Bytes(20, 0x42));
    std::array<std::uint8_t, 16> buffer{};
    selmek::FrameReader reader(buffer.data(), 12);
    selmek::FrameReader::Progress progress = selmek::FrameReader::Progress::hunting;
    for (const std::uint8_t byte : frame) progress = reader.feed(byte);
    EXPECT_EQ(progress, selmek::FrameReader::Progress::too_long);
    EXPECT_EQ(reader.size(), 12u);
    EXPECT_TRUE(
        std::all_of(buffer.begin() + 12, buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(FrameReader, TellsNoiseFromABegunFrame) {
    std::array<std::uint8_t, protocol::kMaxWireFrame> buffer{};
    selmek::FrameReader reader(buffer.data(), buffer.size());
    EXPECT_FALSE(reader.bytes_seen());
    for (const std::uint8_t byte : {0x10, 0xAA, 0xBB, 0x05, 0x06}) reader.feed(byte);
    EXPECT_TRUE(reader.bytes_seen());
    EXPECT_EQ(reader.progress(), selmek::FrameReader::Progress::hunting);
    for (const std::uint8_t byte : {0xAA, 0xBB}) reader.feed(byte);
    EXPECT_EQ(reader.progress(), selmek::FrameReader::Progress::in_frame);
}

}  // namespace
