// Hex text conversions: what the operator types becomes bytes, and bytes become
// text, with nothing but hex digits ever turned into a byte.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "common/hex_text.h"

namespace {

using tilvane::Bytes;

struct TextToBytes {
    const char *name;
    const char *text;
    Bytes bytes;
};

void PrintTo(const TextToBytes &row, std::ostream *os) {
    *os << row.name;
}

class HexToBytesRows : public ::testing::TestWithParam<TextToBytes> {};

TEST_P(HexToBytesRows, GivesTheBytesOfTheHexDigits) {
    EXPECT_EQ(tilvane::HexToBytes(QString::fromUtf8(GetParam().text)), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, HexToBytesRows,
    ::testing::Values(TextToBytes{"mixed_case", "a1B2", {0xA1, 0xB2}},
                      TextToBytes{"single_digit", "7", {0x07}}, TextToBytes{"empty", "", {}},
                      TextToBytes{"odd_length_keeps_last_digit", "123", {0x12, 0x03}},
                      TextToBytes{"zero_bytes_count", "0000", {0x00, 0x00}},
                      TextToBytes{
                          "pasted_command_with_spaces", "00 A4 04 00", {0x00, 0xA4, 0x04, 0x00}},
                      TextToBytes{"separators_never_become_bytes", "12-zz:3g4", {0x12, 0x34}},
                      TextToBytes{"nothing_hex", "xyz ", {}},
                      TextToBytes{"full_width_digits_are_not_hex", "１２", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HexPairToByte, TakesOneOrTwoDigitsAndRefusesEverythingElse) {
    const QString text = QStringLiteral("fA7G");
    EXPECT_EQ(tilvane::HexPairToByte(text.constData(), 2), 0xFA);
    EXPECT_EQ(tilvane::HexPairToByte(text.constData() + 2, 1), 0x07);
    EXPECT_EQ(tilvane::HexPairToByte(text.constData(), 3), std::nullopt);
    EXPECT_EQ(tilvane::HexPairToByte(text.constData(), 0), std::nullopt);
    EXPECT_EQ(tilvane::HexPairToByte(text.constData() + 2, 2), std::nullopt);  // "7G"
    EXPECT_EQ(tilvane::HexPairToByte(nullptr, 2), std::nullopt);
}

TEST(BytesToHex, WritesTwoUpperCaseDigitsPerByte) {
    EXPECT_EQ(tilvane::BytesToHex(Bytes{0x00, 0x0F, 0xA0}), QStringLiteral("000FA0"));
    EXPECT_EQ(tilvane::BytesToHex(Bytes{}), QString());
    const std::uint8_t all[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(tilvane::BytesToHex(all, 8), QStringLiteral("0123456789ABCDEF"));
    EXPECT_EQ(tilvane::HexToBytes(tilvane::BytesToHex(all, 8)), Bytes(all, all + 8));
}

TEST(SetHexText, ShowsTheBytesLeavesTheEditForNullAndEmptiesForZero) {
    QLineEdit edit;
    const std::uint8_t bytes[] = {0xDE, 0xAD, 0xBE, 0xEF};
    tilvane::SetHexText(&edit, bytes, 3);
    EXPECT_EQ(edit.text(), QStringLiteral("DEADBE"));
    tilvane::SetHexText(&edit, nullptr, 4);
    EXPECT_EQ(edit.text(), QStringLiteral("DEADBE"));
    tilvane::SetHexText(&edit, bytes, 0);
    EXPECT_EQ(edit.text(), QString());
}

TEST(SetHexDword, ShowsTheLeastSignificantByteFirst) {
    QLineEdit edit;
    tilvane::SetHexDword(&edit, 0x12345678);
    EXPECT_EQ(edit.text(), QStringLiteral("78563412"));
    tilvane::SetHexDword(&edit, 1);
    EXPECT_EQ(edit.text(), QStringLiteral("01000000"));
    tilvane::SetHexDword(&edit, 0xFFFFFFFF);
    EXPECT_EQ(edit.text(), QStringLiteral("FFFFFFFF"));
}

struct ExactRow {
    const char *name;
    const char *text;
    int n;
    std::optional<Bytes> bytes;
};

void PrintTo(const ExactRow &row, std::ostream *os) {
    *os << row.name;
}

class ExactHexBytesRows : public ::testing::TestWithParam<ExactRow> {};

TEST_P(ExactHexBytesRows, GivesBytesOnlyForExactlyTwoDigitsEach) {
    QLineEdit edit(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(tilvane::ExactHexBytes(&edit, GetParam().n), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ExactHexBytesRows,
    ::testing::Values(ExactRow{"exact", "a1B2c3D4", 4, Bytes{0xA1, 0xB2, 0xC3, 0xD4}},
                      ExactRow{"stray_last_digit", "A1B2C3D4E", 4, std::nullopt},
                      ExactRow{"odd_digits_short_of_n", "A1B2C3D", 4, std::nullopt},
                      ExactRow{"too_few", "A1B2", 4, std::nullopt},
                      ExactRow{"too_many", "A1B2C3D4E5", 4, std::nullopt},
                      ExactRow{"separators_do_not_count", "A1 B2", 2, Bytes{0xA1, 0xB2}},
                      ExactRow{"empty", "", 1, std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HoldsWholeBytes, CountsTheHexDigitsOnly) {
    for (const auto &[text, whole] : {std::pair{"", true}, {"12", true}, {"123", false},
                                      {"1 2", true}, {"12 3", false}, {"1z", false}}) {
        const QLineEdit edit(QString::fromLatin1(text));
        EXPECT_EQ(tilvane::HoldsWholeBytes(&edit), whole) << text;
    }
}

TEST(CopyHexInto, FillsTheFrontAndKeepsTheRest) {
    QLineEdit edit(QStringLiteral("123"));
    std::uint8_t bytes[4] = {0, 0, 0, 0xEE};
    // The conversion keeps the odd digit's byte; writes refuse such a box first.
    tilvane::CopyHexInto(bytes, &edit);
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0x12, 0x03, 0x00, 0xEE}));

    edit.setText(QStringLiteral("0102030405"));
    tilvane::CopyHexInto(std::span(bytes).subspan(1, 2), &edit);
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0x12, 0x01, 0x02, 0xEE}));
}

}  // namespace
