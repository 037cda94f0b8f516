// The view of a dump: what each block is, the trailer's keys and access
// conditions in words by absolute block number, faults flagged, and the lock
// bits of the tags that have them.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cardkit/dump_formats.h"
#include "cardkit/dump_view.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;

const BlockView &block_of(const DumpView &view, int number) {
    for (const SectorView &sector : view.sectors) {
        for (const BlockView &block : sector.blocks) {
            if (block.number == number) return block;
        }
    }
    return view.blocks.at(static_cast<std::size_t>(number));
}

bool has(const std::vector<std::string> &lines, const std::string &text) {
    for (const std::string &line : lines) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

TEST(DumpView, MifareClassicBlocksSayWhatTheyAre) {
    CardDump dump = cardkit_test::mifare_dump(MifareType::Classic4K, true);
    dump.set_bytes(0, 4, Bytes{0x00});
    dump.set_bytes(trailer_block(7), kTrailerAccessBits, Bytes{0xFF, 0x07, 0x81});
    const DumpView view = view_dump(dump);
    EXPECT_EQ(view.card, "Mifare Classic 4K");
    const BlockView &block0 = block_of(view, 0);
    EXPECT_EQ(block0.role, "manufacturer");
    EXPECT_EQ(block0.notes,
              (std::vector<std::string>{"UID 5A3C71E2, check byte 00 invalid (should be F5)",
                                        "SAK 18, ATQA 02 00", "maker's data 6263646566676869"}));
    EXPECT_EQ(block_of(view, 4).role, "value");
    EXPECT_EQ(block_of(view, 4).notes, std::vector<std::string>{"value 100, address 4"});
    EXPECT_EQ(block_of(view, 255).bytes.substr(0, 5), "-- --");

    const SectorView &sector2 = view.sectors[2];
    EXPECT_EQ(sector2.key_a, "FFFFFFFFFFFF");
    EXPECT_EQ(sector2.key_b, std::nullopt);
    EXPECT_EQ(sector2.access_bytes, "FF 07 80");
    EXPECT_EQ(sector2.access.front().substr(0, 16), "block 8 (000): r");
    EXPECT_TRUE(sector2.access.back().starts_with("block 11, trailer (001): write key A by key A"));
    EXPECT_TRUE(view.sectors[32].access.front().starts_with("blocks 128-132 (000)"));

    EXPECT_FALSE(view.sectors[7].access_valid);
    EXPECT_TRUE(view.sectors[7].access.empty());
    EXPECT_TRUE(has(view.notes, "sector 7: access bits FF 07 81 invalid"));
    EXPECT_TRUE(has(view.notes, "sector 39 not read"));
}

TEST(DumpView, UltralightShowsItsCheckBytesLocksAndCapabilityContainer) {
    CardDump dump = cardkit_test::ultralight_dump();
    dump.set_block(2, Bytes{0xB9, 0x48, 0x28, 0x01});
    dump.set_block(3, Bytes{0xE1, 0x10, 0x06, 0x00});
    const DumpView view = view_dump(dump);
    EXPECT_EQ(view.blocks[0].notes, std::vector<std::string>{"check byte D3 valid"});
    EXPECT_EQ(view.blocks[2].notes,
              (std::vector<std::string>{"check byte B9 valid", "static lock bytes 28 01"}));
    EXPECT_EQ(view.blocks[3].notes,
              std::vector<std::string>{"NDEF E1, version 1.0, 48 bytes of data, read and write"});
    EXPECT_EQ(view.blocks[5].locked, true);
    EXPECT_EQ(view.blocks[6].locked, false);
    EXPECT_TRUE(has(view.notes, "pages 3, 5, 8 locked"));
    EXPECT_EQ(view.facts.front(), (std::pair<std::string, std::string>{"UID", "046E315A2B4880"}));
}

TEST(DumpView, NtagShowsItsDynamicLockAndPasswordConfiguration) {
    std::ifstream in(std::string(CARDKIT_TEST_DATA) + "/dumps/flipper-ntag213-locked-v3.nfc");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    CardDump dump = import_dump(text, "tag.nfc");
    dump.set_bytes(40, 0, Bytes{0x03});
    const DumpView view = view_dump(dump);
    EXPECT_EQ(view.blocks[40].role, "dynamic lock");
    EXPECT_EQ(view.blocks[41].notes, std::vector<std::string>{"password protects pages from 4 on"});
    EXPECT_EQ(view.blocks[43].role, "password");
    EXPECT_TRUE(has(view.notes, "pages 16-19 locked"));
}

TEST(DumpView, Iso15693ShowsTheLockStatusOfEachBlock) {
    const DumpView view = view_dump(cardkit_test::iso15693_dump());
    EXPECT_EQ(view.blocks[5].locked, true);
    EXPECT_EQ(view.blocks[4].locked, false);
    EXPECT_TRUE(has(view.notes, "block 5 locked"));
    EXPECT_TRUE(
        has(view_dump(CardDump::iso15693(4, 4)).notes, "lock status of the blocks unknown"));
}

TEST(DumpView, TextRendersEverySectorWithItsKeysAndAccess) {
    const std::string text =
        format_dump_view(view_dump(cardkit_test::mifare_dump(MifareType::Mini, true)));
    EXPECT_TRUE(
        text.starts_with("Mifare Classic Mini\nUID: 5A3C71E2\nATQA: 0400\nSAK: 09\nsector 0\n"))
        << text.substr(0, 80);
    EXPECT_NE(text.find("    4  64 00 00 00 9B FF FF FF 64 00 00 00 04 FB 04 FB  value; value 100, "
                        "address 4\n"),
              std::string::npos);
    EXPECT_NE(
        text.find("  key A FFFFFFFFFFFF, key B unknown, access bits FF 07 80, user byte 69\n"),
        std::string::npos);
    EXPECT_NE(text.find("    block 11, trailer (001): "), std::string::npos);
}

}  // namespace
