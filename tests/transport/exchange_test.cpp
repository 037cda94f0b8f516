// One exchange through CommunicateRFResult over a pseudo-terminal, against a
// stand-in for the reader: frames the transport must take whole (0xAA in every
// position, arriving at once, byte by byte or in chunks, after noise), and the
// ways an exchange fails (silence, a frame cut short or trickled, noise, a hang-up).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "selmek.h"
#include "pseudo_terminal.h"

namespace {

using namespace transport_test;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The set-baud request at 9600: what the library sends first on every open.
const Bytes kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};

struct Exchange {
    std::int32_t result = -1;
    Bytes response;
    milliseconds took{};
};

Exchange exchange(const Bytes &request = kRequest) {
    Exchange out;
    std::uint8_t response[1024];
    std::memset(response, 0xEE, sizeof response);
    std::uint32_t length = 12345;
    const auto start = Clock::now();
    out.result = CommunicateRFResult(request.data(), static_cast<int32_t>(request.size()), response,
                                     &length);
    out.took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    if (length <= sizeof response) out.response.assign(response, response + length);
    return out;
}

// Opens port 1 on the pseudo-terminal and closes it again at the end of a test.
class OpenPort {
public:
    OpenPort(const PseudoTerminal &line, milliseconds first_byte_wait, std::int32_t baud = 115200) {
        use_device(1, line.slave_path());
        use_first_byte_wait(first_byte_wait);
        opened_ = OpenComPort(1, baud) != 0;
    }
    ~OpenPort() { CloseComPort(); }
    bool opened() const { return opened_; }

private:
    bool opened_ = false;
};

// ---- Frames taken whole -------------------------------------------------------

struct FrameCase {
    const char *name;
    Bytes wire;
};

void PrintTo(const FrameCase &c, std::ostream *os) {
    *os << c.name;
}

Bytes with_stuffing(Bytes frame, std::uint8_t stuffed) {
    for (std::size_t i = 2; i + 1 < frame.size(); ++i) {
        if (frame[i] == 0xAA) frame[++i] = stuffed;
    }
    return frame;
}

// The one data byte that makes the check byte 0xAA (~L = 0xF9 ^ 0x53).
Bytes check_byte_aa() {
    return reader_frame(0, {0x53});
}

const FrameCase kFrames[] = {
    {"status_only", reader_frame(0, {})},
    {"reader_error", reader_frame(0x0A, {})},
    {"block_of_16", reader_frame(0, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})},
    {"aa_as_length", reader_frame(0, Bytes(165, 0x11))},
    {"aa_as_complement", reader_frame(0, Bytes(80, 0x22))},
    {"aa_in_address", reader_frame(0, {1}, 0xAAAA)},
    {"aa_as_command", reader_frame(0, {1}, 0, 0xAA)},
    {"aa_as_status", reader_frame(0xAA, {})},
    {"aa_data_throughout", reader_frame(0, Bytes(40, 0xAA))},
    {"aa_as_check_byte", check_byte_aa()},
    {"stuffed_bytes_not_zero", with_stuffing(reader_frame(0, {0xAA, 0x01, 0xAA}), 0x37)},
    {"stuffed_bytes_bb", with_stuffing(reader_frame(0, {0xAA, 0xAA, 0xAA}), 0xBB)},
    {"longest", reader_frame(0xAA, Bytes(250, 0xAA), 0xAAAA, 0xAA)},
};

struct Noise {
    const char *name;
    Bytes bytes;
};

void PrintTo(const Noise &n, std::ostream *os) {
    *os << n.name;
}

const Noise kNoise[] = {
    {"none", {}},
    {"noise", {0x00, 0x13, 0xBB, 0x55, 0xFF}},
    {"lone_aa_bytes", {0xAA, 0x01, 0xAA, 0xAA}},
    {"header_with_wrong_complement", {0xAA, 0xBB, 0x05, 0x00}},
    // 0xAA taken for a length swallows the real header's 0xAA as its stuffing.
    {"false_header_overlapping_the_real_one", {0xAA, 0xBB, 0xAA}},
};

enum class Delivery { at_once, byte_by_byte, in_chunks_of_3 };

void PrintTo(Delivery d, std::ostream *os) {
    *os << static_cast<int>(d);
}

void deliver(const PseudoTerminal &line, const Bytes &bytes, Delivery delivery) {
    if (delivery == Delivery::at_once) {
        line.write(bytes);
        return;
    }
    const std::size_t step = delivery == Delivery::byte_by_byte ? 1 : 3;
    for (std::size_t i = 0; i < bytes.size(); i += step) {
        const auto end = std::min(bytes.size(), i + step);
        line.write(
            Bytes(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(end)));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

class FrameTakenWhole : public ::testing::TestWithParam<std::tuple<FrameCase, Noise, Delivery>> {};

TEST_P(FrameTakenWhole, ReturnsTheFrameEscapedWithoutTheNoiseAndWithoutWaitingOut) {
    const auto &[frame, noise, delivery] = GetParam();
    PseudoTerminal line;
    // A generous wait: an exchange that waited for it to end the frame shows.
    OpenPort port(line, 4000ms);
    ASSERT_TRUE(port.opened());

    std::atomic<bool> request_seen{false};
    Bytes on_the_wire = noise.bytes;
    on_the_wire.insert(on_the_wire.end(), frame.wire.begin(), frame.wire.end());
    {
        ReaderStandIn reader(line, [&](PseudoTerminal &l) {
            request_seen = l.read(kRequest.size()) == kRequest;
            deliver(l, on_the_wire, delivery);
        });
        const Exchange got = exchange();
        EXPECT_EQ(got.result, SELMEK_OK);
        EXPECT_EQ(got.response, frame.wire);
        EXPECT_LT(got.took, 2000ms);
    }
    EXPECT_TRUE(request_seen);
}

std::string delivery_name(Delivery delivery) {
    switch (delivery) {
        case Delivery::at_once:
            return "at_once";
        case Delivery::byte_by_byte:
            return "byte_by_byte";
        case Delivery::in_chunks_of_3:
            return "in_chunks_of_3";
    }
    return "";
}

INSTANTIATE_TEST_SUITE_P(
    Framing, FrameTakenWhole,
    ::testing::Combine(::testing::ValuesIn(kFrames), ::testing::ValuesIn(kNoise),
                       ::testing::Values(Delivery::at_once, Delivery::byte_by_byte,
                                         Delivery::in_chunks_of_3)),
    [](const auto &info) {
        return std::string(std::get<0>(info.param).name) + "_after_" +
               std::get<1>(info.param).name + "_" + delivery_name(std::get<2>(info.param));
    });

// ---- Exchanges that fail --------------------------------------------------------

struct Failure {
    const char *name;
    milliseconds first_byte_wait;
    std::function<void(PseudoTerminal &)> reader;
    std::int32_t expected;
    milliseconds at_least;
    milliseconds at_most;
};

void PrintTo(const Failure &f, std::ostream *os) {
    *os << f.name;
}

void answer_nothing(PseudoTerminal &line) {
    line.read(kRequest.size());
}

const Bytes kLongFrame = reader_frame(0, Bytes(250, 0x42));

const Failure kFailures[] = {
    {"silent_reader", 300ms, answer_nothing, SELMEK_ERR_TIMEOUT, 300ms, 1500ms},
    {"frame_cut_short", 300ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         l.write(Bytes(kLongFrame.begin(), kLongFrame.begin() + 20));
     },
     SELMEK_ERR_INCOMPLETE_FRAME, 300ms, 1500ms},
    {"header_and_length_then_nothing", 300ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         l.write({0xAA, 0xBB, 0x05});
     },
     SELMEK_ERR_INCOMPLETE_FRAME, 300ms, 1500ms},
    // The whole frame would take 2.6 s at this pace, and the reader keeps at it for
    // 1.5 s; the frame deadline ends the wait long before, however regularly the
    // bytes come (a wait restarted by every byte would last as long as they do).
    {"trickling_reader", 100ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         for (std::size_t i = 0; i < kLongFrame.size() && i < 150; ++i) {
             l.write({kLongFrame[i]});
             std::this_thread::sleep_for(10ms);
         }
     },
     SELMEK_ERR_INCOMPLETE_FRAME, 100ms, 1000ms},
    {"noise_without_a_header", 100ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         for (int i = 0; i < 150; ++i) {
             l.write({0x5A, 0xAA, 0x00});
             std::this_thread::sleep_for(10ms);
         }
     },
     SELMEK_ERR_BAD_FRAME, 100ms, 1000ms},
    {"header_with_wrong_complement", 300ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         l.write({0xAA, 0xBB, 0x05, 0x05, 0x00, 0x00, 0x01, 0x00, 0x05});
     },
     SELMEK_ERR_BAD_FRAME, 300ms, 1500ms},
    {"unplugged_mid_frame", 3000ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         l.write(Bytes(kLongFrame.begin(), kLongFrame.begin() + 20));
         std::this_thread::sleep_for(20ms);
         l.close_master();
     },
     SELMEK_ERR_DEVICE_GONE, 0ms, 1500ms},
    {"unplugged_before_answering", 3000ms,
     [](PseudoTerminal &l) {
         l.read(kRequest.size());
         l.close_master();
     },
     SELMEK_ERR_DEVICE_GONE, 0ms, 1500ms},
};

class ExchangeFails : public ::testing::TestWithParam<Failure> {};

TEST_P(ExchangeFails, WithItsOwnResultWithinItsBound) {
    const Failure &failure = GetParam();
    PseudoTerminal line;
    OpenPort port(line, failure.first_byte_wait);
    ASSERT_TRUE(port.opened());
    ReaderStandIn reader(line, failure.reader);

    const Exchange got = exchange();
    EXPECT_EQ(got.result, failure.expected);
    EXPECT_TRUE(got.response.empty()) << "nothing of a partial frame is handed over";
    EXPECT_GE(got.took, failure.at_least);
    EXPECT_LE(got.took, failure.at_most);
}

INSTANTIATE_TEST_SUITE_P(Exchange, ExchangeFails, ::testing::ValuesIn(kFailures),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Exchange, LeavesTheCallersBufferAloneWhenItFails) {
    PseudoTerminal line;
    OpenPort port(line, 100ms);
    ASSERT_TRUE(port.opened());
    ReaderStandIn reader(line, [](PseudoTerminal &l) {
        l.read(kRequest.size());
        const Bytes frame = reader_frame(0x33, Bytes(20, 0x44));
        l.write(Bytes(frame.begin(), frame.begin() + 12));
    });
    std::uint8_t response[1024];
    std::memset(response, 0xEE, sizeof response);
    std::uint32_t length = 99;
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 9, response, &length),
              SELMEK_ERR_INCOMPLETE_FRAME);
    EXPECT_EQ(length, 0u);
    for (const std::uint8_t byte : response) ASSERT_EQ(byte, 0xEE);
}

TEST(Exchange, DiscardsWhatCameInBeforeTheRequest) {
    PseudoTerminal line;
    OpenPort port(line, 2000ms);
    ASSERT_TRUE(port.opened());

    // A late answer to an earlier exchange, already waiting at the port.
    const Bytes stale = reader_frame(0x11, {1, 2, 3});
    line.write(stale);
    for (int i = 0; i < 200 && line.input_waiting() < static_cast<int>(stale.size()); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(line.input_waiting(), static_cast<int>(stale.size()));
    const Bytes fresh = reader_frame(0, {9, 8, 7, 6});
    ReaderStandIn reader(line, [&](PseudoTerminal &l) {
        if (l.read(kRequest.size()) == kRequest) l.write(fresh);
    });
    const Exchange got = exchange();
    EXPECT_EQ(got.result, SELMEK_OK);
    EXPECT_EQ(got.response, fresh);
}

TEST(Exchange, AfterAnUnplugEveryExchangeFailsAtOnce) {
    PseudoTerminal line;
    OpenPort port(line, 3000ms);
    ASSERT_TRUE(port.opened());
    line.close_master();
    for (int i = 0; i < 2; ++i) {
        const Exchange got = exchange();
        EXPECT_EQ(got.result, SELMEK_ERR_DEVICE_GONE);
        EXPECT_LT(got.took, 1000ms);
    }
}

TEST(Exchange, AProbeWaitsTheTurnaroundAllowanceAndAnyOtherExchangeTheFullWait) {
    PseudoTerminal line;  // a reader that never answers
    use_device(1, line.slave_path());
    use_waits(1000ms, 20ms);
    ASSERT_NE(OpenComPort(1, 115200), 0);
    const Exchange after_open = exchange();
    ASSERT_EQ(SetCommBaud(9600), SELMEK_OK);
    const Exchange after_rate_change = exchange();
    const Exchange at_the_same_rate = exchange();
    CloseComPort();

    for (const Exchange &probe : {after_open, after_rate_change}) {
        EXPECT_EQ(probe.result, SELMEK_ERR_TIMEOUT);
        EXPECT_LT(probe.took, 500ms);
    }
    EXPECT_EQ(at_the_same_rate.result, SELMEK_ERR_TIMEOUT);
    EXPECT_GE(at_the_same_rate.took, 1000ms);
}

}  // namespace
