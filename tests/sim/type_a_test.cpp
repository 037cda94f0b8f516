// ISO 14443 Type A: who answers a request, the cascade levels, halt, and the
// gates every card command passes (field, protocol).

#include "cards/mifare_classic.h"
#include "cards/type_a_card.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

const Bytes kMifare1kUid = {0x5A, 0x3C, 0x71, 0xE2};
const Bytes kUltralightUid = {0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80};

TEST(TypeA, FindsAMifareCardByRequestAnticollisionAndSelect) {
    SimReader sim({"mifare1k"});
    sim.power_up('A');
    EXPECT_EQ(sim.send(Command::RequestA, {0x26}).data, (Bytes{0x04, 0x00}));
    EXPECT_EQ(sim.send(Command::Anticollision, {4}).data, kMifare1kUid);
    EXPECT_EQ(sim.send(Command::SelectA, kMifare1kUid).data, (Bytes{0x08}));
    EXPECT_EQ(sim.card<sim::TypeACard>().state(), sim::TypeACard::State::Active);
}

TEST(TypeA, NoCardWhenTheFieldIsOffOrAnotherProtocolIsSet) {
    SimReader sim({"mifare1k", "ultralight"});
    sim.power_up('A');
    ASSERT_TRUE(sim.send(Command::Antenna, {0}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestA, {0x52}), ReaderStatus::NoCard));
    for (const char protocol : {'B', 'r', 's', '1'}) {
        sim.power_up(protocol);
        EXPECT_TRUE(has_status(sim.send(Command::RequestA, {0x52}), ReaderStatus::NoCard))
            << protocol;
        EXPECT_TRUE(has_status(sim.send(Command::UltralightSelect), ReaderStatus::NoCard))
            << protocol;
    }
}

TEST(TypeA, TakingTheFieldAwayEndsTheSelection) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    ASSERT_TRUE(sim.send(Command::Antenna, {0}).ok());
    ASSERT_TRUE(sim.send(Command::Antenna, {1}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlock, {4}), ReaderStatus::NoCard));
}

TEST(TypeA, RequestForIdleCardsDoesNotWakeAHaltedCardButWakeUpDoes) {
    SimReader sim({"mifare1k"});
    sim.select_type_a();
    EXPECT_TRUE(sim.send(Command::HaltA).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestA, {0x26}), ReaderStatus::NoCard));
    EXPECT_TRUE(sim.send(Command::RequestA, {0x52}).ok());
    EXPECT_TRUE(sim.send(Command::SelectA, kMifare1kUid).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestA, {0x10}), ReaderStatus::BadParameter));
}

TEST(TypeA, ARequestToACardThatIsAlreadyReadyIsAProtocolErrorForIt) {
    // The second request finds the card READY; it falls back to IDLE without
    // answering, and the third request wakes it again.
    SimReader sim({"mifare1k"});
    sim.power_up('A');
    EXPECT_TRUE(sim.send(Command::RequestA, {0x26}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestA, {0x26}), ReaderStatus::NoCard));
    EXPECT_TRUE(sim.send(Command::RequestA, {0x26}).ok());
}

TEST(TypeA, ASevenByteUidCardIsResolvedThroughBothCascadeLevels) {
    SimReader sim({"ultralight"});
    sim.power_up('A');
    EXPECT_EQ(sim.send(Command::RequestA, {0x52}).data, (Bytes{0x44, 0x00}));
    // The anticollision answers with the whole UID (the library then reports a
    // length other than 4); selecting the 7 bytes finishes the job.
    EXPECT_EQ(sim.send(Command::Anticollision, {4}).data, kUltralightUid);
    EXPECT_EQ(sim.send(Command::SelectA, kUltralightUid).data, (Bytes{0x00}));

    sim.power_up('A');
    ASSERT_TRUE(sim.send(Command::RequestA, {0x52}).ok());
    // Selecting cascade level 1 by hand: cascade tag, three UID bytes, SAK with
    // the cascade bit; the card then waits for level 2.
    EXPECT_EQ(sim.send(Command::SelectA, {0x88, 0x04, 0x6E, 0x31}).data, (Bytes{0x04}));
    EXPECT_EQ(sim.send(Command::SelectA, {0x5A, 0x2B, 0x48, 0x80}).data, (Bytes{0x00}));
}

TEST(TypeA, UltralightSelectDoesTheWholeCascadeAfterARequest) {
    SimReader sim({"ultralight"});
    sim.power_up('A');
    EXPECT_TRUE(
        has_status(sim.send(Command::UltralightSelect), ReaderStatus::NoCard));  // no request yet
    ASSERT_TRUE(sim.send(Command::RequestA, {0x52}).ok());
    EXPECT_EQ(sim.send(Command::UltralightSelect).data, kUltralightUid);

    // A 4-byte card answers the same command with its 4 bytes.
    SimReader mifare({"mifare1k"});
    mifare.power_up('A');
    ASSERT_TRUE(mifare.send(Command::RequestA, {0x52}).ok());
    EXPECT_EQ(mifare.send(Command::UltralightSelect).data, kMifare1kUid);
}

TEST(TypeA, TwoCardsInTheFieldAreTakenOneAfterTheOther) {
    SimReader sim({"mifare1k", "ultralight"});
    sim.power_up('A');
    // Both answer; the reader sees their ATQAs at once.
    EXPECT_EQ(sim.send(Command::RequestA, {0x52}).data, (Bytes{0x44, 0x00}));
    // Bit 0 of the first byte: 5A has 0, 88 (cascade tag) has 0; bit 1: 5A has 1,
    // 88 has 0. The reader carries on with the 1: the Mifare card wins.
    EXPECT_EQ(sim.send(Command::Anticollision, {4}).data, kMifare1kUid);
    ASSERT_TRUE(sim.send(Command::SelectA, kMifare1kUid).ok());
    ASSERT_TRUE(sim.send(Command::HaltA).ok());
    // The Ultralight is still READY and takes the next anticollision.
    EXPECT_EQ(sim.send(Command::Anticollision, {4}).data, kUltralightUid);
}

TEST(TypeA, Request080AnswersAtqaLevelOneBccAndSak) {
    SimReader sim({"mifare1k"});
    sim.power_up('A');
    const Answer answer = sim.send(Command::Request080, {0x52, 0x00});
    EXPECT_EQ(answer.data,
              (Bytes{0x04, 0x00, 0x5A, 0x3C, 0x71, 0xE2, 0x5A ^ 0x3C ^ 0x71 ^ 0xE2, 0x08}));
    EXPECT_EQ(sim.card<sim::TypeACard>().state(), sim::TypeACard::State::Active);
    sim.power_up('A');
    ASSERT_TRUE(sim.send(Command::Request080, {0x52, 0x01}).ok());
    EXPECT_EQ(sim.card<sim::TypeACard>().state(), sim::TypeACard::State::Halt);
}

TEST(TypeA, CommandsWithoutASelectedCardFindNoCard) {
    SimReader sim({"mifare1k"});
    sim.power_up('A');
    const std::pair<Command, Bytes> commands[] = {
        {Command::ReadBlock, {4}},
        {Command::WriteBlock, Bytes(17)},
        {Command::ReadValue, {4}},
        {Command::Increment, {4, 1, 0, 0, 0}},
        {Command::HaltA, {}},
        {Command::AuthenticateGivenKey, cat({{0x60, 4}, Bytes(6, 0xFF)})},
        {Command::TypeACommand, {0, 0x84, 0, 0, 8}},
        {Command::UltralightWrite, {4, 1, 2, 3, 4}}};
    for (const auto &[code, data] : commands) {
        EXPECT_TRUE(has_status(sim.send(code, data), ReaderStatus::NoCard)) << "code " << int(code);
    }
}

}  // namespace
