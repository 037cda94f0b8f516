// exchange_frame over a scripted Line: the failures of a line that a
// pseudo-terminal cannot be made to show, and the three waits of an exchange
// taken from the line's own rate, to the microsecond.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "exchange.h"
#include "line.h"
#include "protocol/frame.h"
#include "selmek_results.h"
#include "tests/transport/reader_frame.h"

namespace {

using namespace transport_test;
using selmek::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const Bytes kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};

// Hands out its scripted reads in turn, then times out at once. Records when each
// call came and what deadline it was given.
class ScriptedLine final : public selmek::Line {
public:
    struct Read {
        std::int32_t result;
        Bytes bytes;
    };
    struct Call {
        Clock::time_point entered;
        Clock::time_point left;
        Clock::time_point deadline;
    };

    std::int32_t rate_now = 9600;
    std::int32_t discard_result = SELMEK_OK;
    std::int32_t write_result = SELMEK_OK;
    std::vector<Read> reads;

    std::optional<Call> write_call;
    std::vector<Call> read_calls;

    int open(const std::string &, std::int32_t rate) override {
        rate_now = rate;
        return 0;
    }
    void close() override { rate_now = 0; }
    bool is_open() const override { return rate_now != 0; }
    std::int32_t rate() const override { return rate_now; }
    std::int32_t set_rate(std::int32_t rate) override {
        rate_now = rate;
        return SELMEK_OK;
    }
    std::int32_t discard_input() override { return discard_result; }
    std::int32_t write_all(const std::uint8_t *, std::size_t, Clock::time_point deadline) override {
        write_call = Call{Clock::now(), {}, deadline};
        write_call->left = Clock::now();
        return write_result;
    }
    selmek::ReadResult read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                                 bool) override {
        read_calls.push_back({Clock::now(), {}, deadline});
        selmek::ReadResult got{SELMEK_ERR_TIMEOUT, 0};
        if (read_calls.size() <= reads.size()) {
            const Read &read = reads[read_calls.size() - 1];
            got = {read.result, std::min(room, read.bytes.size())};
            std::copy_n(read.bytes.begin(), got.count, buffer);
        }
        read_calls.back().left = Clock::now();
        return got;
    }
};

struct Outcome {
    std::int32_t result;
    std::uint32_t length = 0;
    bool response_untouched = true;
};

Outcome exchange(ScriptedLine &line, milliseconds wait) {
    std::uint8_t response[1024];
    std::memset(response, 0xEE, sizeof response);
    std::uint32_t length = 0;
    Outcome out{
        selmek::exchange_frame(line, wait, kRequest.data(), kRequest.size(), response, &length)};
    out.length = length;
    out.response_untouched =
        std::all_of(std::begin(response), std::end(response), [](auto b) { return b == 0xEE; });
    return out;
}

// ---- What the line reports is the exchange's result ------------------------------

struct LineFailure {
    const char *name;
    std::int32_t discard_result;
    std::int32_t write_result;
    std::vector<ScriptedLine::Read> reads;
    std::int32_t expected;
    bool written;  // whether the request went to the line
    std::size_t reads_made;
};

void PrintTo(const LineFailure &f, std::ostream *os) { *os << f.name; }

const Bytes kFrame = reader_frame(0, Bytes(20, 0x42));

const LineFailure kLineFailures[] = {
    // A line whose stale input cannot be dropped gets no request.
    {"discard_fails", SELMEK_ERR_DEVICE_GONE, SELMEK_OK, {}, SELMEK_ERR_DEVICE_GONE, false, 0},
    {"write_refused", SELMEK_OK, SELMEK_ERR_WRITE_FAILED, {}, SELMEK_ERR_WRITE_FAILED, true, 0},
    {"read_fails_mid_frame",
     SELMEK_OK,
     SELMEK_OK,
     {{SELMEK_OK, Bytes(kFrame.begin(), kFrame.begin() + 10)}, {SELMEK_ERR_IO, {}}},
     SELMEK_ERR_IO,
     true,
     2},
};

class LineFails : public ::testing::TestWithParam<LineFailure> {};

TEST_P(LineFails, EndsTheExchangeWithTheLinesResultAndHandsNothingOver) {
    const LineFailure &failure = GetParam();
    ScriptedLine line;
    line.discard_result = failure.discard_result;
    line.write_result = failure.write_result;
    line.reads = failure.reads;

    const Outcome got = exchange(line, milliseconds(100));
    EXPECT_EQ(got.result, failure.expected);
    EXPECT_EQ(got.length, 0u);
    EXPECT_TRUE(got.response_untouched);
    EXPECT_EQ(line.write_call.has_value(), failure.written);
    EXPECT_EQ(line.read_calls.size(), failure.reads_made);
}

INSTANTIATE_TEST_SUITE_P(Exchange, LineFails, ::testing::ValuesIn(kLineFailures),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- The waits follow the line's rate ----------------------------------------------

// n bytes at `rate`, ten bits a byte, rounded up to the microsecond.
microseconds on_the_wire(std::size_t count, std::int32_t rate) {
    const auto per_second = static_cast<long long>(rate);
    return microseconds((static_cast<long long>(count) * 10 * 1'000'000 + per_second - 1) /
                        per_second);
}

class Waits : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(Waits, AreTheRequestsWireTimeAndTheLongestFramesOnTopOfTheFirstByteWait) {
    const std::int32_t rate = GetParam();
    const milliseconds wait(100);
    ScriptedLine line;
    line.rate_now = rate;
    line.reads = {{SELMEK_OK, Bytes(kFrame.begin(), kFrame.begin() + 5)},
                  {SELMEK_OK, Bytes(kFrame.begin() + 5, kFrame.end())}};

    const Clock::time_point start = Clock::now();
    ASSERT_EQ(exchange(line, wait).result, SELMEK_OK);
    ASSERT_TRUE(line.write_call.has_value());
    ASSERT_EQ(line.read_calls.size(), 2u);

    // Each deadline was set between the end of the call before and the start of
    // the call it was given to: exact bounds, whatever the scheduler did.
    const auto request_wait = on_the_wire(kRequest.size(), rate) + wait;
    const auto frame_wait = on_the_wire(protocol::kMaxWireFrame, rate) + wait;
    const ScriptedLine::Call &write = *line.write_call;
    const ScriptedLine::Call &first = line.read_calls[0];
    const ScriptedLine::Call &rest = line.read_calls[1];
    EXPECT_GE(write.deadline - start, request_wait);
    EXPECT_LE(write.deadline - write.entered, request_wait);
    EXPECT_GE(first.deadline - write.left, request_wait);
    EXPECT_LE(first.deadline - first.entered, request_wait);
    EXPECT_GE(rest.deadline - first.left, frame_wait);
    EXPECT_LE(rest.deadline - rest.entered, frame_wait);
}

INSTANTIATE_TEST_SUITE_P(Exchange, Waits, ::testing::Values(9600, 14400, 115200));

}  // namespace
