// Hex text conversions: what the operator types becomes bytes, and bytes become
// text, with nothing but hex digits ever turned into a byte.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/common/hex_text.h"

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

}  // namespace
