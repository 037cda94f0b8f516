// Mifare Ultralight: the UID pages, four-page reads, and the locks and one-time
// bits that hold.

#include "cards/ultralight.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

class UltralightTest : public ::testing::Test {
  protected:
    void SetUp() override { reselect(); }
    void reselect() {
        sim.power_up('A');
        ASSERT_TRUE(sim.send(Command::RequestA, {0x52}).ok());
        ASSERT_TRUE(sim.send(Command::UltralightSelect).ok());
    }
    Bytes page(int number) {
        const auto &stored = sim.card<sim::Ultralight>().stored_page(number);
        return Bytes(stored.begin(), stored.end());
    }
    Answer write(std::uint8_t number, const Bytes &data) {
        return sim.send(Command::UltralightWrite, cat({{number}, data}));
    }

    SimReader sim{{"ultralight"}};
};

TEST_F(UltralightTest, FirstPagesHoldTheUidWithItsCheckBytes) {
    // UID 04 6E 31 5A 2B 48 80: BCC0 = 88 ^ 04 ^ 6E ^ 31, BCC1 = 5A ^ 2B ^ 48 ^ 80.
    EXPECT_EQ(sim.send(Command::ReadBlock, {0}).data,
              (Bytes{0x04, 0x6E, 0x31, 0x88 ^ 0x04 ^ 0x6E ^ 0x31, 0x5A, 0x2B, 0x48, 0x80,
                     0x5A ^ 0x2B ^ 0x48 ^ 0x80, 0x48, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(UltralightTest, AReadReturnsFourPagesAndWrapsAfterPageFifteen) {
    ASSERT_TRUE(write(15, {0xF1, 0xF2, 0xF3, 0xF4}).ok());
    const Answer read = sim.send(Command::ReadBlock, {14});
    EXPECT_EQ(read.data, cat({Bytes(4, 0), {0xF1, 0xF2, 0xF3, 0xF4}, page(0), page(1)}));
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlock, {16}), ReaderStatus::BadAddress));
}

TEST_F(UltralightTest, CompatibilityWriteTakesTheFirstFourOfSixteenBytes) {
    Bytes sixteen(16);
    for (int i = 0; i < 16; ++i) sixteen[i] = static_cast<std::uint8_t>(0x10 + i);
    ASSERT_TRUE(sim.send(Command::WriteBlock, cat({{6}, sixteen})).ok());
    EXPECT_EQ(page(6), (Bytes{0x10, 0x11, 0x12, 0x13}));
    EXPECT_EQ(page(7), Bytes(4, 0x00));
}

TEST_F(UltralightTest, UidPagesAreNeverWritten) {
    EXPECT_TRUE(has_status(write(0, Bytes(4, 0)), ReaderStatus::NotAllowed));
    reselect();
    EXPECT_TRUE(has_status(write(1, Bytes(4, 0)), ReaderStatus::NotAllowed));
    EXPECT_EQ(page(0)[0], 0x04);
}

TEST_F(UltralightTest, OneTimeBitsAreOredIn) {
    ASSERT_TRUE(write(3, {0x01, 0x00, 0xF0, 0x00}).ok());
    ASSERT_TRUE(write(3, {0x02, 0x00, 0x0F, 0x00}).ok());
    ASSERT_TRUE(write(3, {0x00, 0x00, 0x00, 0x00}).ok());
    EXPECT_EQ(page(3), (Bytes{0x03, 0x00, 0xFF, 0x00}));
}

TEST_F(UltralightTest, LockBitsAreOnlySetAndLockedPagesRefuseWrites) {
    // Bytes 0 and 1 of page 2 are not written; lock bit 4 of byte 0 locks page 4,
    // bit 2 of byte 1 locks page 10.
    ASSERT_TRUE(write(2, {0xEE, 0xEE, 0x10, 0x04}).ok());
    ASSERT_TRUE(write(2, {0x00, 0x00, 0x00, 0x00}).ok());
    EXPECT_EQ(page(2), (Bytes{0x5A ^ 0x2B ^ 0x48 ^ 0x80, 0x48, 0x10, 0x04}));

    struct Case {
        std::uint8_t page;
        bool locked;
    };
    for (const Case c : {Case{4, true}, Case{5, false}, Case{10, true}, Case{11, false}}) {
        const Answer answer = write(c.page, {1, 2, 3, 4});
        if (c.locked) {
            EXPECT_TRUE(has_status(answer, ReaderStatus::NotAllowed)) << int(c.page);
            EXPECT_EQ(page(c.page), Bytes(4, 0)) << int(c.page);
            reselect();
        } else {
            EXPECT_TRUE(answer.ok()) << int(c.page);
        }
    }
}

TEST_F(UltralightTest, BlockLockBitsFreezeTheLockBitsTheyCover) {
    // Block-lock bit 1 freezes the lock bits of pages 4 to 9; those of 10 to 15
    // still change.
    ASSERT_TRUE(write(2, {0, 0, 0x02, 0x00}).ok());
    ASSERT_TRUE(write(2, {0, 0, 0x30, 0x03 | 0x04}).ok());
    EXPECT_EQ(page(2)[2], 0x02);
    EXPECT_EQ(page(2)[3], 0x04);
    EXPECT_TRUE(write(4, {9, 9, 9, 9}).ok());

    // Locking page 3 makes the OTP bytes final.
    ASSERT_TRUE(write(2, {0, 0, 0x08, 0x00}).ok());
    EXPECT_TRUE(has_status(write(3, {0xFF, 0, 0, 0}), ReaderStatus::NotAllowed));
}

TEST_F(UltralightTest, MifareCommandsItDoesNotKnowAreRefused) {
    EXPECT_TRUE(
        has_status(sim.send(Command::AuthenticateGivenKey, cat({{0x60, 4}, Bytes(6, 0xFF)})),
                   ReaderStatus::AuthFailed));
    reselect();
    EXPECT_TRUE(has_status(sim.send(Command::Increment, {4, 1, 0, 0, 0}), ReaderStatus::CardError));
    reselect();
    EXPECT_TRUE(has_status(sim.send(Command::ReadValue, {4}), ReaderStatus::ValueFormat));
}

}  // namespace
