// The decoded view of each family's blocks by table: the kind, the marker word
// that tells it apart without colour, the meaning in words, the roles of its
// bytes; the access conditions in words; the sections.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cardkit/value_block.h"
#include "workbench/block_meaning.h"
#include "workbench_test.h"

namespace {

using tilvane::BlockKind;
using tilvane::ByteRole;
using tilvane::DescribeBlock;
using workbench_test::FactoryMifare;
using workbench_test::Hex;

struct Case {
    const char *name;
    std::function<cardkit::CardDump()> dump;
    int block;
    BlockKind kind;
    const char *marker;
    const char *meaning;  // the meaning starts with this
    // The roles by runs: (role, bytes), in order.
    std::vector<std::pair<ByteRole, int>> roles;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

std::vector<ByteRole> Runs(const std::vector<std::pair<ByteRole, int>> &runs) {
    std::vector<ByteRole> roles;
    for (const auto &[role, count] : runs)
        roles.insert(roles.end(), static_cast<std::size_t>(count), role);
    return roles;
}

cardkit::CardDump With(cardkit::CardDump dump, int block, std::string_view hex) {
    dump.set_block(block, Hex(hex));
    return dump;
}

cardkit::CardDump Ultralight(std::string_view page2) {
    cardkit::CardDump dump = cardkit::CardDump::ultralight();
    dump.set_block(0, Hex("046E31D3"));
    dump.set_block(1, Hex("5A2B4880"));
    dump.set_block(2, Hex(page2));
    for (int page = 3; page < 16; ++page) dump.set_block(page, Hex("00000000"));
    return dump;
}

cardkit::CardDump Srix4k(std::uint8_t lock_register) {
    cardkit::CardDump dump = cardkit::CardDump::srix4k();
    for (int block = 0; block < 128; ++block) dump.set_block(block, Hex("FFFFFFFF"));
    dump.set_block(5, Hex("FFFFFFFE"));
    dump.set_system_block(std::array<std::uint8_t, 4>{lock_register, 0xFF, 0xFF, 0xFF});
    return dump;
}

cardkit::CardDump Sr176(std::string_view lock_block) {
    cardkit::CardDump dump = cardkit::CardDump::sr176();
    for (int block = 0; block < 16; ++block) dump.set_block(block, Hex("0000"));
    dump.set_block(15, Hex(lock_block));
    return dump;
}

cardkit::CardDump Iso15693() {
    cardkit::CardDump dump = cardkit::CardDump::iso15693(4, 4);
    for (int block = 0; block < 4; ++block) dump.set_block(block, Hex("00000000"));
    dump.set_block_security(cardkit::Bytes{0, 1, 0, 0});
    return dump;
}

const Case kCases[] = {
    {"mifare_block0",
     [] { return FactoryMifare(); },
     0,
     BlockKind::Manufacturer,
     "MAKER",
     "UID 5A3C71E2, check byte F5, SAK 08, ATQA 0400",
     {{ByteRole::Maker, 16}}},
    {"mifare_block0_wrong_check_byte",
     [] { return With(FactoryMifare(), 0, "5A3C71E2000804000000000000000000"); },
     0,
     BlockKind::Manufacturer,
     "MAKER",
     "UID 5A3C71E2, check byte 00 WRONG (the UID makes F5)",
     {{ByteRole::Maker, 16}}},
    {"mifare_value_block",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.set_block(5, cardkit::encode_value_block({100, 5}));
         return dump;
     },
     5,
     BlockKind::Value,
     "VALUE",
     "value 100, address 05",
     {{ByteRole::Value, 16}}},
    {"mifare_value_copies_differ",
     [] { return With(FactoryMifare(), 5, "640000009BFFFFFF6400000105FA05FA"); },
     5,
     BlockKind::Data,
     "DATA",
     "data",
     {{ByteRole::Data, 16}}},
    {"mifare_text",
     [] { return With(FactoryMifare(), 4, "54696C76616E652064656D6F20210000"); },
     4,
     BlockKind::Data,
     "DATA",
     "data: \"Tilvane demo !..\"",
     {{ByteRole::Data, 16}}},
    {"mifare_trailer",
     [] { return FactoryMifare(); },
     7,
     BlockKind::Trailer,
     "TRAILER",
     "key A FFFFFFFFFFFF, access bits FF0780, user byte 69, key B FFFFFFFFFFFF",
     {{ByteRole::KeyA, 6},
      {ByteRole::AccessBits, 3},
      {ByteRole::UserByte, 1},
      {ByteRole::KeyB, 6}}},
    {"mifare_trailer_key_b_unknown",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.forget_bytes(7, cardkit::kTrailerKeyB, 6);
         return dump;
     },
     7,
     BlockKind::Trailer,
     "TRAILER",
     "key A FFFFFFFFFFFF, access bits FF0780, user byte 69, key B unknown",
     {{ByteRole::KeyA, 6},
      {ByteRole::AccessBits, 3},
      {ByteRole::UserByte, 1},
      {ByteRole::Unknown, 6}}},
    {"mifare_trailer_invalid_access",
     [] { return With(FactoryMifare(), 7, "FFFFFFFFFFFF000000FFFFFFFFFFFFFF"); },
     7,
     BlockKind::Trailer,
     "TRAILER",
     "key A FFFFFFFFFFFF, access bits 000000 (INVALID)",
     {{ByteRole::KeyA, 6},
      {ByteRole::AccessBits, 3},
      {ByteRole::UserByte, 1},
      {ByteRole::KeyB, 6}}},
    {"mifare_unknown",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.forget_block(9);
         return dump;
     },
     9,
     BlockKind::Unknown,
     "UNKNOWN",
     "not read",
     {{ByteRole::Unknown, 16}}},
    {"mifare_part_unknown",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.forget_bytes(9, 14, 2);
         return dump;
     },
     9,
     BlockKind::Data,
     "DATA, PART UNKNOWN",
     "data, some bytes not read",
     {{ByteRole::Data, 14}, {ByteRole::Unknown, 2}}},
    {"ultralight_uid",
     [] { return Ultralight("B9480000"); },
     0,
     BlockKind::Manufacturer,
     "UID",
     "UID0-2 046E31, check byte D3 (check bytes valid)",
     {{ByteRole::Maker, 4}}},
    {"ultralight_lock_bytes",
     [] { return Ultralight("B9482002"); },
     2,
     BlockKind::Lock,
     "LOCK",
     "check byte B9 (check bytes valid), internal 48, lock bytes 2002: pages 5, 9 locked",
     {{ByteRole::Maker, 2}, {ByteRole::Lock, 2}}},
    {"ultralight_wrong_check_byte",
     [] { return Ultralight("00480000"); },
     2,
     BlockKind::Lock,
     "LOCK",
     "check byte 00 (check bytes WRONG), internal 48, lock bytes 0000: no page locked",
     {{ByteRole::Maker, 2}, {ByteRole::Lock, 2}}},
    {"ultralight_otp",
     [] { return Ultralight("B9480000"); },
     3,
     BlockKind::Otp,
     "OTP",
     "one-time programmable 00000000: bits are only ever set",
     {{ByteRole::Otp, 4}}},
    {"ultralight_locked_page",
     [] { return Ultralight("B9482002"); },
     9,
     BlockKind::Data,
     "DATA, LOCKED",
     "data; its lock bit is set",
     {{ByteRole::Data, 4}}},
    {"ultralight_open_page",
     [] { return Ultralight("B9482002"); },
     8,
     BlockKind::Data,
     "DATA",
     "data",
     {{ByteRole::Data, 4}}},
    {"srix4k_otp",
     [] { return Srix4k(0xFF); },
     2,
     BlockKind::Otp,
     "OTP",
     "resettable one-time programmable",
     {{ByteRole::Otp, 4}}},
    {"srix4k_counter",
     [] { return Srix4k(0xFF); },
     5,
     BlockKind::Counter,
     "COUNTER",
     "count-down counter 4294967294",
     {{ByteRole::Counter, 4}}},
    {"srix4k_locked_by_bit_0",
     [] { return Srix4k(0xFE); },
     8,
     BlockKind::Data,
     "DATA, LOCKED",
     "data; the lock register protects it",
     {{ByteRole::Data, 4}}},
    {"srix4k_unlocked",
     [] { return Srix4k(0xFE); },
     9,
     BlockKind::Data,
     "DATA",
     "data",
     {{ByteRole::Data, 4}}},
    {"srix4k_system",
     [] { return Srix4k(0xFD); },
     tilvane::kSystemBlockRow,
     BlockKind::System,
     "SYSTEM",
     "system area: lock register FD: block 9 locked",
     {{ByteRole::Lock, 1}, {ByteRole::Maker, 3}}},
    {"sr176_lock_byte",
     [] { return Sr176("0406"); },
     15,
     BlockKind::Lock,
     "LOCK",
     "lock byte 04: blocks 4, 5 locked; chip ID 06",
     {{ByteRole::Lock, 1}, {ByteRole::Maker, 1}}},
    {"sr176_locked",
     [] { return Sr176("0406"); },
     5,
     BlockKind::Data,
     "DATA, LOCKED",
     "data; the lock byte protects it",
     {{ByteRole::Data, 2}}},
    {"sr176_uid",
     [] { return Sr176("0006"); },
     1,
     BlockKind::Manufacturer,
     "UID",
     "UID, bits 16-31 (read-only)",
     {{ByteRole::Maker, 2}}},
    {"iso15693_locked",
     [] { return Iso15693(); },
     1,
     BlockKind::Data,
     "DATA, LOCKED",
     "data; security status 01, locked",
     {{ByteRole::Data, 4}}},
    {"iso15693_unlocked",
     [] { return Iso15693(); },
     2,
     BlockKind::Data,
     "DATA",
     "data; security status 00, unlocked",
     {{ByteRole::Data, 4}}},
};

class BlockMeaningRows : public ::testing::TestWithParam<Case> {};

TEST_P(BlockMeaningRows, KindMarkerMeaningAndByteRoles) {
    const Case &c = GetParam();
    const cardkit::CardDump dump = c.dump();
    const tilvane::BlockMeaning meaning = DescribeBlock(dump, c.block);
    EXPECT_EQ(meaning.kind, c.kind);
    EXPECT_EQ(meaning.marker, QString::fromLatin1(c.marker));
    EXPECT_TRUE(meaning.meaning.startsWith(QString::fromLatin1(c.meaning)))
        << meaning.meaning.toStdString();
    EXPECT_EQ(meaning.roles, Runs(c.roles));
    EXPECT_EQ(meaning.locked, QString::fromLatin1(c.marker).endsWith(QStringLiteral("LOCKED")));
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, BlockMeaningRows, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct AccessCase {
    const char *name;
    std::function<cardkit::CardDump()> dump;
    int block;
    std::vector<const char *> lines;
};

void PrintTo(const AccessCase &c, std::ostream *os) { *os << c.name; }

const AccessCase kAccessCases[] = {
    {"data_block_of_a_factory_card",
     [] { return FactoryMifare(); },
     5,
     {"block 5 (000): read by key A or B, write by key A or B, increment by key A or B, "
      "decrement/transfer/restore by key A or B",
      "key B of this sector is readable, so only key A opens it"}},
    {"block_0",
     [] { return With(FactoryMifare(), 3, "FFFFFFFFFFFF7F078869FFFFFFFFFFFF"); },
     0,
     {"block 0 (000): read by key A or B, write by key A or B, increment by key A or B, "
      "decrement/transfer/restore by key A or B",
      "block 0 of most cards is written once, at the factory"}},
    {"trailer",
     [] { return FactoryMifare(); },
     3,
     {"trailer (001): write key A by key A; read access bits by key A, write access bits by key A; "
      "read key B by key A, write key B by key A; key B is readable, so it is not a key"}},
    {"sixteen_block_sector_group",
     [] { return FactoryMifare(cardkit::MifareType::Classic4K); },
     128 + 7,
     {"block 135 (000): read by key A or B, write by key A or B, increment by key A or B, "
      "decrement/transfer/restore by key A or B",
      "key B of this sector is readable, so only key A opens it"}},
    {"access_bits_not_read",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.forget_bytes(7, cardkit::kTrailerAccessBits, 3);
         return dump;
     },
     5,
     {"access conditions unknown: the sector's access bits were not read"}},
    {"access_bits_invalid",
     [] { return With(FactoryMifare(), 7, "FFFFFFFFFFFF000000FFFFFFFFFFFFFF"); },
     4,
     {"the sector's access bits are invalid (their inverted copies disagree): the card refuses the "
      "whole sector"}},
};

class AccessWords : public ::testing::TestWithParam<AccessCase> {};

TEST_P(AccessWords, OfTheBlocksGroup) {
    const AccessCase &c = GetParam();
    QStringList expected;
    for (const char *line : c.lines) expected << QString::fromLatin1(line);
    EXPECT_EQ(tilvane::AccessInWords(c.dump(), c.block), expected);
}

INSTANTIATE_TEST_SUITE_P(Mifare, AccessWords, ::testing::ValuesIn(kAccessCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AccessWords, OtherFamiliesHaveNone) {
    EXPECT_TRUE(tilvane::AccessInWords(cardkit::CardDump::ultralight(), 4).isEmpty());
}

struct SectionCase {
    const char *name;
    std::function<cardkit::CardDump()> dump;
    std::vector<std::pair<const char *, int>> some;  // title and row count, first ones and last
    std::size_t count;
};

TEST(Sections, FollowEachFamilysLayout) {
    const SectionCase cases[] = {
        {"4K",
         [] { return cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic4K); },
         {{"Sector 0", 4}, {"Sector 39", 16}},
         40},
        {"Mini",
         [] { return cardkit::CardDump::mifare_classic(cardkit::MifareType::Mini); },
         {{"Sector 0", 4}, {"Sector 4", 4}},
         5},
        {"Ultralight", [] { return cardkit::CardDump::ultralight(); }, {{"Pages 0-15", 16}}, 1},
        {"SRIX4K",
         [] { return cardkit::CardDump::srix4k(); },
         {{"Blocks 0-15", 16}, {"System area", 1}},
         9},
        {"ISO 15693 of 17",
         [] { return cardkit::CardDump::iso15693(17, 4); },
         {{"Blocks 0-15", 16}, {"Block 16", 1}},
         2},
    };
    for (const SectionCase &c : cases) {
        const auto sections = tilvane::SectionsOf(c.dump());
        ASSERT_EQ(sections.size(), c.count) << c.name;
        const auto &first = sections.front();
        const auto &last = sections.back();
        EXPECT_EQ(first.title, QString::fromLatin1(c.some.front().first)) << c.name;
        EXPECT_EQ(static_cast<int>(first.rows.size()), c.some.front().second) << c.name;
        EXPECT_EQ(last.title, QString::fromLatin1(c.some.back().first)) << c.name;
        EXPECT_EQ(static_cast<int>(last.rows.size()), c.some.back().second) << c.name;
        // Every block once, in order.
        std::vector<int> rows;
        for (const auto &section : sections)
            rows.insert(rows.end(), section.rows.begin(), section.rows.end());
        std::erase(rows, tilvane::kSystemBlockRow);
        ASSERT_EQ(static_cast<int>(rows.size()), c.dump().block_count()) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i], static_cast<int>(i)) << c.name;
    }
}

TEST(BlockText, UnknownBytesShowAsDashes) {
    cardkit::CardDump dump = cardkit::CardDump::sr176();
    dump.set_bytes(4, 1, Hex("AB"));
    EXPECT_EQ(tilvane::BlockHex(dump, 4), QStringLiteral("-- AB"));
    EXPECT_EQ(tilvane::BlockHex(cardkit::CardDump::srix4k(), tilvane::kSystemBlockRow),
              QStringLiteral("-- -- -- --"));
}

}  // namespace
