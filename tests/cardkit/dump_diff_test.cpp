// Diff of two dumps: what changed, in words, and the share of equal blocks.

#include <gtest/gtest.h>

#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"
#include "cardkit/value_block.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;

std::vector<std::string> notes_of(const DumpDiff &diff, int block) {
    for (const DiffGroup &group : diff.groups) {
        for (const BlockDifference &difference : group.differences) {
            if (difference.block == block) return difference.notes;
        }
    }
    return {};
}

TEST(DumpDiff, SaysWhatChangedInEachBlock) {
    const CardDump before = cardkit_test::mifare_dump(MifareType::Classic1K, false);
    CardDump after = before;
    after.set_block(4, encode_value_block({95, 4}));
    after.set_block(5, encode_value_block({7, 5}));
    after.set_bytes(trailer_block(2), kTrailerAccessBits, Bytes{0x7F, 0x07, 0x88});
    after.set_key(2, KeyType::B, {1, 2, 3, 4, 5, 6});
    after.set_bytes(trailer_block(3), kTrailerUserByte, Bytes{0x00});
    after.forget_bytes(trailer_block(4), kTrailerKeyA, 6);
    after.set_bytes(8, 3, Bytes{0, 0, 0});
    after.forget_block(20);

    const DumpDiff diff = diff_dumps(before, after);
    const struct {
        int block;
        std::vector<std::string> notes;
    } expected[] = {
        {4, {"value 100 -> 95"}},
        {5, {"not a value block -> value 7"}},
        {11, {"access bits changed (000 000 000 001 -> 000 000 000 011)", "key B changed"}},
        {15, {"user byte 69 -> 00"}},
        {19, {"key A known -> unknown"}},
        {8, {"bytes 3-5 changed"}},
        {20, {"read -> unknown"}},
    };
    for (const auto &block : expected) EXPECT_EQ(notes_of(diff, block.block), block.notes);
    EXPECT_EQ(diff.equal_blocks, 64 - 7);
    EXPECT_TRUE(diff.card_notes.empty());
}

TEST(DumpDiff, TextHidesIdenticalSectorsOnRequestAndEndsWithTheShare) {
    const CardDump before = cardkit_test::mifare_dump(MifareType::Classic1K, false);
    CardDump after = before;
    after.set_block(4, encode_value_block({95, 4}));
    const std::string shown = format_diff(diff_dumps(before, after), false);
    const std::string hidden = format_diff(diff_dumps(before, after), true);
    EXPECT_NE(shown.find("sector 0: identical\n"), std::string::npos);
    EXPECT_EQ(hidden, "sector 1:\n  block 4: value 100 -> 95\n63 of 64 blocks equal (98.4%)\n");
}

TEST(DumpDiff, ComparesCardsOfOneFamilyOnly) {
    const CardDump small = cardkit_test::mifare_dump(MifareType::Classic1K, false);
    CardDump large = cardkit_test::mifare_dump(MifareType::Classic4K, false);
    const DumpDiff diff = diff_dumps(small, large);
    EXPECT_EQ(diff.total_blocks, 256);
    EXPECT_EQ(notes_of(diff, 200), std::vector<std::string>{"only in the second dump"});
    EXPECT_EQ(diff.card_notes,
              (std::vector<std::string>{"card Mifare Classic 1K -> Mifare Classic 4K",
                                        "ATQA 0400 -> 0200", "SAK 08 -> 18"}));
    EXPECT_THROW(diff_dumps(small, cardkit_test::ultralight_dump()), std::invalid_argument);

    CardDump tag = cardkit_test::iso15693_dump();
    Bytes security = *tag.block_security();
    security[2] = 1;
    CardDump locked = tag;
    locked.set_block_security(security);
    EXPECT_EQ(notes_of(diff_dumps(tag, locked), 2),
              std::vector<std::string>{"security status 00 -> 01"});
}

// Block 0 of many cards holds maker's data where a 1K's holds its SAK and
// ATQA; a raw file keeps no SAK, so the same card read into raw and JSON
// compares equal.
TEST(DumpDiff, AnIdentityFieldOneDumpDoesNotKnowIsNoDifference) {
    CardDump card = cardkit_test::mifare_dump(MifareType::Classic1K, false);
    card.set_bytes(0, 5, Bytes{0x88, 0x44, 0x00});
    const CardDump raw = import_dump(export_dump(card, DumpFormat::Raw).content, "card.bin");
    const DumpDiff diff = diff_dumps(card, raw);
    EXPECT_TRUE(diff.card_notes.empty()) << diff.card_notes.front();
    EXPECT_EQ(diff.equal_blocks, 64);

    CardDump other = card;
    other.set_identity({.uid = {1, 2, 3, 4}, .sak = 0x18});
    EXPECT_EQ(diff_dumps(card, other).card_notes,
              (std::vector<std::string>{"UID 5A3C71E2 -> 01020304", "SAK 08 -> 18"}));
}

}  // namespace
