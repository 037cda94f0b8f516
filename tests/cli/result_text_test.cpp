// Results and status words in words: what a user reads when something fails.

#include <gtest/gtest.h>

#include "cli/result_text.h"
#include "cli/status_words.h"
#include "cli/tool_error.h"

namespace {

TEST(ResultText, EachKindOfResultReadsAsWhatItIs) {
    const struct {
        const char *function;
        std::int32_t result;
        const char *meaning;
    } rows[] = {
        {"rf_M1_read", 0, "done"},
        {"rf_M1_read", 1,
         "the library refused an argument, or the answer did not carry the data expected"},
        {"rf_M1_authentication2", 4, "reader status 04: authentication failed"},
        {"rf_request", 0x12, "reader status 12: card error"},
        {"rf_request", 0x13, "reader status 13, which the reader does not document"},
        {"rf_M1_read", 0x100, "transport: libSelmek.so could not be loaded beside libDrovik.so"},
        {"rf_M1_read", 0x102, "transport: the reader said nothing within the wait"},
        {"rf_M1_read", 0x104, "transport: the device went away (unplugged?)"},
        {"rf_M1_read", 0x10A,
         "transport: bytes came, but no frame (noise, or the reader at another rate)"},
        {"rf_M1_read", 0x1FE, "transport: unknown transport result"},
        // The port's open passes on the system's reason, which would read as a status.
        {"rf_init_com", 2, "the port did not open: No such file or directory"},
        {"rf_init_com", 16, "the port did not open: Device or resource busy"},
        {"rf_init_com", 0x1FF, "transport: the port did not open, and the system gave no reason"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(rfcard::result_meaning(row.function, row.result), row.meaning)
            << row.function << " " << row.result;
    }
}

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
