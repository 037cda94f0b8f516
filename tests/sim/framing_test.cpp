// The frame on the reader's side: what gets an answer, what gets an error status,
// what gets nothing; and the stream framer that cuts the serial line into frames.

#include "request_framer.h"
#include "sim/wire_frame.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

TEST(Framing, AWellFormedRequestGetsTheReadersAnswerFromItsOwnAddress) {
    SimReader sim({});
    const Answer serial = sim.send(Command::GetSerialNumber);
    ASSERT_TRUE(serial.ok());
    EXPECT_EQ(serial.data, Bytes(sim::VirtualReader::kSerialNumber.begin(),
                                 sim::VirtualReader::kSerialNumber.end()));
    EXPECT_EQ(*sim.send_raw({0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x05, 0xFE}),
              (Bytes{0xAA, 0xBB, 0x0D, 0xF2, 0x00, 0x00, 0x05, 0x00, 0x20, 0x24, 0x05, 0x17, 0x00,
                     0x00, 0x31, 0x42, 0x92}));
}

TEST(Framing, ABadCheckByteIsAnsweredWithBadCheckAndNothingIsDone) {
    SimReader sim({});
    // rf_beep with time 10 and a check byte off by one.
    const auto answer = sim.send_raw({0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF7});
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, sim::encode_response(0, 0x06, 0x0D, {}));
    EXPECT_EQ(sim.reader().beep_count(), 0u);
}

struct Unreadable {
    const char *name;
    Bytes wire;
};

class UnreadableFrames : public ::testing::TestWithParam<Unreadable> {};

TEST_P(UnreadableFrames, GetNoAnswer) {
    SimReader sim({"mifare1k"});
    EXPECT_FALSE(sim.send_raw(GetParam().wire).has_value());
    EXPECT_EQ(sim.reader().beep_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Framing, UnreadableFrames,
    ::testing::Values(
        Unreadable{"Empty", {}}, Unreadable{"HeaderOnly", {0xAA, 0xBB}},
        Unreadable{"CutShort", {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A}},
        Unreadable{"OneByteTooMany", {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF6, 0x00}},
        Unreadable{"ComplementWrong", {0xAA, 0xBB, 0x05, 0xFB, 0x00, 0x00, 0x06, 0x0A, 0xF7}},
        Unreadable{"LengthBelowFour", {0xAA, 0xBB, 0x03, 0xFC, 0x00, 0x00, 0x06, 0x0A}},
        Unreadable{"WrongHeader", {0xAB, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF6}},
        // Data byte AA followed by 01 instead of its stuffed 00.
        Unreadable{"BrokenStuffing", {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0xAA, 0x01, 0x54}},
        Unreadable{"AnotherReadersAddress",
                   {0xAA, 0xBB, 0x05, 0xFA, 0x07, 0x00, 0x06, 0x0A, 0xF1}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Framing, UnknownCommandsAndWrongDataCountsAreRefusedWithAStatus) {
    SimReader sim({});
    EXPECT_TRUE(has_status(sim.send(0x35), ReaderStatus::UnknownCommand));
    EXPECT_TRUE(has_status(sim.send(0xFF, {1, 2, 3}), ReaderStatus::UnknownCommand));
    EXPECT_TRUE(has_status(sim.send(Command::Beep), ReaderStatus::BadLength));
    EXPECT_TRUE(has_status(sim.send(Command::GetSerialNumber, {0}), ReaderStatus::BadLength));
    EXPECT_TRUE(has_status(sim.send(Command::Display, Bytes(7)), ReaderStatus::BadLength));
}

TEST(Framing, ExactlyTheCodesOutsideTheReadersCommandTableAreUnknown) {
    // The reader's unused codes: 0x00, 0x35 to 0x3F, 0x4D to 0x5F, 0x63 to 0x6F and
    // everything above 0x70.
    const auto unused = [](int code) {
        return code == 0x00 || (code >= 0x35 && code <= 0x3F) || (code >= 0x4D && code <= 0x5F) ||
               (code >= 0x63 && code <= 0x6F) || code > 0x70;
    };
    SimReader sim({});
    for (int code = 0; code <= 0xFF; ++code) {
        const bool unknown = has_status(sim.send(static_cast<std::uint8_t>(code), Bytes(3)),
                                        ReaderStatus::UnknownCommand);
        EXPECT_EQ(unknown, unused(code)) << "code " << code;
    }
}

TEST(Framing, StuffedBytesInRequestAndResponseAreUnderstood) {
    // The AT88RF020's PUPI holds an 0xAA: it is stuffed in the ATQB and in the
    // ATTRIB that names it.
    SimReader sim({"at88rf020"});
    sim.power_up('r');
    std::uint8_t request[] = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x1D, 0x00, 0xE7};
    const auto wire = sim.send_raw(Bytes(std::begin(request), std::end(request)));
    ASSERT_TRUE(wire);
    EXPECT_EQ(std::count(wire->begin(), wire->end(), 0xAA), 2);  // header and PUPI byte
    const Answer atqb = sim.send(Command::RequestB, {1});
    ASSERT_TRUE(atqb.ok());
    EXPECT_EQ(atqb.data[2], 0xAA);
    EXPECT_TRUE(sim.send(Command::Attrib,
                         cat({Bytes(atqb.data.begin() + 1, atqb.data.begin() + 5), {0x00}}))
                    .ok());
}

TEST(Framing, TheReaderAnswersAddressZeroAndItsOwnAddressOnly) {
    SimReader sim({});
    ASSERT_TRUE(sim.send(Command::SetAddress, {0x34, 0x12}).ok());
    EXPECT_EQ(sim.reader().address(), 0x1234);
    const Answer broadcast = sim.send(Command::GetAddress);
    ASSERT_TRUE(broadcast.ok());
    EXPECT_EQ(broadcast.address, 0x1234);
    EXPECT_TRUE(sim.send(Command::Beep, {1}, 0x1234).ok());
    EXPECT_FALSE(sim.send(Command::Beep, {1}, 0x1235).answered);
    EXPECT_EQ(sim.reader().beep_count(), 1u);
}

TEST(Framing, AnAnswerTooLongForAFrameIsRefused) {
    // 251 bytes of data would not fit the response's length byte. A flash read of
    // a whole page asks for 256.
    SimReader sim({});
    EXPECT_TRUE(
        has_status(sim.send(Command::FlashRead, {0, 0, 0, 251}), ReaderStatus::AnswerTooLong));
    EXPECT_EQ(sim.send(Command::FlashRead, {0, 0, 0, 250}).data.size(), 250u);
}

// The stream framer.

std::vector<Bytes> frames_of(const Bytes &stream, std::size_t chunk = 1) {
    sim::RequestFramer framer;
    std::vector<Bytes> frames;
    for (std::size_t i = 0; i < stream.size(); i += chunk) {
        framer.feed(sim::ByteView(stream).subspan(i, std::min(chunk, stream.size() - i)), frames);
    }
    return frames;
}

const Bytes kBeep = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF6};
// rf_M1_read of block AA: the data byte is stuffed.
const Bytes kReadBlockAA = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x13, 0xAA, 0x00, 0x43};

TEST(RequestFramer, CutsBackToBackFramesWhateverTheChunks) {
    const Bytes stream = cat({kBeep, kReadBlockAA, kBeep});
    for (const std::size_t chunk : {1u, 2u, 5u, 64u}) {
        EXPECT_EQ(frames_of(stream, chunk), (std::vector<Bytes>{kBeep, kReadBlockAA, kBeep}))
            << "chunks of " << chunk;
    }
}

TEST(RequestFramer, SkipsGarbageAndResynchronisesOnANewHeader) {
    // Noise, a frame cut off by a new header, a complement that does not fit.
    const Bytes stream = cat({{0x00, 0xAA, 0x13, 0xBB},
                              {0xAA, 0xBB, 0x05, 0xFA, 0x00},
                              kBeep,
                              {0xAA, 0xBB, 0x05, 0x00},
                              kReadBlockAA});
    EXPECT_EQ(frames_of(stream), (std::vector<Bytes>{kBeep, kReadBlockAA}));
}

TEST(RequestFramer, AFrameEndingInAStuffedByteWaitsForTheStuffing) {
    // rf_beep with time 0x56 has the check byte FA ^ 06 ^ 56 = AA.
    const Bytes frame = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x56, 0xAA, 0x00};
    sim::RequestFramer framer;
    std::vector<Bytes> frames;
    framer.feed(sim::ByteView(frame).first(9), frames);
    EXPECT_TRUE(frames.empty());
    framer.feed(sim::ByteView(frame).subspan(9), frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frame);
    EXPECT_TRUE(sim::decode_request(frames[0])->check_ok);
}

TEST(RequestFramer, ResetDropsAPartialFrame) {
    sim::RequestFramer framer;
    std::vector<Bytes> frames;
    framer.feed(sim::ByteView(kBeep).first(5), frames);
    EXPECT_TRUE(framer.in_frame());
    framer.reset();
    framer.feed(sim::ByteView(kBeep).subspan(5), frames);
    framer.feed(kBeep, frames);
    EXPECT_EQ(frames, (std::vector<Bytes>{kBeep}));
}

}  // namespace
