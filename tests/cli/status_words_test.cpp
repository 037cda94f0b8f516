// Status words in words, and the exit status each kind of card-work failure
// gives: what a user or a script reads when something fails.

#include <gtest/gtest.h>

#include "status_words.h"
#include "tool_error.h"

namespace {

using cardwork::CardError;
using cardwork::CardErrorKind;

TEST(CardFailures, EachKindGivesItsExitStatus_ACancellationReadsAsInterrupted) {
    const struct {
        CardError error;
        rfcard::ExitCode code;
        const char *message;
    } rows[] = {
        {CardError::call("rf_M1_read", 6, "block 5"), rfcard::kExitReaderFailed,
         "block 5: rf_M1_read returned 6, reader status 06: not allowed"},
        {CardError(CardErrorKind::CardUnusable, "the card has a 10-byte UID"),
         rfcard::kExitReaderFailed, "the card has a 10-byte UID"},
        {CardError(CardErrorKind::DumpUnusable, "the dump holds a SR176"), rfcard::kExitBadInput,
         "the dump holds a SR176"},
        {CardError(CardErrorKind::Cancelled, "cancelled"), rfcard::kExitInterrupted, "interrupted"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(rfcard::exit_code_of(row.error), row.code) << row.message;
        EXPECT_EQ(rfcard::message_of(row.error), row.message);
    }
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
