// The size of the card a file holds: the override a caller passes, else the
// size the SAK or version names (data beyond it refused), else the file's
// extent, grown to the size block 0 names when the file leaves sectors out.

#include <gtest/gtest.h>

#include "cardkit/dump_formats.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;

const std::string kZeros(32, '0');
const std::string kTrailer = "FFFFFFFFFFFFFF078069FFFFFFFFFFFF";

// An MCT file of sectors 0 to `last`, block 0 carrying `sak`.
std::string mct_sectors(int last, const std::string &sak) {
    std::string text;
    for (int sector = 0; sector <= last; ++sector) {
        text += "+Sector: " + std::to_string(sector) + "\n";
        text += (sector == 0 ? "5A3C71E2F5" + sak + "04006263646566676869" : kZeros) + "\n";
        text += kZeros + "\n" + kZeros + "\n" + kTrailer + "\n";
    }
    return text;
}

std::string json_blocks(int first, int last, const std::string &card) {
    std::string text = R"({"FileType": "mfc v2", )" + card + R"("blocks": {)";
    for (int block = first; block <= last; ++block) {
        text += (block == first ? "\"" : ", \"") + std::to_string(block) + "\": \"" + kZeros + "\"";
    }
    return text + "}}";
}

std::string mfu_pages(int pages, const std::string &version) {
    std::string text =
        R"({"FileType": "mfu", "Card": {"Version": ")" + version + R"("}, "blocks": {)";
    for (int page = 0; page < pages; ++page) {
        text += (page ? ", \"" : "\"") + std::to_string(page) + "\": \"00000000\"";
    }
    return text + "}}";
}

struct SizeCase {
    const char *name;
    std::string content;
    DumpFormat format;
    ImportOptions options;
    const char *expected;  // the description, or the start of the refusal
};

TEST(DumpSizes, TheStrongestEvidenceOfAFileNamesTheSize) {
    const std::string nfc_2k =
        export_dump(cardkit_test::mifare_dump(MifareType::Classic2K, false), DumpFormat::Nfc)
            .content;
    const std::string raw_ultralight =
        export_dump(cardkit_test::ultralight_dump(), DumpFormat::Raw).content;
    const SizeCase cases[] = {
        {"MCT sectors 0-3 of a 1K", mct_sectors(3, "08"), DumpFormat::Mct, {}, "Mifare Classic 1K"},
        {"MCT sectors 0-3 of a 4K", mct_sectors(3, "18"), DumpFormat::Mct, {}, "Mifare Classic 4K"},
        {"MCT sectors 0-3, block 0 without a valid check byte",
         [] {
             std::string text = mct_sectors(3, "08");
             text.replace(text.find("F508"), 2, "00");
             return text;
         }(),
         DumpFormat::Mct,
         {},
         "Mifare Classic Mini"},
        {"JSON blocks 0-19 with SAK 08",
         json_blocks(0, 19, R"("Card": {"SAK": "08"}, )"),
         DumpFormat::Json,
         {},
         "Mifare Classic 1K"},
        {"JSON blocks 0-64 without SAK",
         json_blocks(0, 64, ""),
         DumpFormat::Json,
         {},
         "Mifare Classic 2K"},
        {"JSON block 64 with SAK 08",
         json_blocks(0, 64, R"("Card": {"SAK": "08"}, )"),
         DumpFormat::Json,
         {},
         "blocks: \"64\": block 64 is beyond the Mifare Classic 1K"},
        {"a 2K through the handheld tool's 4K", nfc_2k, DumpFormat::Nfc, {}, "Mifare Classic 2K"},
        {"raw 1K read as a 4K",
         std::string(1024, '\0'),
         DumpFormat::Raw,
         {.mifare_type = MifareType::Classic4K},
         "Mifare Classic 4K"},
        {"JSON of a 1K read as a Mini",
         json_blocks(0, 63, ""),
         DumpFormat::Json,
         {.mifare_type = MifareType::Mini},
         "blocks: \"63\": block 63 is beyond the Mifare Classic Mini chosen"},
        {"eml of 64 blocks read as a 4K",
         [] {
             std::string text;
             for (int i = 0; i < 64; ++i) text += kZeros + "\n";
             return text;
         }(),
         DumpFormat::Eml,
         {.mifare_type = MifareType::Classic4K},
         "Mifare Classic 4K"},
        {"pages of an Ultralight read as an NTAG213",
         raw_ultralight,
         DumpFormat::Raw,
         {.ultralight_type = UltralightType::Ntag213},
         "NTAG213"},
        {"mfu pages 0-3 of an NTAG215",
         mfu_pages(4, "0004040201001103"),
         DumpFormat::Json,
         {},
         "NTAG215"},
        {"mfu of 45 pages without version",
         mfu_pages(45, "0000000000000000"),
         DumpFormat::Json,
         {},
         "NTAG213"},
        {"mfu of 46 pages without version",
         mfu_pages(46, "0000000000000000"),
         DumpFormat::Json,
         {},
         "Ultralight C"},
    };
    for (const SizeCase &size : cases) {
        SCOPED_TRACE(size.name);
        ImportOptions options = size.options;
        options.format = size.format;
        try {
            EXPECT_EQ(import_dump(size.content, {}, options).description(), size.expected);
        } catch (const FormatError &error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(size.expected)) << error.what();
        }
    }
}

TEST(DumpSizes, BlocksTheFileLacksStayUnknown) {
    const CardDump four_k =
        import_dump(std::string(1024, '\x11'), "card.bin", {.mifare_type = MifareType::Classic4K});
    EXPECT_TRUE(four_k.block_known(63));
    EXPECT_TRUE(four_k.block_unknown(64));
    const CardDump one_k = import_dump(mct_sectors(3, "08"), "card.mct");
    EXPECT_TRUE(one_k.block_known(15));
    EXPECT_TRUE(one_k.block_unknown(16));
}

}  // namespace
