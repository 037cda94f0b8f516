// The ATR a PC/SC application sees for each contactless card, from what the card
// answered: one row a card.

#include <gtest/gtest.h>

#include "contactless_atr.h"
#include "test_bytes.h"

namespace pcsc_test {
namespace {

using pcsc::CardKind;
using pcsc::FieldCard;

FieldCard card(CardKind kind, const std::string &uid = "", const std::string &answer = "") {
    FieldCard made;
    made.kind = kind;
    made.uid = bytes_of(uid);
    if (kind == CardKind::Iso14443_4A) made.ats = bytes_of(answer);
    if (kind == CardKind::Iso14443_4B) made.atqb = bytes_of(answer);
    return made;
}

struct AtrCase {
    const char *name;
    FieldCard card;
    const char *atr;
};

class ContactlessAtr : public ::testing::TestWithParam<AtrCase> {};

TEST_P(ContactlessAtr, IsBuiltFromTheCardsAnswers) {
    EXPECT_EQ(hex_of(pcsc::contactless_atr(GetParam().card)), hex_of(bytes_of(GetParam().atr)));
}

INSTANTIATE_TEST_SUITE_P(
    Atr, ContactlessAtr,
    ::testing::Values(
        AtrCase{"MifareClassic1K", card(CardKind::MifareClassic1K),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A"},
        AtrCase{"MifareClassic4K", card(CardKind::MifareClassic4K),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 02 00 00 00 00 69"},
        AtrCase{"Ultralight", card(CardKind::MifareUltralight),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 03 00 00 00 00 68"},
        AtrCase{"MifareMini", card(CardKind::MifareMini),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 26 00 00 00 00 4D"},
        AtrCase{"UnnamedTypeA", card(CardKind::OtherTypeA),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 00 00 00 00 00 6B"},
        // ISO 15693 tags by the maker's code, UID byte 6.
        AtrCase{"IcodeSli", card(CardKind::Iso15693, "C7 92 3A 4F 00 01 04 E0"),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 0B 00 14 00 00 00 00 77"},
        AtrCase{"TagIt", card(CardKind::Iso15693, "8E 10 33 52 A1 C6 07 E0"),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 0B 00 12 00 00 00 00 71"},
        AtrCase{"UnnamedIso15693", card(CardKind::Iso15693, "01 02 03 04 05 06 02 E0"),
                "3B 8F 80 01 80 4F 0C A0 00 00 03 06 0B 00 00 00 00 00 00 63"},
        // Type A processor cards: the ATS's historical bytes, after TA1, TB1, TC1.
        AtrCase{"AtsWithInterfaceBytes",
                card(CardKind::Iso14443_4A, "", "10 78 80 70 02 80 31 80 65 54 49 4C 56 12 0F 06"),
                "3B 8B 80 01 80 31 80 65 54 49 4C 56 12 0F 06 42"},
        AtrCase{"AtsWithTb1Alone", card(CardKind::Iso14443_4A, "", "06 20 81 C1 05 2F"),
                "3B 83 80 01 C1 05 2F E9"},
        AtrCase{"AtsWithoutHistoricalBytes", card(CardKind::Iso14443_4A, "", "05 78 80 70 02"),
                "3B 80 80 01 01"},
        AtrCase{"AtsOfTlAlone", card(CardKind::Iso14443_4A, "", "01"), "3B 80 80 01 01"},
        // More than an ATR holds: the first 15.
        AtrCase{"SixteenHistoricalBytes",
                card(CardKind::Iso14443_4A, "",
                     "12 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"),
                "3B 8F 80 01 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 0E"},
        // An ATS whose length byte promises more than came: what came.
        AtrCase{"AtsShorterThanItsLength", card(CardKind::Iso14443_4A, "", "20 00 41 42"),
                "3B 82 80 01 41 42 00"},
        // An ATS whose interface bytes run past its end: no historical bytes.
        AtrCase{"AtsCutInItsInterfaceBytes", card(CardKind::Iso14443_4A, "", "03 70 11"),
                "3B 80 80 01 01"},
        // Type B: application data, protocol information, the buffer index 0.
        AtrCase{"TypeB",
                card(CardKind::Iso14443_4B, "1C935E07", "50 1C 93 5E 07 00 3A 5D 01 00 81 71"),
                "3B 88 80 01 00 3A 5D 01 00 81 71 00 9F"}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pcsc_test
