// exchange_frame over a scripted Line: the failures of a line that a
// pseudo-terminal cannot be made to show (a refused discard or write, an error
// other than a hang-up) end the exchange with the line's own result.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "exchange.h"
#include "line.h"
#include "selmek_results.h"
#include "reader_frame.h"

namespace {

using namespace transport_test;

const Bytes kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};

struct Read {
    std::int32_t result;
    Bytes bytes;
};

// Hands out its scripted reads in turn, then times out at once.
class ScriptedLine final : public selmek::Line {
public:
    std::int32_t discard_result = SELMEK_OK;
    std::int32_t write_result = SELMEK_OK;
    std::vector<Read> reads;
    bool written = false;
    std::size_t reads_made = 0;

    int open(const std::string &, std::int32_t) override { return 0; }
    void close() override {}
    bool is_open() const override { return true; }
    std::int32_t rate() const override { return 9600; }
    std::int32_t set_rate(std::int32_t) override { return SELMEK_OK; }
    std::int32_t discard_input() override { return discard_result; }
    std::int32_t write_all(const std::uint8_t *, std::size_t, selmek::Clock::time_point) override {
        written = true;
        return write_result;
    }
    selmek::ReadResult read_some(std::uint8_t *buffer, std::size_t room, selmek::Clock::time_point,
                                 bool) override {
        if (reads_made++ >= reads.size()) return {SELMEK_ERR_TIMEOUT, 0};
        const Read &read = reads[reads_made - 1];
        const std::size_t count = std::min(room, read.bytes.size());
        std::copy_n(read.bytes.begin(), count, buffer);
        return {read.result, count};
    }
};

struct LineFailure {
    const char *name;
    std::int32_t discard_result;
    std::int32_t write_result;
    std::vector<Read> reads;
    std::int32_t expected;
    bool written;  // whether the request went to the line
};

void PrintTo(const LineFailure &f, std::ostream *os) { *os << f.name; }

const Bytes kFrame = reader_frame(0, Bytes(20, 0x42));

const LineFailure kLineFailures[] = {
    // A line whose stale input cannot be dropped gets no request.
    {"discard_fails", SELMEK_ERR_DEVICE_GONE, SELMEK_OK, {}, SELMEK_ERR_DEVICE_GONE, false},
    {"write_refused", SELMEK_OK, SELMEK_ERR_WRITE_FAILED, {}, SELMEK_ERR_WRITE_FAILED, true},
    {"read_fails_mid_frame",
     SELMEK_OK,
     SELMEK_OK,
     {{SELMEK_OK, Bytes(kFrame.begin(), kFrame.begin() + 10)}, {SELMEK_ERR_IO, {}}},
     SELMEK_ERR_IO,
     true},
};

class LineFails : public ::testing::TestWithParam<LineFailure> {};

TEST_P(LineFails, EndsTheExchangeWithTheLinesResultAndHandsNothingOver) {
    const LineFailure &failure = GetParam();
    ScriptedLine line;
    line.discard_result = failure.discard_result;
    line.write_result = failure.write_result;
    line.reads = failure.reads;

    std::uint8_t response[1024];
    std::memset(response, 0xEE, sizeof response);
    std::uint32_t length = 0;
    EXPECT_EQ(selmek::exchange_frame(line, std::chrono::milliseconds(100), kRequest.data(),
                                     kRequest.size(), response, &length),
              failure.expected);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(std::all_of(std::begin(response), std::end(response),
                            [](std::uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(line.written, failure.written);
    EXPECT_EQ(line.reads_made, failure.reads.size()) << "no read after the failure";
}

INSTANTIATE_TEST_SUITE_P(Exchange, LineFails, ::testing::ValuesIn(kLineFailures),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
