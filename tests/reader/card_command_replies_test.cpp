// How the card commands read the reader's reply: fixed sizes (with and without the
// count written first), variable-size answers, and the odd ones out.

#include <functional>

#include "reader_fixture.h"

namespace {

using reader_test::Bytes;
using reader_test::operator+;

constexpr std::uint8_t kUntouched = 0xEE;

// A read: `run(out, length)`, and the size it must receive where that is fixed.
struct Read {
    const char *call;
    std::function<std::int32_t(std::uint8_t *, std::uint8_t *)> run;
    std::size_t size;
};

class CardCommandReplies : public reader_test::LoadedLibraryTest {
protected:
    static Bytes pattern(std::size_t count, std::uint8_t start = 0x10) {
        Bytes bytes(count);
        for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(start + i);
        return bytes;
    }

    const Bytes uid8 = pattern(8, 0xE0);
    const std::uint8_t *u = uid8.data();
    const Bytes command = {0x00, 0xA4, 0x04, 0x00};
    const Bytes six = pattern(6);
};

#define READ(expr) \
    #expr, [&](std::uint8_t *out, [[maybe_unused]] std::uint8_t *length) { return expr; }

TEST_F(CardCommandReplies, CountFirstReadsShowTheReceivedCountEvenWhenItIsWrong) {
    const std::vector<Read> reads = {
        {READ(EXPORT(rf_anticoll)(0, 4, out, length)), 4},
        {READ(EXPORT(rf_anticoll)(0, 7, out, length)), 4},  // only single-size UIDs succeed
        {READ(EXPORT(rf_M1_read)(0, 4, out, length)), 16},
        {READ(EXPORT(rf_atqb)(0, 1, out, length)), 12},
        {READ(EXPORT(rf_at020_read)(0, 1, out, length)), 8},
        {READ(EXPORT(rf_sr176_readblock)(0, 1, out, length)), 2},
        {READ(EXPORT(rf_srix4k_readblock)(0, 1, out, length)), 4},
        {READ(EXPORT(rf_srix4k_getuid)(0, out, length)), 8},
        {READ(EXPORT(rf_ul_select)(0, out, length)), 7},
        {READ(EXPORT(ISO15693_Inventory)(0, out, length)), 9},
    };
    for (const Read &read : reads) {
        SCOPED_TRACE(read.call);
        for (const std::size_t received : {read.size, read.size + 1, read.size - 1, size_t{0}}) {
            Bytes out(read.size + 2, kUntouched);
            std::uint8_t length = kUntouched;
            fake_selmek::respond(0, pattern(received));
            const bool right = received == read.size;
            EXPECT_EQ(read.run(out.data(), &length), right ? 0 : 1) << received;
            EXPECT_EQ(length, received);
            const Bytes expected = right ? pattern(received) + Bytes{kUntouched, kUntouched}
                                         : Bytes(read.size + 2, kUntouched);
            EXPECT_EQ(out, expected) << received;
        }
        // A reader that says no delivers no count.
        std::uint8_t out[32];
        std::uint8_t length = kUntouched;
        fake_selmek::respond(0x0A, pattern(read.size));
        EXPECT_EQ(read.run(out, &length), 0x0A);
        EXPECT_EQ(length, kUntouched);
    }
}

TEST_F(CardCommandReplies, ReadsWithoutACountCopyOnlyTheRightSize) {
    const std::uint8_t uid[4] = {1, 2, 3, 4};
    const std::vector<Read> reads = {
        {READ(EXPORT(rf_request)(0, 0x52, out)), 2},
        {READ(EXPORT(rf_select)(0, uid, 4, out)), 1},
        {READ(EXPORT(rf_st_select)(0, out)), 1},
        {READ(EXPORT(rf_M1_readval)(0, 4, reinterpret_cast<std::int32_t *>(out))), 4},
    };
    for (const Read &read : reads) {
        SCOPED_TRACE(read.call);
        alignas(4) std::uint8_t out[8];
        std::fill(std::begin(out), std::end(out), kUntouched);
        fake_selmek::respond(0, pattern(read.size + 1));
        EXPECT_EQ(read.run(out, nullptr), 1);
        EXPECT_EQ(out[0], kUntouched);
        fake_selmek::respond(0, pattern(read.size));
        EXPECT_EQ(read.run(out, nullptr), 0);
        EXPECT_EQ(Bytes(out, out + read.size), pattern(read.size));
        EXPECT_EQ(out[read.size], kUntouched);
    }
}

TEST_F(CardCommandReplies, AValueIsReadLeastSignificantByteFirst) {
    std::int32_t value = 0;
    fake_selmek::respond(0, {0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(EXPORT(rf_M1_readval)(0, 4, &value), 0);
    EXPECT_EQ(value, 0x12345678);
    fake_selmek::respond(0, {0xFE, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(EXPORT(rf_M1_readval)(0, 4, &value), 0);
    EXPECT_EQ(value, -2);
}

TEST_F(CardCommandReplies, VariableSizeAnswersOfAnySizeUpTo250) {
    const std::vector<Read> reads = {
        {READ(EXPORT(rf_typea_rst)(0, 0x52, out, length)), 0},
        {READ(EXPORT(rf_cos_command)(0, command.data(), 4, out, length)), 0},
        {READ(EXPORT(rf_typeb_cos)(0, 1, command.data(), 4, out, length)), 0},
        {READ(EXPORT(rf_sam_rst)(0, out, length)), 0},
        {READ(EXPORT(rf_sam_cos)(0, command.data(), 4, out, length)), 0},
        {READ(EXPORT(rf_srix4k_authenticate)(0, six.data(), out, length)), 0},
        {READ(EXPORT(ISO15693_Read)(0, 2, u, 0, 4, out, length)), 0},
        {READ(EXPORT(ISO15693_Get_System_Information)(0, 2, u, out, length)), 0},
        {READ(EXPORT(ISO15693_Get_Block_Security)(0, 2, u, 0, 4, out, length)), 0},
    };
    for (const Read &read : reads) {
        SCOPED_TRACE(read.call);
        for (const std::size_t received : {size_t{13}, size_t{250}, size_t{1}, size_t{0}}) {
            Bytes out(251, kUntouched);
            std::uint8_t length = kUntouched;
            fake_selmek::respond(0, pattern(received));
            EXPECT_EQ(read.run(out.data(), &length), 0);
            EXPECT_EQ(length, received);
            EXPECT_EQ(Bytes(out.begin(), out.begin() + received), pattern(received));
            EXPECT_EQ(out[received], kUntouched) << received;
        }
        std::uint8_t out[8];
        std::uint8_t length = kUntouched;
        fake_selmek::fail(SELMEK_ERR_TIMEOUT);
        EXPECT_EQ(read.run(out, &length), SELMEK_ERR_TIMEOUT);
        EXPECT_EQ(length, kUntouched);
    }
}

TEST_F(CardCommandReplies, ACardAnswerReportingAnErrorIsStillASuccessfulExchange) {
    std::uint8_t out[16];
    std::uint8_t length = 0;
    fake_selmek::respond(0, {0x6A, 0x82});
    EXPECT_EQ(EXPORT(rf_cos_command)(0, command.data(), 4, out, &length), 0);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{0x6A, 0x82}));
}

TEST_F(CardCommandReplies, TheTwoByteRequestTakesExactlyEightBytesAndWritesTheCountOnlyThen) {
    Bytes out(10, kUntouched);
    std::uint8_t length = kUntouched;
    for (const std::size_t wrong : {7, 9, 0}) {
        fake_selmek::respond(0, pattern(wrong));
        EXPECT_EQ(EXPORT(rf_request_080)(0, 1, 2, out.data(), &length), 1) << wrong;
        EXPECT_EQ(length, kUntouched);
        EXPECT_EQ(out, Bytes(10, kUntouched));
    }
    fake_selmek::respond(0, pattern(8));
    EXPECT_EQ(EXPORT(rf_request_080)(0, 1, 2, out.data(), &length), 0);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(out, pattern(8) + Bytes(2, kUntouched));
}

TEST_F(CardCommandReplies, CommandsWithoutAnAnswerIgnoreReplyDataButNotTheStatus) {
    const std::uint8_t four[4] = {};
    fake_selmek::respond(0, {1, 2, 3});
    EXPECT_EQ(EXPORT(rf_halt)(0), 0);
    fake_selmek::respond(0, {1, 2, 3});
    EXPECT_EQ(EXPORT(rf_ul_write)(0, 4, four), 0);
    fake_selmek::respond(0x14);
    EXPECT_EQ(EXPORT(ISO15693_Lock_AFI)(0, 2, u), 0x14);
    fake_selmek::fail(SELMEK_ERR_DEVICE_GONE);
    EXPECT_EQ(EXPORT(rf_M1_transfer)(0, 4), SELMEK_ERR_DEVICE_GONE);
}

}  // namespace
