// Failures and status words in words: what a user reads when something fails.

#include <gtest/gtest.h>

#include "cli/status_words.h"
#include "cli/tool_error.h"

namespace {

TEST(ResultText, AFailedCallNamesItsFunctionItsResultAndTheMeaning) {
    const rfcard::ReaderError status("rf_M1_read", 6, "block 5");
    EXPECT_STREQ(status.what(), "block 5: rf_M1_read returned 6, reader status 06: not allowed");
    EXPECT_EQ(status.code(), rfcard::kExitReaderFailed);
    const rfcard::ReaderError transport("rf_request", 0x102);
    EXPECT_STREQ(transport.what(),
                 "rf_request returned 258 (0x102), transport: the reader said nothing within the "
                 "wait");
}

TEST(StatusWords, KnownWordsByName_OthersByTheirClass) {
    const struct {
        std::uint8_t sw1, sw2;
        const char *meaning;
    } rows[] = {
        {0x90, 0x00, "done"},
        {0x6A, 0x82, "file or application not found"},
        {0x69, 0x82, "security status not satisfied"},
        {0x61, 0x10, "done; 16 more bytes to fetch with GET RESPONSE"},
        {0x61, 0x00, "done; 256 more bytes to fetch with GET RESPONSE"},
        {0x6C, 0x08, "wrong length; 8 bytes available"},
        {0x63, 0xC2, "verification failed, 2 tries left"},
        {0x62, 0x99, "warning"},
        {0x65, 0x42, "execution error"},
        {0x6A, 0xFF, "checking error"},
        {0x91, 0x00, "proprietary"},
        {0x12, 0x34, "not a status word"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(rfcard::status_word_meaning(row.sw1, row.sw2), row.meaning)
            << std::hex << int{row.sw1} << " " << int{row.sw2};
    }
}

}  // namespace
