// Dump files: each format's round trip where it holds everything, its warnings
// where it does not, files as other tools write them, refusals, and detection.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "cardkit/dump_formats.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;
using cardkit_test::mifare_dump;

struct RoundTrip {
    const char *name;
    std::function<CardDump()> dump;
    std::vector<DumpFormat> formats;
};

const std::vector<DumpFormat> kAll = {DumpFormat::Raw, DumpFormat::Eml, DumpFormat::Mct,
                                      DumpFormat::Nfc, DumpFormat::Json};
const std::vector<DumpFormat> kWithUnknown = {DumpFormat::Mct, DumpFormat::Nfc, DumpFormat::Json};

TEST(DumpFormats, WhatAFormatHoldsReadsBackExactlyAndWithoutWarning) {
    const RoundTrip trips[] = {
        {"Mini", [] { return mifare_dump(MifareType::Mini, false); }, kAll},
        {"1K", [] { return mifare_dump(MifareType::Classic1K, false); }, kAll},
        {"2K", [] { return mifare_dump(MifareType::Classic2K, false); }, kAll},
        {"4K", [] { return mifare_dump(MifareType::Classic4K, false); }, kAll},
        {"1K partly read", [] { return mifare_dump(MifareType::Classic1K, true); }, kWithUnknown},
        {"4K partly read", [] { return mifare_dump(MifareType::Classic4K, true); }, kWithUnknown},
        {"Ultralight", cardkit_test::ultralight_dump, {DumpFormat::Json}},
        {"SRIX4K", cardkit_test::srix4k_dump, {DumpFormat::Json}},
        {"SR176", cardkit_test::sr176_dump, {DumpFormat::Json}},
        {"ISO 15693", cardkit_test::iso15693_dump, {DumpFormat::Json}},
    };
    for (const RoundTrip &trip : trips) {
        const CardDump dump = trip.dump();
        for (const DumpFormat format : trip.formats) {
            SCOPED_TRACE(std::string(trip.name) + " as " + std::string(format_name(format)));
            const ExportedDump exported = export_dump(dump, format);
            EXPECT_TRUE(exported.warnings.empty()) << exported.warnings.front();
            EXPECT_EQ(import_dump(exported.content, {}, {.format = format}), dump);
        }
    }
}

TEST(DumpFormats, RawFilesOfTheOtherFamiliesKeepTheirBlocks) {
    for (const CardDump &dump : {cardkit_test::ultralight_dump(), cardkit_test::srix4k_dump(),
                                 cardkit_test::sr176_dump(), cardkit_test::iso15693_dump()}) {
        SCOPED_TRACE(dump.description());
        const ExportedDump exported = export_dump(dump, DumpFormat::Raw);
        const CardDump read = import_dump(exported.content, "card.bin",
                                          {.family = dump.family(), .iso15693_block_size = 4});
        ASSERT_EQ(read.description(), dump.description());
        for (int block = 0; block < dump.block_count(); ++block) {
            ASSERT_TRUE(std::ranges::equal(read.block(block), dump.block(block))) << block;
        }
        EXPECT_EQ(read.system_block(), dump.system_block());
    }
}

TEST(DumpFormats, ExportNamesWhatTheFileLoses) {
    CardDump half_block = mifare_dump(MifareType::Classic1K, false);
    half_block.forget_bytes(9, 3, 2);
    CardDump long_uid = mifare_dump(MifareType::Classic1K, false);
    long_uid.set_identity({.uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, .sak = 0x08});
    CardDump no_sak = mifare_dump(MifareType::Classic1K, false);
    for (int block = 20; block < 64; ++block) no_sak.forget_block(block);
    no_sak.set_identity({});
    const struct {
        const char *name;
        CardDump dump;
        DumpFormat format;
        const char *warning;
    } losses[] = {
        {"unknown bytes in raw", mifare_dump(MifareType::Classic1K, true), DumpFormat::Raw,
         "70 unknown bytes are written as 00"},
        {"unknown bytes in eml", mifare_dump(MifareType::Classic4K, true), DumpFormat::Eml,
         "262 unknown bytes are written as 00"},
        {"keys not found in eml", mifare_dump(MifareType::Classic4K, true), DumpFormat::Eml,
         "keys not found (sectors 2, 39) are written as 00"},
        {"half a block in json", half_block, DumpFormat::Json,
         "2 unknown bytes of blocks read in part are written as 00"},
        {"a 7-byte UID in mct", long_uid, DumpFormat::Mct, "card's UID and ATQA as"},
        {"a 1K read up to block 19 without SAK in json", no_sak, DumpFormat::Json,
         "does not show that the card is a Mifare Classic 1K"},
        {"Ultralight ATQA and SAK in raw", cardkit_test::ultralight_dump(), DumpFormat::Raw,
         "card's ATQA and SAK"},
        {"SRIX4K UID in raw", cardkit_test::srix4k_dump(), DumpFormat::Raw, "card's UID"},
        {"ISO 15693 lock status in raw", cardkit_test::iso15693_dump(), DumpFormat::Raw,
         "security status"},
    };
    for (const auto &loss : losses) {
        SCOPED_TRACE(loss.name);
        const auto warnings = export_dump(loss.dump, loss.format).warnings;
        EXPECT_TRUE(std::ranges::any_of(warnings, [&](const std::string &warning) {
            return warning.find(loss.warning) != std::string::npos;
        })) << (warnings.empty() ? "no warning" : warnings.front());
    }
    EXPECT_THROW(export_dump(cardkit_test::sr176_dump(), DumpFormat::Mct), FormatError);
}

std::string sector_lines(const std::string &trailer) {
    std::string lines;
    for (int block = 0; block < 3; ++block) lines += std::string(32, '0') + "\n";
    return lines + trailer + "\n";
}

TEST(DumpFormats, ReadsSectorFilesWithDashesForUnknownBytes) {
    const std::string good = "\xEF\xBB\xBF+Sector: 0\r\n5A3C71E2F50804006263646566676869\r\n" +
                             std::string(32, '0') + "\n" + std::string(32, '0') + "\n" +
                             "------------FF078069FFFFFFFFFFFF\n+Sector: 15\n" +
                             sector_lines("FFFFFFFFFFFFFF078069FFFFFFFFFFFF");
    const CardDump dump = import_dump(good, "card.mct");
    EXPECT_EQ(dump.description(), "Mifare Classic 1K");
    EXPECT_EQ(dump.key(0, KeyType::A), std::nullopt);
    EXPECT_EQ(dump.key(0, KeyType::B), MifareKey({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(dump.block_unknown(4));
    EXPECT_EQ(dump.identity().uid, (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
}

TEST(DumpFormats, ReadsKeyValueFilesAndTheirAtqaOrderByVersion) {
    std::string file =
        "Filetype: some NFC device\nVersion: 4\n# comment\nDevice type: Mifare Classic\n"
        "UID: 5A 3C 71 E2\nATQA: 00 04\nSAK: 08\nMifare Classic type: 1K\n"
        "Data format version: 2\nKey map: whatever\n"
        "Block 0: 5A 3C 71 E2 F5 08 04 00 62 63 64 65 66 67 68 69\n"
        "Block 3: ?? ?? ?? ?? ?? ?? FF 07 80 69 FF FF FF FF FF FF\n";
    CardDump dump = import_dump(file);
    EXPECT_EQ(dump.identity().atqa, (std::array<std::uint8_t, 2>{0x04, 0x00}));
    EXPECT_EQ(dump.identity().sak, 0x08);
    EXPECT_EQ(dump.access_bits(0), kTransportAccess);
    EXPECT_EQ(dump.key(0, KeyType::A), std::nullopt);
    EXPECT_TRUE(dump.block_unknown(1));

    file.replace(file.find("Version: 4"), 10, "Version: 2");
    file.replace(file.find("ATQA: 00 04"), 11, "ATQA: 04 00");
    EXPECT_EQ(import_dump(file).identity().atqa, (std::array<std::uint8_t, 2>{0x04, 0x00}));
}

TEST(DumpFormats, ReadsTheExchangedJsonWithKeysFromSectorKeys) {
    // Key A stands as 00 in the trailer, as the card returns it; SectorKeys names it.
    const std::string file = R"({
      "Created": "another tool", "FileType": "mfc v2",
      "Card": {"UID": "5A3C71E2", "ATQA": "0400", "SAK": "08"},
      "blocks": {"0": "5A3C71E2F50804006263646566676869",
                 "63": "000000000000FF078069FFFFFFFFFFFF"},
      "SectorKeys": {"15": {"KeyA": "A0A1A2A3A4A5", "KeyB": "FFFFFFFFFFFF",
                            "AccessConditions": "FF078069",
                            "AccessConditionsText": {"block60": "ignored"}}}
    })";
    const CardDump dump = import_dump(file, "dump.json");
    EXPECT_EQ(dump.description(), "Mifare Classic 1K");
    EXPECT_EQ(dump.key(15, KeyType::A), MifareKey({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(dump.identity().atqa, (std::array<std::uint8_t, 2>{0x04, 0x00}));
    EXPECT_TRUE(dump.block_unknown(1));
}

TEST(DumpFormats, RefusesWhatTheFormatDoesNotAllow) {
    const std::string block(32, '0');
    const std::string lines63 = [&] {
        std::string text;
        for (int i = 0; i < 63; ++i) text += block + "\n";
        return text;
    }();
    const std::string nfc_head = "Device type: Mifare Classic\nMifare Classic type: 1K\n";
    const std::string nfc_block = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n";
    const struct {
        const char *name;
        DumpFormat format;
        std::string content;
        const char *error;
    } refusals[] = {
        {"raw of no known size", DumpFormat::Raw, std::string(1000, '\0'), "1000 bytes is no raw"},
        {"eml with a short line", DumpFormat::Eml, block + "\n" + block.substr(1) + "\n",
         "line 2: not a block"},
        {"eml with bad hex", DumpFormat::Eml, "zz" + block.substr(2) + "\n", "line 1: not a block"},
        {"eml of 63 blocks", DumpFormat::Eml, lines63, "63 blocks is no Mifare Classic size"},
        {"mct sector twice", DumpFormat::Mct, "+Sector: 0\n" + sector_lines(block) + "+Sector: 0\n",
         "line 6: sector 0 appears twice"},
        {"mct short sector", DumpFormat::Mct, "+Sector: 1\n" + block + "\n",
         "sector 1 has 1 blocks, not 4"},
        {"mct long sector", DumpFormat::Mct, "+Sector: 1\n" + sector_lines(block) + block,
         "line 6: sector 1 has more than 4"},
        {"mct sector 40", DumpFormat::Mct, "+Sector: 40\n", "line 1: no sector 0 to 39"},
        {"mct half-known byte", DumpFormat::Mct, "+Sector: 0\n-0" + block.substr(2),
         "line 2: not a block"},
        {"mct block before a sector", DumpFormat::Mct, block + "\n", "before any"},
        {"nfc of another device", DumpFormat::Nfc, "Device type: NTAG216\n", "holds a NTAG216"},
        {"nfc block beyond the card", DumpFormat::Nfc, nfc_head + "Block 64:" + nfc_block,
         "block 64 is beyond"},
        {"nfc block twice", DumpFormat::Nfc,
         nfc_head + "Block 3:" + nfc_block + "Block 3:" + nfc_block,
         "line 4: Block 3: appears twice"},
        {"nfc UID without spaces", DumpFormat::Nfc, nfc_head + "UID: 5A3C71E2\n",
         "line 3: UID: not 4 to 10 hex bytes"},
        {"nfc without size", DumpFormat::Nfc, "Device type: Mifare Classic\n",
         "no \"Mifare Classic type\""},
        {"json broken", DumpFormat::Json, "{\"FileType\": ", "not valid JSON"},
        {"json of another card", DumpFormat::Json, R"({"FileType": "legic"})", "is no dump"},
        {"json Ultralight page beyond 15", DumpFormat::Json,
         R"({"FileType": "mfu", "blocks": {"16": "00000000"}})", "block 16 is beyond"},
        {"json short block", DumpFormat::Json, R"({"FileType": "mfc v2", "blocks": {"1": "00"}})",
         "block 1 is not 16 bytes"},
        {"json block as a number", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {"1": 5}})", "not a string of hex"},
        {"json sector beyond the card", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {}, "SectorKeys": {"5": {}}})", "no such sector"},
        {"json bad key", DumpFormat::Json,
         R"({"FileType": "mfc v2", "SectorKeys": {"0": {"KeyA": "FFFF"}}})", "\"KeyA\" is not 6"},
    };
    for (const auto &refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        try {
            import_dump(refusal.content, {}, {.format = refusal.format});
            ADD_FAILURE() << "read without complaint";
        } catch (const FormatError &error) {
            EXPECT_NE(std::string(error.what()).find(refusal.error), std::string::npos)
                << error.what();
        }
    }
    EXPECT_THROW(import_dump(std::string(1024, '\0'), {}, {.family = CardFamily::Ultralight}),
                 FormatError);
}

TEST(DumpFormats, DetectsTheFormatByNameThenByContent) {
    const std::string eml_line = std::string(32, 'a') + "\n";
    const struct {
        std::string content;
        const char *name;
        DumpFormat format;
    } files[] = {
        {"{}", "card.mfd", DumpFormat::Raw},
        {"", "/tmp/x.y/card.NFC", DumpFormat::Nfc},
        {"  {\"FileType\": \"mfc v2\"}", "", DumpFormat::Json},
        {"\nFiletype: NFC device\n", "card", DumpFormat::Nfc},
        {"+Sector: 0\n", "card.txt", DumpFormat::Mct},
        {eml_line + eml_line, "", DumpFormat::Eml},
        {std::string(320, '\x01'), "", DumpFormat::Raw},
        {"{" + std::string(1023, '\x01'), "", DumpFormat::Raw},
        {"\xEF\xBB\xBF+Sector: 0\n", "", DumpFormat::Mct},
    };
    for (const auto &file : files) {
        EXPECT_EQ(detect_format(file.content, file.name), file.format) << file.name;
    }
    EXPECT_THROW(detect_format("hello", "card.txt"), FormatError);
    EXPECT_EQ(format_from_name("BIN"), DumpFormat::Raw);
}

}  // namespace
