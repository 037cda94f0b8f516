// What whole-card work leaves when it does not get to the end: the caller's
// cancellation stops it before the next exchange, and a failure or a
// cancellation keeps everything read or written before, with what stopped it.

#include <gtest/gtest.h>

#include <atomic>

#include "cardkit/access_bits.h"
#include "cardwork/memory_cards.h"
#include "cardwork/mifare_dump.h"
#include "cardwork/mifare_restore.h"
#include "fake_reader.h"

namespace {

using cardkit::KeyType;
using cardkit::MifareType;
using cardwork::CardErrorKind;
using fake_reader::results;

const cardkit::MifareKey kKey = {1, 1, 1, 1, 1, 1};

// A trailer as key A reads it under the transport configuration.
cardkit::Bytes transport_trailer() {
    cardkit::Bytes trailer(16, 0);
    const auto bits = cardkit::encode_access_bits(cardkit::kTransportAccess);
    std::copy(bits.begin(), bits.end(), trailer.begin() + 6);
    return trailer;
}

class WorkOutcome : public ::testing::Test {
protected:
    void SetUp() override {
        fake_reader::reset();
        for (int sector = 0; sector < 16; ++sector)
            fake_reader::state().blocks[4 * sector + 3] = transport_trailer();
    }

    binding::ReaderApi api_ = fake_reader::api();
    std::atomic<bool> cancel_{false};
    cardwork::ReaderSession session_{api_, &cancel_};
    cardwork::MifareCard card_{session_, {{0x12, 0x34, 0x56, 0x78}, {0x04, 0x00}, 0x08}};
    cardwork::KeyCandidates keys_{{}, {kKey}};
};

TEST_F(WorkOutcome, ACancelledDumpStopsBeforeTheNextExchangeAndKeepsTheSectorsRead) {
    std::size_t calls_when_cancelled = 0;
    std::vector<cardwork::Progress> told;
    const auto outcome =
        cardwork::dump_mifare_card(card_, MifareType::Classic1K, keys_, [&](const auto &progress) {
            told.push_back(progress);
            if (progress.done == 2 && progress.key_search && !cancel_) {
                cancel_ = true;
                calls_when_cancelled = fake_reader::calls().size();
            }
        });
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.stopped->kind(), CardErrorKind::Cancelled);
    EXPECT_EQ(fake_reader::calls().size(), calls_when_cancelled);
    EXPECT_EQ(session_.exchanges(), static_cast<long>(calls_when_cancelled));
    // Sectors 0 and 1 whole, sector 2 begun and empty.
    ASSERT_EQ(outcome.report.sectors.size(), 3u);
    EXPECT_EQ(outcome.report.sectors[1].blocks_read, 4);
    EXPECT_EQ(outcome.report.dump.key(1, KeyType::A), kKey);
    EXPECT_TRUE(outcome.report.dump.block_known(4));
    EXPECT_FALSE(outcome.report.dump.key(2, KeyType::A));
    EXPECT_EQ(outcome.report.dump.identity().uid, (cardkit::Bytes{0x12, 0x34, 0x56, 0x78}));
    // Told sector by sector, each key search inside its sector.
    EXPECT_EQ(told.front().done, 0);
    EXPECT_FALSE(told.front().key_search);
    EXPECT_EQ(told.back().done, 2);
    EXPECT_EQ(told.back().total, 16);
    EXPECT_DOUBLE_EQ(told.back().fraction(), 2.0 / 16);
}

TEST_F(WorkOutcome, ADumpCutShortInsideASectorCountsTheBlocksItReadThere) {
    // The trailer and block 0 read, then the line fails on block 1.
    results("rf_M1_read", {0, 0, 0x102});
    const auto outcome = cardwork::dump_mifare_card(card_, MifareType::Classic1K, keys_);
    ASSERT_TRUE(outcome.stopped);
    ASSERT_EQ(outcome.report.sectors.size(), 1u);
    EXPECT_EQ(outcome.report.sectors[0].blocks_read, 2);
    EXPECT_TRUE(outcome.report.dump.block_known(0));
    EXPECT_TRUE(outcome.report.dump.block_unknown(1));
}

TEST_F(WorkOutcome, AFinishedDumpEndsWithItsLastProgress) {
    cardwork::Progress last;
    const auto outcome = cardwork::dump_mifare_card(
        card_, MifareType::Mini, keys_, [&](const auto &progress) { last = progress; });
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.report.sectors.size(), 5u);
    EXPECT_EQ(last.done, last.total);
    EXPECT_DOUBLE_EQ(last.fraction(), 1.0);
    EXPECT_EQ(last.exchanges, session_.exchanges());
    EXPECT_EQ(last.keys_tried, card_.keys_tried());
}

TEST_F(WorkOutcome, ARestoreCutShortSaysWhichBlocksWereWrittenAndWhichIsInDoubt) {
    const struct {
        const char *name;
        std::int32_t second_write;
        std::optional<int> in_doubt;
    } rows[] = {
        // The line failed: the card may have written block 5 or not.
        {"no answer", 0x102, 5},
        // The reader answered: the card wrote nothing.
        {"no card", 2, std::nullopt},
    };
    for (const auto &row : rows) {
        fake_reader::reset();
        fake_reader::state().blocks[7] = transport_trailer();
        results("rf_M1_write", {0, row.second_write});
        cardkit::CardDump wanted = cardkit::CardDump::mifare_classic(MifareType::Classic1K);
        for (const int block : {4, 5, 6}) wanted.set_block(block, cardkit::Bytes(16, 0x44));

        const auto outcome =
            cardwork::restore_mifare_card(card_, MifareType::Classic1K, wanted, keys_, {});
        ASSERT_TRUE(outcome.stopped) << row.name;
        EXPECT_EQ(outcome.stopped->function(), "rf_M1_write") << row.name;
        EXPECT_EQ(outcome.report.written, std::vector<int>{4}) << row.name;
        EXPECT_EQ(outcome.report.in_doubt, row.in_doubt) << row.name;
        EXPECT_EQ(outcome.report.keys.key(1, KeyType::A), kKey) << row.name;
    }
}

TEST_F(WorkOutcome, ARestoreOfADumpTheCardCannotTakeWritesNothing) {
    const auto outcome = cardwork::restore_mifare_card(
        card_, MifareType::Classic1K, cardkit::CardDump::mifare_classic(MifareType::Classic4K),
        keys_, {});
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.stopped->kind(), CardErrorKind::DumpUnusable);
    EXPECT_TRUE(fake_reader::calls().empty());
}

TEST_F(WorkOutcome, AMemoryCardReadCutShortKeepsTheBlocksReadAndTheUid) {
    results("rf_sr176_readblock", {0, 0, 0, 0, 0, 0x102});
    fake_reader::state().memory["rf_sr176_readblock"] = {
        {0, {0x04, 0x90}}, {1, {0x7E, 0x31}}, {2, {0x55, 0x0B}}, {3, {0x02, 0xD0}}};
    const auto read = cardwork::read_sr176(session_);
    ASSERT_TRUE(read.stopped);
    EXPECT_EQ(read.stopped->context(), "block 5");
    ASSERT_TRUE(read.dump);
    EXPECT_TRUE(read.dump->block_known(4));
    EXPECT_TRUE(read.dump->block_unknown(5));
    EXPECT_EQ(read.dump->identity().uid,
              (cardkit::Bytes{0x02, 0xD0, 0x55, 0x0B, 0x7E, 0x31, 0x04, 0x90}));
    EXPECT_EQ(read.chip_id, 0x06);
}

}  // namespace
