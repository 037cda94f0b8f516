// Dump files: each format's round trip where it holds everything, its warnings
// where it does not, the layouts of the tools it exchanges files with,
// refusals, and detection.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;
using cardkit_test::mifare_dump;
using cardkit_test::with_uid_only;

struct RoundTrip {
    const char *name;
    std::function<CardDump()> dump;
    std::vector<DumpFormat> formats;
};

const std::vector<DumpFormat> kBlockFormats = {DumpFormat::Raw, DumpFormat::Eml, DumpFormat::Mct};
const std::vector<DumpFormat> kIdentityFormats = {DumpFormat::Nfc, DumpFormat::Json};

CardDump large_iso15693() {
    CardDump dump = CardDump::iso15693(256, 4);
    for (int block = 0; block < 256; ++block) {
        dump.set_block(block, Bytes{static_cast<std::uint8_t>(block), 1, 2, 3});
    }
    dump.set_identity({.uid = {0xE0, 0x04, 0x01, 0x00, 0x4F, 0x3A, 0x92, 0xC7}});
    return dump;
}

TEST(DumpFormats, WhatAFormatHoldsReadsBackExactlyAndWithoutWarning) {
    const RoundTrip trips[] = {
        {"Mini", [] { return with_uid_only(mifare_dump(MifareType::Mini, false)); }, kBlockFormats},
        {"1K", [] { return with_uid_only(mifare_dump(MifareType::Classic1K, false)); },
         kBlockFormats},
        {"2K", [] { return with_uid_only(mifare_dump(MifareType::Classic2K, false)); },
         kBlockFormats},
        {"4K", [] { return with_uid_only(mifare_dump(MifareType::Classic4K, false)); },
         kBlockFormats},
        {"Mini with identity", [] { return mifare_dump(MifareType::Mini, false); },
         kIdentityFormats},
        {"1K with identity", [] { return mifare_dump(MifareType::Classic1K, false); },
         kIdentityFormats},
        {"4K with identity", [] { return mifare_dump(MifareType::Classic4K, false); },
         kIdentityFormats},
        {"2K as json",
         [] { return mifare_dump(MifareType::Classic2K, false); },
         {DumpFormat::Json}},
        {"1K partly read",
         [] { return with_uid_only(mifare_dump(MifareType::Classic1K, true)); },
         {DumpFormat::Mct, DumpFormat::Eml}},
        {"4K partly read",
         [] { return with_uid_only(mifare_dump(MifareType::Classic4K, true)); },
         {DumpFormat::Mct, DumpFormat::Eml}},
        {"1K partly read with identity",
         [] { return mifare_dump(MifareType::Classic1K, true); },
         {DumpFormat::Nfc}},
        {"4K partly read with identity",
         [] { return mifare_dump(MifareType::Classic4K, true); },
         {DumpFormat::Nfc}},
        {"Ultralight", cardkit_test::ultralight_dump, kIdentityFormats},
        {"NTAG215", cardkit_test::ntag215_dump, kIdentityFormats},
        {"SRIX4K", cardkit_test::srix4k_dump, kIdentityFormats},
        {"SR176", cardkit_test::sr176_dump, {DumpFormat::Json}},
        {"ISO 15693", cardkit_test::iso15693_dump, kIdentityFormats},
        {"ISO 15693 of 256 blocks", large_iso15693, kIdentityFormats},
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
    for (const CardDump &dump :
         {cardkit_test::ultralight_dump(), cardkit_test::ntag215_dump(),
          cardkit_test::srix4k_dump(), cardkit_test::sr176_dump(), cardkit_test::iso15693_dump()}) {
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
    no_sak.forget_block(0);
    no_sak.set_identity({});
    CardDump ultralight_cut = cardkit_test::ntag215_dump();
    ultralight_cut.forget_bytes(20, 0, 1);
    CardDump slix = cardkit_test::iso15693_dump();
    slix.set_format_fields({{"nfc", "Capabilities", "Default"}});
    const struct {
        const char *name;
        CardDump dump;
        DumpFormat format;
        const char *warning;
    } losses[] = {
        {"unknown bytes in raw", mifare_dump(MifareType::Classic1K, true), DumpFormat::Raw,
         "70 unknown bytes are written as 00"},
        {"half a block in json", half_block, DumpFormat::Json,
         "unknown bytes of block 9 (read in part) are written as 00"},
        {"unread blocks in json", mifare_dump(MifareType::Classic4K, true), DumpFormat::Json,
         "blocks 240-255 are not known and left out"},
        {"a trailer without key B in json", mifare_dump(MifareType::Classic1K, true),
         DumpFormat::Json, "unknown bytes of block 11 (read in part)"},
        {"a 7-byte UID in mct", long_uid, DumpFormat::Mct, "card's UID and SAK as"},
        {"a 1K read up to block 19 without SAK in json", no_sak, DumpFormat::Json,
         "reads back as a Mifare Classic Mini, not as the Mifare Classic 1K"},
        {"SAK and ATQA in raw", mifare_dump(MifareType::Classic1K, false), DumpFormat::Raw,
         "card's ATQA and SAK"},
        {"Ultralight ATQA and SAK in raw", cardkit_test::ultralight_dump(), DumpFormat::Raw,
         "card's ATQA and SAK"},
        {"NTAG version and signature in raw", cardkit_test::ntag215_dump(), DumpFormat::Raw,
         "version, signature, counters and tearing flags"},
        {"a page read in part in nfc", ultralight_cut, DumpFormat::Nfc,
         "pages 20-134 are known only in part or follow page 20"},
        {"Ultralight counters unknown in nfc", CardDump::ultralight(), DumpFormat::Nfc,
         "counters and tearing flags are not all known"},
        {"2K in nfc", mifare_dump(MifareType::Classic2K, false), DumpFormat::Nfc,
         "no 2K type: the file holds a 4K"},
        {"SRIX4K UID in raw", cardkit_test::srix4k_dump(), DumpFormat::Raw, "card's UID"},
        {"SRIX4K system block unknown in nfc", CardDump::srix4k(), DumpFormat::Nfc,
         "system block is not known; the file gives FF FF FF FF"},
        {"ISO 15693 lock status in raw", cardkit_test::iso15693_dump(), DumpFormat::Raw,
         "blocks' security status"},
        {"ISO 15693 IC reference in raw", cardkit_test::iso15693_dump(), DumpFormat::Raw,
         "IC reference, DSFID and AFI lock bits"},
        {"SLIX section in json", slix, DumpFormat::Json, "Capabilities (kept by nfc files)"},
    };
    for (const auto &loss : losses) {
        SCOPED_TRACE(loss.name);
        const auto warnings = export_dump(loss.dump, loss.format).warnings;
        EXPECT_TRUE(std::ranges::any_of(warnings, [&](const std::string &warning) {
            return warning.find(loss.warning) != std::string::npos;
        })) << (warnings.empty() ? "no warning" : warnings.front());
    }
}

TEST(DumpFormats, AFormatThatCannotHoldAFamilyNamesTheFormatsThatCan) {
    const struct {
        CardDump dump;
        DumpFormat format;
        const char *error;
    } refusals[] = {
        {cardkit_test::sr176_dump(), DumpFormat::Mct, "write them as raw or json"},
        {cardkit_test::sr176_dump(), DumpFormat::Nfc, "write them as raw or json"},
        {cardkit_test::ultralight_dump(), DumpFormat::Eml, "write them as raw, json or nfc"},
    };
    for (const auto &refusal : refusals) {
        try {
            export_dump(refusal.dump, refusal.format);
            ADD_FAILURE() << refusal.dump.description() << " written as "
                          << format_name(refusal.format);
        } catch (const FormatError &error) {
            EXPECT_NE(std::string(error.what()).find(refusal.error), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(formats_holding(CardFamily::Iso15693),
              (std::vector<DumpFormat>{DumpFormat::Raw, DumpFormat::Json, DumpFormat::Nfc}));
}

std::string sector_lines(const std::string &trailer) {
    std::string lines;
    for (int block = 0; block < 3; ++block) lines += std::string(32, '0') + "\n";
    return lines + trailer + "\n";
}

TEST(DumpFormats, ReadsSectorFilesWithDashesForUnknownBytes) {
    const std::string good =
        "\xEF\xBB\xBF# Cardnumber:\n+Sector: 0\r\n5A3C71E2F50804006263646566676869\r\n" +
        std::string(32, '0') + "\n" + std::string(32, '0') + "\n" +
        "------------FF078069FFFFFFFFFFFF\n+Sector: 1\n*No keys found or dead sector\n"
        "+Sector: 15\n" +
        sector_lines("FFFFFFFFFFFFFF078069FFFFFFFFFFFF");
    const CardDump dump = import_dump(good, "card.mct");
    EXPECT_EQ(dump.description(), "Mifare Classic 1K");
    EXPECT_EQ(dump.key(0, KeyType::A), std::nullopt);
    EXPECT_EQ(dump.key(0, KeyType::B), MifareKey({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(dump.block_unknown(4));
    EXPECT_EQ(dump.identity(), (CardIdentity{.uid = {0x5A, 0x3C, 0x71, 0xE2}}));
}

TEST(DumpFormats, ReadsKeyValueFilesAndTheirAtqaOrderByVersion) {
    std::string file =
        "Filetype: Flipper NFC device\nVersion: 4\n# comment\nDevice type: Mifare Classic\n"
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

TEST(DumpFormats, KeyValueFilesStartAsTheHandheldToolLoadsThem) {
    const std::string text =
        export_dump(mifare_dump(MifareType::Classic1K, false), DumpFormat::Nfc).content;
    EXPECT_TRUE(text.starts_with("Filetype: Flipper NFC device\nVersion: 4\n"))
        << text.substr(0, 60);
    // Its loader reads the keys one after another, in this order.
    const char *order[] = {
        "Device type: Mifare Classic", "UID: 5A 3C 71 E2",       "ATQA: 00 04", "SAK: 08",
        "Mifare Classic type: 1K",     "Data format version: 2", "Block 0:",    "Block 63:"};
    std::size_t at = 0;
    for (const char *key : order) {
        const std::size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found;
    }
}

TEST(DumpFormats, JsonNamesTheLayoutsTheDesktopToolLoads) {
    const struct {
        CardDump dump;
        const char *file_type;
    } files[] = {
        {mifare_dump(MifareType::Classic1K, false), "\"FileType\": \"mfc v2\""},
        {cardkit_test::ntag215_dump(), "\"FileType\": \"mfu\""},
        {cardkit_test::iso15693_dump(), "\"FileType\": \"15693 v4\""},
        {large_iso15693(), "\"FileType\": \"15693 v5\""},
        {cardkit_test::srix4k_dump(), "\"FileType\": \"14b v2\""},
    };
    for (const auto &file : files) {
        EXPECT_NE(export_dump(file.dump, DumpFormat::Json).content.find(file.file_type),
                  std::string::npos)
            << file.file_type;
    }
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

TEST(DumpFormats, ASectorKeysEntryLeavesTheTrailerFieldsItDoesNotName) {
    const std::string file = R"({"FileType": "mfc v2", "Card": {"SAK": "08"},
      "blocks": {"3": "FFFFFFFFFFFF7F078869A1A2A3A4A5A6"},
      "SectorKeys": {"0": {"KeyA": "A0A1A2A3A4A5"}}})";
    const CardDump dump = import_dump(file, "dump.json");
    EXPECT_EQ(dump.key(0, KeyType::A), MifareKey({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(dump.key(0, KeyType::B), MifareKey({0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}));
    EXPECT_TRUE(dump.access_bits(0).has_value());
}

// The layouts of the Proxmark3 client (fileutils.c) for the families besides
// Mifare Classic, and its older ones, each read as the tag they hold.
TEST(DumpFormats, ReadsTheDesktopToolsJsonOfEveryFamily) {
    const std::string pages =
        R"("0": "04F654C3", "1": "CAFC3880", "2": "B6480000", "3": "E1101200", "44": "00000000")";
    const struct {
        const char *name;
        std::string file;
        std::function<void(const CardDump &)> check;
    } files[] = {
        {"mfu with version",
         R"({"FileType": "mfu", "Card": {"UID": "04F654CAFC3880",
             "Version": "0004040201000F03", "TBO_0": "0000", "TBO_1": "00", "Counter0": "050000",
             "Tearing0": "BD", "Signature": ")" +
             std::string(64, 'A') + R"("}, "blocks": {)" + pages + "}}",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "NTAG213");
             EXPECT_EQ(dump.ultralight_info().counters[0], 5u);
             EXPECT_EQ(dump.ultralight_info().tearing[0], 0xBD);
             EXPECT_EQ(dump.ultralight_info().tbo0, std::nullopt);
             EXPECT_TRUE(dump.block_unknown(43));
         }},
        {"15693 raw", R"({"FileType": "15693", "raw": "0102030405060708090A0B0C"})",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "ISO 15693, 3 blocks of 4 bytes");
             EXPECT_EQ(dump.block(2)[3], 0x0C);
         }},
        {"15693 v3",
         R"({"FileType": "15693 v3", "blocks": {"0": "0102030405060708", "1": "0000000000000000"}})",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "ISO 15693, 2 blocks of 8 bytes");
         }},
        {"15693 v4", R"({"FileType": "15693 v4", "Card": {"uid": "C7923A4F000104E0", "dsfid": "00",
             "dsfidlock": "00", "afi": "07", "afilock": "01", "bytesperpage": "04", "pagescount": "02",
             "ic": "01", "locks": "0001", "random": "0000", "privacypasswd": "00000000", "state": "00"},
             "blocks": {"0": "11223344", "1": "55667788"}})",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.identity().uid,
                       (Bytes{0xE0, 0x04, 0x01, 0x00, 0x4F, 0x3A, 0x92, 0xC7}));
             EXPECT_EQ(dump.identity().afi, 0x07);
             EXPECT_EQ(dump.block_security(), (Bytes{0, 1}));
             EXPECT_EQ(dump.iso15693_info(), (Iso15693Info{0x01, false, true}));
             EXPECT_TRUE(dump.format_fields().empty());
         }},
        {"15693 v5", R"({"FileType": "15693 v5", "Card": {"uid": "C7923A4F000104E0",
             "bytesperpage": "04", "pagescount": "0001", "random": "1234"}, "blocks": {"255": "00000000"}})",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.block_count(), 256);
             EXPECT_EQ(dump.format_fields(),
                       (std::vector<FormatField>{{"json", "random", "1234"}}));
         }},
        {"14b v2 with the system block",
         [] {
             std::string blocks;
             for (int block = 0; block <= 128; ++block) {
                 blocks += (block ? ", \"" : "\"") + std::to_string(block) + "\": \"" +
                           (block == 128 ? std::string("FFFFFFFE") : std::string("0000000") + "1") +
                           "\"";
             }
             return R"({"FileType": "14b v2", "blocks": {)" + blocks + "}}";
         }(),
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "SRIX4K");
             EXPECT_EQ(dump.system_block(), (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFE}));
         }},
        {"14b raw", R"({"FileType": "14b", "raw": ")" + std::string(1024, '0') + R"("})",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "SRIX4K");
             EXPECT_FALSE(dump.has_unknown_bytes());
         }},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        try {
            file.check(import_dump(file.file, "dump.json"));
        } catch (const FormatError &error) {
            ADD_FAILURE() << error.what();
        }
    }
}

TEST(DumpFormats, ReadsTheHandheldToolsFilesOfEveryFamily) {
    const std::string blocks = [] {
        std::string text;
        for (int block = 0; block < 128; ++block)
            text += "Block " + std::to_string(block) + ": 00 00 00 0" + std::to_string(block % 10) +
                    "\n";
        return text;
    }();
    const struct {
        const char *name;
        std::string file;
        std::function<void(const CardDump &)> check;
    } files[] = {
        {"ST25TB 4K",
         "Filetype: Flipper NFC device\nVersion: 4\nDevice type: ST25TB\n"
         "UID: D0 02 33 6E A4 95 41 03\nST25TB Type: 4K\n" +
             blocks + "System OTP Block: FF FF FF FF\n",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "SRIX4K");
             EXPECT_EQ(dump.block(9)[3], 9);
             EXPECT_EQ(dump.format_fields(),
                       (std::vector<FormatField>{{"nfc", "ST25TB Type", "4K"}}));
         }},
        {"ISO15693 of version 3",
         "Filetype: Flipper NFC device\nVersion: 3\nDevice type: ISO15693\n"
         "UID: E0 04 01 08 2F 81 D8 FC\nDSFID: 01\nAFI: 3D\nIC Reference: 01\n"
         "Block Count: 2\nBlock Size: 04\nData Content: 01 02 03 04 05 06 07 08\n"
         "Security Status: 02 00 01\n",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.iso15693_info(), (Iso15693Info{0x01, false, true}));
             EXPECT_EQ(dump.block_security(), (Bytes{0, 1}));
         }},
        {"Ultralight read in part",
         "Filetype: Flipper NFC device\nVersion: 4\nDevice type: NTAG/Ultralight\n"
         "UID: 04 6E 31 5A 2B 48 80\nATQA: 00 44\nSAK: 00\nData format version: 2\n"
         "NTAG/Ultralight type: NTAG213\nPages total: 45\nPages read: 2\n"
         "Page 0: 04 6E 31 D3\nPage 1: 5A 2B 48 80\nPage 2: B9 48 00 00\n",
         [](const CardDump &dump) {
             EXPECT_EQ(dump.description(), "NTAG213");
             EXPECT_TRUE(dump.block_known(1));
             EXPECT_TRUE(dump.block_unknown(2));
             EXPECT_EQ(dump.identity().atqa, (std::array<std::uint8_t, 2>{0x44, 0x00}));
         }},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        try {
            file.check(import_dump(file.file, "tag.nfc"));
        } catch (const FormatError &error) {
            ADD_FAILURE() << error.what();
        }
    }
}

// A raw Ultralight dump: the pages alone, or after the desktop tool's header
// of 56 bytes (or 48 in its older layout) that the check bytes give away.
TEST(DumpFormats, ReadsRawUltralightPagesWithOrWithoutTheDesktopToolsHeader) {
    const CardDump ntag = cardkit_test::ntag215_dump();
    const std::string pages = export_dump(ntag, DumpFormat::Raw).content;
    std::string header(56, '\0');
    header.replace(0, 8, "\x00\x04\x04\x02\x01\x00\x11\x03", 8);
    header[44] = 0x05;
    header[47] = static_cast<char>(0xBD);
    std::string old_header(48, '\0');
    old_header.replace(0, 8, "\x00\x04\x04\x02\x01\x00\x11\x03", 8);
    for (const auto &[name, content] : {std::pair{"plain", pages},
                                        {"with header", header + pages},
                                        {"with the older header", old_header + pages}}) {
        SCOPED_TRACE(name);
        const CardDump read = import_dump(content, "tag.bin");
        EXPECT_EQ(read.description(), "NTAG215");
        EXPECT_EQ(diff_dumps(read, ntag).equal_blocks, 135);
    }
    const CardDump with_header = import_dump(header + pages, "tag.bin");
    EXPECT_EQ(with_header.ultralight_info().version, ntag.ultralight_info().version);
    EXPECT_EQ(with_header.ultralight_info().counters[0], 5u);
    EXPECT_EQ(with_header.ultralight_info().tearing[0], 0xBD);
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
        {"nfc of another device", DumpFormat::Nfc, "Device type: Mifare DESFire\n",
         "holds a Mifare DESFire, not a card this program keeps"},
        {"nfc block beyond the card", DumpFormat::Nfc, nfc_head + "Block 64:" + nfc_block,
         "line 3: block 64 is beyond the Mifare Classic 1K the file names"},
        {"nfc block twice", DumpFormat::Nfc,
         nfc_head + "Block 3:" + nfc_block + "Block 3:" + nfc_block,
         "line 4: Block 3: appears twice"},
        {"nfc UID without spaces", DumpFormat::Nfc, nfc_head + "UID: 5A3C71E2\n",
         "line 3: UID: not 4 to 10 hex bytes"},
        {"nfc without size", DumpFormat::Nfc, "Device type: Mifare Classic\n",
         "no \"Mifare Classic type\""},
        {"nfc ST25TB of 512 bits", DumpFormat::Nfc, "Device type: ST25TB\nST25TB Type: 512AC\n",
         "512AC is no tag this program keeps"},
        {"nfc page beyond the type", DumpFormat::Nfc,
         "Device type: NTAG/Ultralight\nNTAG/Ultralight type: Mifare Ultralight\nPage 16: 00 00 00 "
         "00\n",
         "page 16 is beyond the Ultralight"},
        {"json broken", DumpFormat::Json, "{\"FileType\": ", "not valid JSON"},
        {"json of another card", DumpFormat::Json, R"({"FileType": "legic"})", "is no dump"},
        {"json page beyond the version's type", DumpFormat::Json,
         R"({"FileType": "mfu", "Card": {"Version": "0004040201000F03"}, "blocks": {"45": "00000000"}})",
         "page 45 is beyond the NTAG213 that the version bytes name"},
        {"json short block", DumpFormat::Json, R"({"FileType": "mfc v2", "blocks": {"1": "00"}})",
         "blocks: \"1\" is not 16 bytes"},
        {"json block as a number", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {"1": 5}})", "not a string of hex"},
        {"json block twice", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {"1": ")" + block + R"(", "01": ")" + block + R"("}})",
         "blocks: \"1\" and \"01\" are both block 1"},
        {"json key twice", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {"1": ")" + block + R"(", "1": ")" + block + R"("}})",
         "the key \"1\" appears twice"},
        {"json block beyond the SAK's size", DumpFormat::Json,
         R"({"FileType": "mfc v2", "Card": {"SAK": "08"}, "blocks": {"64": ")" + block + R"("}})",
         "blocks: \"64\": block 64 is beyond the Mifare Classic 1K that SAK 08 names"},
        {"json sector beyond the card", DumpFormat::Json,
         R"({"FileType": "mfc v2", "blocks": {}, "SectorKeys": {"5": {}}})", "no such sector"},
        {"json bad key", DumpFormat::Json,
         R"({"FileType": "mfc v2", "SectorKeys": {"0": {"KeyA": "FFFF"}}})", "\"KeyA\" is not 6"},
        {"json 15693 block beyond its count", DumpFormat::Json,
         R"({"FileType": "15693 v4", "Card": {"uid": "0000000000000000", "bytesperpage": "04",
             "pagescount": "01"}, "blocks": {"1": "00000000"}})",
         "blocks: \"1\" is beyond the 1 blocks \"pagescount\" names"},
        {"json 14b v2 of an SRI512", DumpFormat::Json,
         R"({"FileType": "14b v2", "blocks": {"0": "00000000", "1": "00000000", "2": "00000000",
             "3": "00000000", "4": "00000000", "5": "00000000", "6": "00000000", "7": "00000000",
             "8": "00000000", "9": "00000000", "10": "00000000", "11": "00000000", "12": "00000000",
             "13": "00000000", "14": "00000000", "15": "00000000", "16": "FFFFFFFF"}})",
         "are an SRI512, not an SRIX4K"},
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
    EXPECT_THROW(import_dump(std::string(1022, '\0'), {}, {.family = CardFamily::Ultralight}),
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
        {"\nFiletype: Flipper NFC device\n", "card", DumpFormat::Nfc},
        {"+Sector: 0\n", "card.txt", DumpFormat::Mct},
        {"# Date:\n+Sector: 0\n", "card.txt", DumpFormat::Mct},
        {eml_line + eml_line, "", DumpFormat::Eml},
        {eml_line + std::string(32, '-') + "\n", "", DumpFormat::Eml},
        {std::string(320, '\x01'), "", DumpFormat::Raw},
        {"{" + std::string(1023, '\x01'), "", DumpFormat::Raw},
        {"\xEF\xBB\xBF+Sector: 0\n", "", DumpFormat::Mct},
        {export_dump(cardkit_test::ntag215_dump(), DumpFormat::Raw).content, "", DumpFormat::Raw},
    };
    for (const auto &file : files) {
        EXPECT_EQ(detect_format(file.content, file.name), file.format) << file.name;
    }
    EXPECT_THROW(detect_format("hello", "card.txt"), FormatError);
    EXPECT_EQ(format_from_name("BIN"), DumpFormat::Raw);
}

}  // namespace
