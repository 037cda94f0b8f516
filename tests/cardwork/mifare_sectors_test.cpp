// Opening Mifare Classic sectors with a reader of fakes: what each wrong key
// costs, what a card that leaves the field does to the search, which keys are
// tried first, and what a sector's access bits make the dump read.

#include <gtest/gtest.h>

#include "cardkit/access_bits.h"
#include "cardwork/key_candidates.h"
#include "cardwork/mifare_dump.h"
#include "cardwork/mifare_restore.h"
#include "fake_reader.h"

namespace {

using cardkit::KeyType;
using cardkit::MifareKey;
using fake_reader::calls_of;
using fake_reader::results;

const MifareKey kFirst = {1, 1, 1, 1, 1, 1};
const MifareKey kSecond = {2, 2, 2, 2, 2, 2};
const MifareKey kThird = {3, 3, 3, 3, 3, 3};
const cardkit::Bytes kUid = {0x12, 0x34, 0x56, 0x78};

class KeySearch : public ::testing::Test {
protected:
    void SetUp() override { fake_reader::reset(); }

    binding::ReaderApi api_ = fake_reader::api();
    cardwork::ReaderSession reader_{api_};
    cardwork::MifareCard card_{reader_, {kUid, {0x04, 0x00}, 0x08}};
};

TEST_F(KeySearch, AWrongKeyCostsItsAuthenticationAndASelectByUid) {
    results("rf_M1_authentication2", {4, 4, 0});
    EXPECT_EQ(card_.find_key(3, KeyType::B, {kFirst, kSecond, kThird}), kThird);
    EXPECT_EQ(reader_.exchanges(), 3 + 2 * 2);
    EXPECT_EQ(card_.keys_tried(), 3);
    EXPECT_EQ(card_.keys_failed(), 2);
    EXPECT_EQ(calls_of("rf_M1_authentication2").back(),
              "rf_M1_authentication2(0,0x61,15,030303030303)");
    EXPECT_EQ(calls_of("rf_select"), std::vector<std::string>(2, "rf_select(0,12345678,4)"));
    EXPECT_TRUE(calls_of("rf_anticoll").empty());

    // Open with that key, a read costs nothing more.
    EXPECT_TRUE(card_.read(12));
    EXPECT_EQ(reader_.exchanges(), 8);
}

TEST_F(KeySearch, ACardThatLeavesTheFieldEndsTheSearchWithTheReason) {
    results("rf_M1_authentication2", {4});
    results("rf_request", {2});
    try {
        card_.find_key(0, KeyType::A, {kFirst, kSecond, kThird});
        FAIL() << "the search went on";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.function(), "rf_request");
        EXPECT_EQ(error.result(), 2);
        EXPECT_STREQ(
            error.what(),
            "the card no longer answers: rf_request returned 2, reader status 02: no card");
    }
    EXPECT_EQ(calls_of("rf_M1_authentication2").size(), 1u);
}

TEST_F(KeySearch, AFailureOtherThanAWrongKeyEndsTheSearch) {
    results("rf_M1_authentication2", {0x102});
    EXPECT_THROW(card_.find_key(0, KeyType::A, {kFirst, kSecond}), cardwork::CardError);
    EXPECT_EQ(calls_of("rf_M1_authentication2").size(), 1u);
}

TEST_F(KeySearch, AReadRefusedMakesTheNextCommandSelectAndAuthenticateAgain) {
    ASSERT_TRUE(card_.find_key(1, KeyType::A, {kFirst}));
    results("rf_M1_read", {6, 0});
    EXPECT_FALSE(card_.read(4));
    EXPECT_TRUE(card_.read(5));
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{
                  "rf_M1_authentication2(0,0x60,7,010101010101)", "rf_M1_read(0,4)",
                  "rf_request(0,82)", "rf_select(0,12345678,4)",
                  "rf_M1_authentication2(0,0x60,7,010101010101)", "rf_M1_read(0,5)"}));
}

TEST_F(KeySearch, TheFieldIsWalkedCardByCardUntilTwoRequestsGoUnanswered) {
    // The second card, left ready by the first one's selection, lets the next
    // request go unanswered before it answers.
    results("rf_request", {0, 2, 0});
    int offered = 0;
    const auto taken = cardwork::find_type_a(reader_, [&](const cardwork::TypeACard &) {
                           return ++offered == 2;
                       }).taken;
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->sak, 0x08);
    EXPECT_EQ(
        calls_of("rf_request"),
        (std::vector<std::string>{"rf_request(0,82)", "rf_request(0,38)", "rf_request(0,38)"}));
    EXPECT_EQ(calls_of("rf_halt").size(), 1u);

    fake_reader::reset();
    results("rf_request", {2, 2});
    EXPECT_FALSE(
        cardwork::find_type_a(reader_, [](const cardwork::TypeACard &) { return false; }).taken);
    EXPECT_EQ(calls_of("rf_request").size(), 2u);
}

TEST(KeyCandidates, TheSectorsOwnKeysFirst_ThenGivenFoundKnownAndListed) {
    cardwork::KeyCandidates keys({kThird}, {kFirst, kSecond});
    cardkit::CardDump known = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
    const MifareKey sector2_a = {0x2A, 0, 0, 0, 0, 0}, sector2_b = {0x2B, 0, 0, 0, 0, 0};
    const MifareKey sector5_a = {0x5A, 0, 0, 0, 0, 0};
    known.set_key(2, KeyType::A, sector2_a);
    known.set_key(2, KeyType::B, sector2_b);
    known.set_key(5, KeyType::A, sector5_a);
    keys.add_known(known);
    keys.add_found(7, KeyType::A, kSecond);

    EXPECT_EQ(keys.for_sector(2, KeyType::B),
              (std::vector<MifareKey>{sector2_b, sector2_a, kThird, kSecond, sector5_a, kFirst}));
    EXPECT_EQ(keys.for_sector(9, KeyType::A),
              (std::vector<MifareKey>{kThird, kSecond, sector2_a, sector2_b, sector5_a, kFirst}));
}

// Sector 1 of the card of fakes, read or written.
class SectorRead : public KeySearch {
protected:
    // Sector 1's trailer as key A sees it, and data blocks 4 to 6.
    void show_trailer(const cardkit::AccessBits &access, const MifareKey &key_b_shown) {
        cardkit::Bytes trailer(16, 0);
        const auto bits = cardkit::encode_access_bits(access);
        std::copy(bits.begin(), bits.end(), trailer.begin() + 6);
        trailer[9] = 0x69;
        std::copy(key_b_shown.begin(), key_b_shown.end(), trailer.begin() + 10);
        fake_reader::state().blocks[7] = trailer;
        for (int block = 4; block < 7; ++block)
            fake_reader::state().blocks[block] =
                cardkit::Bytes(16, static_cast<std::uint8_t>(block));
    }
    cardwork::SectorReport read(const cardkit::AccessBits &access, const MifareKey &key_b_shown) {
        show_trailer(access, key_b_shown);
        cardwork::KeyCandidates keys({}, {kFirst, kSecond});
        return cardwork::read_sector(card_, 1, keys, dump_);
    }
    cardkit::CardDump dump_ = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
};

TEST_F(SectorRead, KeyBThatReadsAsDataIsKeptAndNeverSearchedFor) {
    const auto report = read(cardkit::kTransportAccess, kThird);
    EXPECT_TRUE(report.key_b_readable);
    EXPECT_EQ(report.blocks_read, 4);
    EXPECT_EQ(dump_.key(1, KeyType::B), kThird);
    EXPECT_EQ(dump_.key(1, KeyType::A), kFirst);
    for (const auto &call : calls_of("rf_M1_authentication2"))
        EXPECT_EQ(call.find("0x61"), std::string::npos);
}

TEST_F(SectorRead, BlocksOnlyKeyBReadsAreReadOnceKeyBIsFound) {
    // Block 4 (group 0) read by key B only; key B no data; the second key is B.
    results("rf_M1_authentication2", {0, 4, 0});
    const auto report = read({{3, 0, 0, 3}}, {});
    EXPECT_EQ(report.key_a, kFirst);
    EXPECT_EQ(report.key_b, kSecond);
    EXPECT_EQ(report.blocks_read, 4);
    EXPECT_EQ(calls_of("rf_M1_read"),
              (std::vector<std::string>{"rf_M1_read(0,7)", "rf_M1_read(0,5)", "rf_M1_read(0,6)",
                                        "rf_M1_read(0,4)"}));
    EXPECT_TRUE(dump_.block_known(4));
}

TEST_F(SectorRead, ASectorNoKeyOpensStaysUnknown) {
    results("rf_M1_authentication2", {4, 4, 4, 4});
    const auto report = read(cardkit::kTransportAccess, {});
    EXPECT_FALSE(report.key_a || report.key_b);
    EXPECT_EQ(report.blocks_read, 0);
    for (int block = 4; block < 8; ++block) EXPECT_TRUE(dump_.block_unknown(block));
    EXPECT_TRUE(calls_of("rf_M1_read").empty());
}

TEST_F(SectorRead, ARestoreWritesEachBlockWithAKeyTheCardAllowsOrSaysWhyNot) {
    // Block 4 written by either key, block 5 by key B alone, block 6 never; key B
    // is not among the candidates.
    show_trailer({{0, 3, 7, 3}}, {});
    results("rf_M1_authentication2", {0, 4, 4});
    cardkit::CardDump wanted = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
    for (const int block : {4, 5, 6}) wanted.set_block(block, cardkit::Bytes(16, 0x44));
    cardwork::KeyCandidates keys({}, {kFirst, kSecond});
    const auto outcome =
        cardwork::restore_mifare_card(card_, cardkit::MifareType::Classic1K, wanted, keys, {});
    ASSERT_FALSE(outcome.stopped);
    const cardwork::RestoreReport &report = outcome.report;

    EXPECT_EQ(report.written, std::vector<int>{4});
    ASSERT_EQ(report.skipped.size(), 2u);
    EXPECT_EQ(report.skipped[0].block, 5);
    EXPECT_EQ(report.skipped[0].note, "not written: it needs key B, which was not found");
    EXPECT_EQ(report.skipped[1].block, 6);
    EXPECT_EQ(report.skipped[1].note, "not written: the card's access conditions never allow it");
    EXPECT_EQ(report.keys.key(1, KeyType::A), kFirst);
}

TEST(RestoreChecks, WhatARestoreWouldWriteBeyondDataIsCheckedFirst) {
    using cardkit::MifareType;
    cardkit::CardDump dump = cardkit::CardDump::mifare_classic(MifareType::Classic1K);
    dump.set_block(0, cardkit::Bytes(16, 0));
    dump.set_block(3, cardkit::Bytes(16, 0));  // access bits 00 00 00: invalid
    dump.set_block(7, cardkit::Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0x80, 0x69, 0, 0, 0, 0, 0, 0});

    const auto data_only = cardwork::check_restorable(dump, MifareType::Classic1K, {});
    EXPECT_FALSE(data_only.block0);
    EXPECT_TRUE(data_only.trailer_sectors.empty());
    EXPECT_TRUE(
        cardwork::check_restorable(dump, MifareType::Classic1K, {true, false, false}).block0);
    try {
        cardwork::check_restorable(dump, MifareType::Classic1K, {false, true, false});
        FAIL() << "invalid access bits were taken";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.kind(), cardwork::CardErrorKind::DumpUnusable);
        EXPECT_NE(std::string(error.what()).find("sector(s) 0 in the dump are invalid"),
                  std::string::npos);
    }
    dump.forget_block(3);
    EXPECT_EQ(cardwork::check_restorable(dump, MifareType::Classic1K, {false, true, false})
                  .trailer_sectors,
              std::vector<int>{1});
    // A dump larger than the card.
    EXPECT_THROW(
        cardwork::check_restorable(cardkit::CardDump::mifare_classic(MifareType::Classic4K),
                                   MifareType::Classic1K, {}),
        cardwork::CardError);
}

}  // namespace
