// The memory cards of the Type B signalling: AT88RF020 (protocol 'r'), SR176 and
// SRIX4K (protocol 's').

#include "cards/at88rf020.h"
#include "cards/sr176.h"
#include "cards/srix4k.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

class At88rf020Test : public ::testing::Test {
  protected:
    void SetUp() override { find(); }
    void find() {
        sim.power_up('r');
        atqb = sim.send(Command::RequestB, {0x00});
        ASSERT_TRUE(atqb.ok());
    }
    Answer read(std::uint8_t page) { return sim.send(Command::At020Read, {page}); }
    Answer write(std::uint8_t page, const Bytes &data) {
        return sim.send(Command::At020Write, cat({{page}, data}));
    }
    Answer check(const Bytes &password = Bytes(8, 0x00)) {
        return sim.send(Command::At020Check, password);
    }

    SimReader sim{{"at88rf020"}};
    Answer atqb;
};

TEST_F(At88rf020Test, AnswersTheRequestWithItsAtqbAndPupiInPageZero) {
    ASSERT_EQ(atqb.data.size(), 12u);
    EXPECT_EQ(Bytes(atqb.data.begin() + 1, atqb.data.begin() + 5), (Bytes{0x4D, 0xAA, 0x20, 0x17}));
    EXPECT_EQ(atqb.data[10] & 0x0F, 0x00);  // not ISO 14443-4
    EXPECT_EQ(read(0).data, (Bytes{0x4D, 0xAA, 0x20, 0x17, 0, 0, 0, 0}));
    EXPECT_TRUE(has_status(read(3), ReaderStatus::NotAllowed));  // the password
    EXPECT_TRUE(has_status(read(32), ReaderStatus::BadAddress));
}

TEST_F(At88rf020Test, WritingNeedsThePassword) {
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(has_status(write(5, data), ReaderStatus::NotAuthenticated));
    EXPECT_TRUE(has_status(check(Bytes(8, 0x01)), ReaderStatus::AuthFailed));
    EXPECT_TRUE(has_status(write(5, data), ReaderStatus::NotAuthenticated));
    ASSERT_TRUE(check().ok());
    EXPECT_TRUE(write(5, data).ok());
    EXPECT_EQ(read(5).data, data);
    // Pages 0 and 2 change only through lock and count.
    EXPECT_TRUE(has_status(write(0, data), ReaderStatus::NotAllowed));
    EXPECT_TRUE(has_status(write(2, data), ReaderStatus::NotAllowed));
    // A new password takes effect for the next check; a deselect ends the check.
    ASSERT_TRUE(write(3, data).ok());
    ASSERT_TRUE(sim.send(Command::At020Deselect).ok());
    EXPECT_TRUE(has_status(read(5), ReaderStatus::NoCard));
    find();
    EXPECT_TRUE(has_status(check(), ReaderStatus::AuthFailed));
    EXPECT_TRUE(check(data).ok());
}

TEST_F(At88rf020Test, LockBitsOnlyGetSetAndLockTheirPages) {
    ASSERT_TRUE(check().ok());
    ASSERT_TRUE(sim.send(Command::At020Lock, {0x20, 0x00, 0x00, 0x80}).ok());  // pages 5 and 31
    ASSERT_TRUE(sim.send(Command::At020Lock, {0x00, 0x01, 0x00, 0x00}).ok());  // page 8
    EXPECT_EQ(read(0).data, (Bytes{0x4D, 0xAA, 0x20, 0x17, 0x20, 0x01, 0x00, 0x80}));
    for (const std::uint8_t page : {5, 8, 31}) {
        EXPECT_TRUE(has_status(write(page, Bytes(8, 1)), ReaderStatus::NotAllowed)) << int(page);
    }
    EXPECT_TRUE(write(6, Bytes(8, 1)).ok());
    // Locking page 0 freezes the lock bytes themselves.
    ASSERT_TRUE(sim.send(Command::At020Lock, {0x01, 0x00, 0x00, 0x00}).ok());
    EXPECT_TRUE(
        has_status(sim.send(Command::At020Lock, {0x40, 0, 0, 0}), ReaderStatus::NotAllowed));
}

TEST_F(At88rf020Test, CountWritesTheSignatureAndCountsUp) {
    const Bytes signature = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    ASSERT_TRUE(sim.send(Command::At020Count, signature).ok());
    ASSERT_TRUE(sim.send(Command::At020Count, signature).ok());
    EXPECT_EQ(read(2).data, cat({signature, {0x00, 0x02}}));
    EXPECT_TRUE(has_status(sim.send(Command::At020Count, Bytes(5)), ReaderStatus::BadLength));
    // A locked count page counts no more.
    ASSERT_TRUE(check().ok());
    ASSERT_TRUE(sim.send(Command::At020Lock, {0x04, 0, 0, 0}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::At020Count, signature), ReaderStatus::NotAllowed));
}

TEST_F(At88rf020Test, NothingAnswersInAnotherProtocol) {
    sim.power_up('B');
    EXPECT_TRUE(has_status(sim.send(Command::RequestB, {0x00}), ReaderStatus::NoCard));
    EXPECT_TRUE(has_status(read(1), ReaderStatus::NoCard));
}

TEST(ShortRange, TwoCardsAnsweringTheInitiateCollide) {
    SimReader sim({"sr176", "srix4k"});
    sim.power_up('s');
    EXPECT_TRUE(has_status(sim.send(Command::StSelect), ReaderStatus::Collision));
}

TEST(Sr176, ChipIdUidBlocksAndWrites) {
    SimReader sim({"sr176"});
    sim.power_up('s');
    EXPECT_EQ(sim.send(Command::StSelect).data, (Bytes{0x06}));
    // A selected card ignores the next INITIATE.
    EXPECT_TRUE(has_status(sim.send(Command::StSelect), ReaderStatus::NoCard));
    // UID D0 02 0B 55 31 7E 90 04: block 0 holds its least significant bytes.
    EXPECT_EQ(sim.send(Command::Sr176Read, {0}).data, (Bytes{0x90, 0x04}));
    EXPECT_EQ(sim.send(Command::Sr176Read, {3}).data, (Bytes{0xD0, 0x02}));
    EXPECT_EQ(sim.send(Command::Sr176Read, {15}).data, (Bytes{0x00, 0x06}));
    EXPECT_TRUE(sim.send(Command::Sr176Write, {4, 0x12, 0x34}).ok());
    EXPECT_EQ(sim.send(Command::Sr176Read, {4}).data, (Bytes{0x12, 0x34}));
    EXPECT_TRUE(has_status(sim.send(Command::Sr176Write, {2, 0, 0}), ReaderStatus::NotAllowed));
    EXPECT_TRUE(has_status(sim.send(Command::Sr176Read, {16}), ReaderStatus::BadAddress));
    EXPECT_TRUE(has_status(sim.send(Command::Srix4kRead, {4}), ReaderStatus::CardError));
    EXPECT_TRUE(sim.send(Command::StCompletion).ok());
    EXPECT_TRUE(has_status(sim.send(Command::Sr176Read, {4}), ReaderStatus::NoCard));
}

TEST(Sr176, ProtectionHoldsFromTheNextSelect) {
    SimReader sim({"sr176"});
    sim.power_up('s');
    ASSERT_TRUE(sim.send(Command::StSelect).ok());
    // Bit 2 protects blocks 4 and 5, bit 3 blocks 6 and 7.
    ASSERT_TRUE(sim.send(Command::Sr176Protect, {0x04}).ok());
    ASSERT_TRUE(sim.send(Command::Sr176Protect, {0x08}).ok());
    EXPECT_EQ(sim.send(Command::Sr176Read, {15}).data, (Bytes{0x0C, 0x06}));
    EXPECT_TRUE(sim.send(Command::Sr176Write, {4, 1, 1}).ok());  // not in force yet

    sim.power_up('s');
    ASSERT_TRUE(sim.send(Command::StSelect).ok());
    for (const std::uint8_t block : {4, 5, 6, 7}) {
        EXPECT_TRUE(
            has_status(sim.send(Command::Sr176Write, {block, 2, 2}), ReaderStatus::NotAllowed))
            << int(block);
    }
    EXPECT_TRUE(sim.send(Command::Sr176Write, {8, 2, 2}).ok());
    EXPECT_EQ(sim.send(Command::Sr176Read, {4}).data, (Bytes{1, 1}));
    // Protection bits never clear.
    ASSERT_TRUE(sim.send(Command::Sr176Protect, {0x00}).ok());
    EXPECT_EQ(sim.card<sim::Sr176>().lock_byte(), 0x0C);
}

class Srix4kTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim.power_up('s');
        ASSERT_EQ(sim.send(Command::StSelect).data, (Bytes{0x5D}));
    }
    Answer write(std::uint8_t block, const Bytes &data) {
        return sim.send(Command::Srix4kWrite, cat({{block}, data}));
    }
    Bytes read(std::uint8_t block) { return sim.send(Command::Srix4kRead, {block}).data; }

    SimReader sim{{"srix4k"}};
};

TEST_F(Srix4kTest, UidAndUserBlocks) {
    EXPECT_EQ(sim.send(Command::Srix4kGetUid).data,
              (Bytes{0xD0, 0x02, 0x0C, 0x4B, 0x13, 0x72, 0xA9, 0xE5}));
    EXPECT_TRUE(write(100, {0xDE, 0xAD, 0xBE, 0xEF}).ok());
    EXPECT_EQ(read(100), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_TRUE(has_status(sim.send(Command::Srix4kRead, {128}), ReaderStatus::BadAddress));
    EXPECT_TRUE(has_status(sim.send(Command::Sr176Read, {1}), ReaderStatus::CardError));
}

TEST_F(Srix4kTest, OtpBlocksOnlyClearBitsAndCountersOnlyCountDown) {
    EXPECT_EQ(read(0), Bytes(4, 0xFF));
    ASSERT_TRUE(write(0, {0xF0, 0xFF, 0x0F, 0xFF}).ok());
    ASSERT_TRUE(write(0, {0xFF, 0x00, 0xFF, 0xFF}).ok());
    EXPECT_EQ(read(0), (Bytes{0xF0, 0x00, 0x0F, 0xFF}));

    EXPECT_EQ(read(5), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_TRUE(write(5, {0x00, 0x00, 0x10, 0x00}).ok());
    EXPECT_TRUE(has_status(write(5, {0x00, 0x00, 0x10, 0x00}), ReaderStatus::NotAllowed));
    EXPECT_TRUE(has_status(write(5, {0x00, 0x00, 0x20, 0x00}), ReaderStatus::NotAllowed));
    EXPECT_EQ(read(5), (Bytes{0x00, 0x00, 0x10, 0x00}));
}

TEST_F(Srix4kTest, TheLockRegisterProtectsTheLockableBlocksForGood) {
    // Bit 0 low protects blocks 7 and 8, bit 3 low protects block 11.
    ASSERT_TRUE(sim.send(Command::Srix4kWriteLockRegister, {0xF6}).ok());
    ASSERT_TRUE(sim.send(Command::Srix4kWriteLockRegister, {0xFF}).ok());
    EXPECT_EQ(sim.card<sim::Srix4k>().lock_register(), 0xF6);
    EXPECT_EQ(read(255), (Bytes{0xF6, 0xFF, 0xFF, 0xFF})) << "the system block";
    struct Case {
        std::uint8_t block;
        bool locked;
    };
    for (const Case c :
         {Case{7, true}, Case{8, true}, Case{9, false}, Case{11, true}, Case{16, false}}) {
        const Answer answer = write(c.block, {1, 2, 3, 4});
        EXPECT_EQ(answer.ok(), !c.locked) << int(c.block);
    }
}

TEST_F(Srix4kTest, AuthenticationAnswersDependOnTheChallengeOnly) {
    const Bytes challenge = {1, 2, 3, 4, 5, 6};
    const Answer first = sim.send(Command::Srix4kAuthenticate, challenge);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.data.size(), 3u);
    EXPECT_EQ(sim.send(Command::Srix4kAuthenticate, challenge).data, first.data);
    EXPECT_NE(sim.send(Command::Srix4kAuthenticate, {1, 2, 3, 4, 5, 7}).data, first.data);
}

}  // namespace
