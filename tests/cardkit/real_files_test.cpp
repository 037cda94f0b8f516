// Files other tools wrote (tests/data/README.md): each reads as the card it
// holds, writes back unchanged in its own format, and converts to every other
// format that holds its family as the same bytes, equal under diff.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;

std::string read_file(const std::string &name) {
    std::ifstream in(std::string(CARDKIT_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RealFile {
    const char *name;
    const char *card;  // description
    const char *uid;
    int block;  // a block and the bytes the file gives it
    const char *bytes;
    // The file's UID line names another UID than its pages carry, so a raw
    // copy (which keeps the pages' UID) differs from it in the UID.
    bool uid_unlike_pages = false;
};

const RealFile kFiles[] = {
    {"dumps/flipper-classic1k-v2.nfc", "Mifare Classic 1K", "90D307C1", 1,
     "FCD30000000000000000000000000000"},
    {"dumps/mct-example-dump-file.mct", "Mifare Classic 1K", "00000000", 63,
     "FFFFFFFFFFFFFF0780BCFFFFFFFFFFFF"},
    {"dumps/flipper-ntag216-v2.nfc", "NTAG216", "04B8313A307380", 227, "040000E2", true},
    {"dumps/flipper-ntag213-locked-v3.nfc", "NTAG213", "04AC6B72BA6C80", 41, "04000004"},
    {"dumps/flipper-ultralight11-v2.nfc", "Ultralight EV1 MF0UL11", "04A60AF2DD7584", 16,
     "000000FF"},
    {"dumps/flipper-ultralight21-v3.nfc", "Ultralight EV1 MF0UL21", "34BFABB1AE73D6", 39,
     "FFFFFFFF"},
    {"dumps/flipper-ultralight-c-v4.nfc", "Ultralight C", "04BAFFCA4D5D80", 42, "05000000"},
    {"dumps/flipper-slix-default.nfc", "ISO 15693, 80 blocks of 4 bytes", "E004010849D0DC81", 79,
     "E5FF0001"},
    {"dumps/flipper-slix-accept-all.nfc", "ISO 15693, 80 blocks of 4 bytes", "E004010849D0DC81", 0,
     "030A82ED"},
};

TEST(RealFiles, EachReadsAsTheCardItHolds) {
    for (const RealFile &file : kFiles) {
        SCOPED_TRACE(file.name);
        const CardDump dump = import_dump(read_file(file.name), file.name);
        EXPECT_EQ(dump.description(), file.card);
        EXPECT_EQ(to_hex(dump.identity().uid), file.uid);
        EXPECT_EQ(to_hex(dump.block(file.block)), file.bytes);
        EXPECT_FALSE(dump.has_unknown_bytes());
    }
}

TEST(RealFiles, EachWritesBackUnchangedInItsOwnFormat) {
    for (const RealFile &file : kFiles) {
        SCOPED_TRACE(file.name);
        const CardDump dump = import_dump(read_file(file.name), file.name);
        const DumpFormat format = *format_from_file_name(file.name);
        const ExportedDump exported = export_dump(dump, format);
        EXPECT_TRUE(exported.warnings.empty()) << exported.warnings.front();
        EXPECT_EQ(import_dump(exported.content, {}, {.format = format}), dump);
    }
}

TEST(RealFiles, TheSameCardInEveryFormatHasTheSameBytesAndComparesEqual) {
    for (const RealFile &file : kFiles) {
        const CardDump dump = import_dump(read_file(file.name), file.name);
        const std::string bytes = export_dump(dump, DumpFormat::Raw).content;
        for (const DumpFormat format : formats_holding(dump.family())) {
            SCOPED_TRACE(std::string(file.name) + " as " + std::string(format_name(format)));
            ImportOptions options{.format = format, .family = dump.family()};
            const CardDump converted = import_dump(export_dump(dump, format).content, {}, options);
            EXPECT_EQ(export_dump(converted, DumpFormat::Raw).content, bytes);
            const DumpDiff diff = diff_dumps(dump, converted);
            const bool uid_from_pages = format != DumpFormat::Json && format != DumpFormat::Nfc;
            if (file.uid_unlike_pages && uid_from_pages) {
                EXPECT_EQ(diff.card_notes,
                          std::vector<std::string>{"UID 04B8313A307380 -> 043991C2FC6780"});
            } else {
                EXPECT_TRUE(diff.card_notes.empty()) << diff.card_notes.front();
            }
            EXPECT_EQ(diff.equal_blocks, diff.total_blocks);
        }
    }
}

TEST(RealFiles, SlixSectionTravelsInKeyValueFilesOnly) {
    const std::string file = read_file("dumps/flipper-slix-accept-all.nfc");
    const CardDump dump = import_dump(file, "tag.nfc");
    const std::string written = export_dump(dump, DumpFormat::Nfc).content;
    EXPECT_NE(written.find("Device type: SLIX\n"), std::string::npos);
    EXPECT_NE(written.find("Capabilities: Accept all passwords\nPassword Read: 00 00 00 00\n"),
              std::string::npos);
    EXPECT_NE(written.find("Lock EAS: true\nLock PPL: true\n"), std::string::npos);
    const auto warnings = export_dump(dump, DumpFormat::Json).warnings;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("Capabilities, Password Read"), std::string::npos) << warnings[0];
}

}  // namespace
