// Card work's one error: what a failed call says, and what a failure that is no
// call's keeps.

#include <gtest/gtest.h>

#include "cardwork/card_error.h"

namespace {

using cardwork::CardError;
using cardwork::CardErrorKind;

TEST(CardError, AFailedCallNamesItsFunctionItsResultAndTheMeaning) {
    const CardError status = CardError::call("rf_M1_read", 6, "block 5");
    EXPECT_STREQ(status.what(), "block 5: rf_M1_read returned 6, reader status 06: not allowed");
    EXPECT_EQ(status.kind(), CardErrorKind::ReaderFailed);
    EXPECT_EQ(status.function(), "rf_M1_read");
    EXPECT_EQ(status.result(), 6);
    EXPECT_EQ(status.context(), "block 5");
    EXPECT_EQ(status.meaning(), "reader status 06: not allowed");
    const CardError transport = CardError::call("rf_request", 0x102);
    EXPECT_STREQ(transport.what(),
                 "rf_request returned 258 (0x102), transport: the reader said nothing within the "
                 "wait");
}

TEST(CardError, AFailureThatIsNoCallsHasNoFunctionAndItsMessageAsContext) {
    const CardError unusable(CardErrorKind::CardUnusable, "the card has a 10-byte UID");
    EXPECT_STREQ(unusable.what(), "the card has a 10-byte UID");
    EXPECT_TRUE(unusable.function().empty());
    EXPECT_TRUE(unusable.meaning().empty());
    EXPECT_EQ(unusable.context(), "the card has a 10-byte UID");
}

}  // namespace
