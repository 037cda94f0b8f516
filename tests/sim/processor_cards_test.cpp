// The processor cards: ISO 14443-4 Type A activation and APDUs, the Type B card's
// request, ATTRIB, APDUs and halt, and the card operating system's answers.

#include "cards/cpu_card_a.h"
#include "cards/type_b_card.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

const Bytes kSwOk = {0x90, 0x00};

Bytes status_word(const Answer &answer) {
    if (answer.data.size() < 2) return {};
    return Bytes(answer.data.end() - 2, answer.data.end());
}

class CpuCardATest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim.power_up('A');
        reset = sim.send(Command::ActivateTypeA, {0x52});
        ASSERT_TRUE(reset.ok());
    }
    Answer apdu(const Bytes &command) { return sim.send(Command::TypeACommand, command); }

    SimReader sim{{"cpu-a"}};
    Answer reset;
};

TEST_F(CpuCardATest, ActivationAnswersUidThenAts) {
    ASSERT_EQ(reset.data.size(), 20u);
    EXPECT_EQ(Bytes(reset.data.begin(), reset.data.begin() + 4), (Bytes{0x3E, 0x81, 0x22, 0x6D}));
    EXPECT_EQ(Bytes(reset.data.begin() + 4, reset.data.end()), sim::CpuCardA::answer_to_select());
    EXPECT_EQ(reset.data[4], 16);  // TL counts the ATS itself
}

TEST_F(CpuCardATest, GetChallengeGivesFreshRandomBytes) {
    const Answer first = apdu({0x00, 0x84, 0x00, 0x00, 0x08});
    const Answer second = apdu({0x00, 0x84, 0x00, 0x00, 0x08});
    ASSERT_EQ(first.data.size(), 10u);
    EXPECT_EQ(status_word(first), kSwOk);
    EXPECT_NE(first.data, second.data);
    EXPECT_EQ(apdu({0x00, 0x84, 0x00, 0x00, 0x04}).data.size(), 6u);
}

TEST_F(CpuCardATest, CommandsAnswerTheirStatusWords) {
    struct Case {
        const char *name;
        Bytes command;
        Bytes sw;
    };
    const Case cases[] = {
        {"UnknownInstruction", {0x00, 0xCA, 0x9F, 0x7F, 0x00}, {0x6D, 0x00}},
        {"UnknownClass", {0xA0, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}, {0x6E, 0x00}},
        {"TooShort", {0x00, 0x84}, {0x67, 0x00}},
        {"Empty", {}, {0x67, 0x00}},
        {"LcDisagrees", {0x00, 0xA4, 0x00, 0x00, 0x05, 0x3F, 0x00}, {0x67, 0x00}},
        {"ChallengeOfSixteen", {0x00, 0x84, 0x00, 0x00, 0x10}, {0x67, 0x00}},
        {"ChallengeWithP1", {0x00, 0x84, 0x01, 0x00, 0x08}, {0x6A, 0x86}},
        {"SelectUnknownAid",
         {0x00, 0xA4, 0x04, 0x00, 0x05, 0xA0, 0x00, 0x00, 0x00, 0x99},
         {0x6A, 0x82}},
        {"SelectUnknownFile", {0x00, 0xA4, 0x00, 0x00, 0x02, 0x12, 0x34}, {0x6A, 0x82}},
        {"SelectBadP1", {0x00, 0xA4, 0x07, 0x00, 0x02, 0x3F, 0x00}, {0x6A, 0x86}},
        {"ReadWithoutCurrentFile", {0x00, 0xB0, 0x00, 0x00, 0x04}, {0x69, 0x86}},
    };
    for (const Case &c : cases) {
        const Answer answer = apdu(c.command);
        ASSERT_TRUE(answer.ok()) << c.name;  // a card error is still a successful exchange
        EXPECT_EQ(answer.data, c.sw) << c.name;
    }
}

TEST_F(CpuCardATest, SelectByAidAnswersTheFciAndFilesReadAndUpdate) {
    const Bytes aid = {0xF0, 0x54, 0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45, 0x01};
    const Answer select = apdu(cat({{0x00, 0xA4, 0x04, 0x00, 0x09}, aid}));
    EXPECT_EQ(select.data, cat({{0x6F, 0x0F, 0x83, 0x02, 0x10, 0x01, 0x84, 0x09}, aid, kSwOk}));
    // A leading part of the name selects too; P2 0C asks for no FCI.
    EXPECT_EQ(apdu({0x00, 0xA4, 0x04, 0x0C, 0x04, 0xF0, 0x54, 0x49, 0x4C}).data, kSwOk);

    EXPECT_EQ(apdu({0x00, 0xA4, 0x00, 0x00, 0x02, 0x00, 0x01}).data,
              cat({{0x62, 0x0B, 0x80, 0x02, 0x00, 0x20, 0x82, 0x01, 0x01, 0x83, 0x02, 0x00, 0x01},
                   kSwOk}));
    EXPECT_EQ(apdu({0x00, 0xD6, 0x00, 0x1E, 0x02, 0xAB, 0xCD}).data, kSwOk);
    EXPECT_EQ(apdu({0x00, 0xB0, 0x00, 0x1C, 0x04}).data,
              (Bytes{0x00, 0x00, 0xAB, 0xCD, 0x90, 0x00}));
    EXPECT_EQ(apdu({0x00, 0xB0, 0x00, 0x1E, 0x04}).data, (Bytes{0xAB, 0xCD, 0x62, 0x82}));
    EXPECT_EQ(apdu({0x00, 0xB0, 0x00, 0x21, 0x01}).data, (Bytes{0x6B, 0x00}));
    EXPECT_EQ(apdu({0x00, 0xD6, 0x00, 0x1F, 0x02, 0x01, 0x02}).data, (Bytes{0x6B, 0x00}));

    // The issuer file under the MF by its short identifier.
    EXPECT_EQ(apdu({0x00, 0xA4, 0x00, 0x0C, 0x02, 0x3F, 0x00}).data, kSwOk);
    const Answer issuer = apdu({0x00, 0xB0, 0x95, 0x00, 0x00});
    EXPECT_EQ(issuer.data.size(), 18u);
    EXPECT_EQ(status_word(issuer), kSwOk);
}

TEST_F(CpuCardATest, DeselectHaltsTheCardAndEndsTheExchanges) {
    EXPECT_TRUE(sim.send(Command::Deselect).ok());
    EXPECT_TRUE(has_status(apdu({0x00, 0x84, 0x00, 0x00, 0x08}), ReaderStatus::NoCard));
    // Halted: the wake-up request of the next activation reaches it.
    EXPECT_TRUE(has_status(sim.send(Command::ActivateTypeA, {0x26}), ReaderStatus::NoCard));
    EXPECT_TRUE(sim.send(Command::ActivateTypeA, {0x52}).ok());
}

TEST(TypeAActivation, AMifareCardIsNoIso14443_4Card) {
    SimReader sim({"mifare1k"});
    sim.power_up('A');
    EXPECT_TRUE(has_status(sim.send(Command::ActivateTypeA, {0x52}), ReaderStatus::NotIso14443_4));
    EXPECT_TRUE(has_status(sim.send(Command::TypeACommand, {0x00, 0x84, 0x00, 0x00, 0x08}),
                           ReaderStatus::NotIso14443_4));
    EXPECT_TRUE(has_status(sim.send(Command::ActivateTypeA), ReaderStatus::BadLength));
}

TEST(TypeB, RequestAttribExchangeAndHalt) {
    SimReader sim({"cpu-b"});
    sim.power_up('B');
    const Answer atqb = sim.send(Command::RequestB, {0x00});
    ASSERT_EQ(atqb.data.size(), 12u);
    EXPECT_EQ(atqb.data[0], 0x50);
    const Bytes pupi(atqb.data.begin() + 1, atqb.data.begin() + 5);
    EXPECT_EQ(pupi, (Bytes{0x1C, 0x93, 0x5E, 0x07}));
    EXPECT_EQ(atqb.data[10] & 0x0F, 0x01);  // protocol type: ISO 14443-4

    EXPECT_TRUE(has_status(sim.send(Command::TypeBCommand, {0x00, 0x00, 0x84, 0x00, 0x00, 0x08}),
                           ReaderStatus::NoCard));  // no ATTRIB yet
    EXPECT_TRUE(has_status(sim.send(Command::Attrib, {1, 2, 3, 4, 0}), ReaderStatus::NoCard));
    ASSERT_TRUE(sim.send(Command::Attrib, cat({pupi, {0x00}})).ok());
    const Answer challenge = sim.send(Command::TypeBCommand, {0x00, 0x00, 0x84, 0x00, 0x00, 0x08});
    EXPECT_EQ(challenge.data.size(), 10u);
    EXPECT_EQ(status_word(challenge), kSwOk);

    ASSERT_TRUE(sim.send(Command::HaltB, pupi).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestB, {0x00}), ReaderStatus::NoCard));
    EXPECT_TRUE(sim.send(Command::RequestB, {0x01}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::RequestB, {0x02}), ReaderStatus::BadParameter));
}

TEST(TypeB, TwoCardsInOneSlotCollide) {
    SimReader sim({"cpu-b", "cpu-b"});
    sim.power_up('B');
    EXPECT_TRUE(has_status(sim.send(Command::RequestB, {0x00}), ReaderStatus::Collision));
    // The cards are told apart by their PUPIs: the second copy's ends in 08.
    EXPECT_TRUE(sim.send(Command::Attrib, {0x1C, 0x93, 0x5E, 0x08, 0x00}).ok());
    EXPECT_EQ(sim.card<sim::TypeBCard>(1).state(), sim::TypeBCard::State::Active);
    EXPECT_EQ(sim.card<sim::TypeBCard>(0).state(), sim::TypeBCard::State::Ready);
}

TEST(TypeB, TheProcessorCardDoesNotAnswerInTheAt88rf020Protocol) {
    SimReader sim({"cpu-b"});
    sim.power_up('r');
    EXPECT_TRUE(has_status(sim.send(Command::RequestB, {0x00}), ReaderStatus::NoCard));
}

}  // namespace
