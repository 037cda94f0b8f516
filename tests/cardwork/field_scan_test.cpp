// The field scan with a reader of fakes: each protocol's cards in order, what
// the reader cannot tell apart, and the cards kept when a failure stops it.

#include <gtest/gtest.h>

#include "cardwork/field_scan.h"
#include "fake_reader.h"

namespace {

using cardwork::FieldProtocol;
using fake_reader::results;

TEST(FieldScan, EachProtocolsCardsInOrder_KeptWhenAFailureStopsTheScan) {
    fake_reader::reset();
    const binding::ReaderApi api = fake_reader::api();
    cardwork::ReaderSession session(api);
    results("rf_request", {0, 2, 2});
    // Type B answers too short to hold a PUPI; two AT88RF020 collide.
    results("rf_atqb", {0, 3});
    fake_reader::state().answers["rf_atqb"] = {{0x50, 0x4D}};
    // A tag, then the line fails.
    results("ISO15693_Inventory", {0, 0x102});

    const cardwork::FieldScan scan = cardwork::scan_field(session);
    ASSERT_EQ(scan.cards.size(), 4u);
    EXPECT_EQ(scan.cards[0].protocol, FieldProtocol::TypeA);
    EXPECT_EQ(scan.cards[0].uid, (cardkit::Bytes{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(scan.cards[0].kind, "Mifare Classic 1K");
    EXPECT_EQ(scan.cards[1].protocol, FieldProtocol::TypeB);
    EXPECT_TRUE(scan.cards[1].pupi.empty());
    EXPECT_EQ(scan.cards[1].kind, "an answer too short to hold a PUPI");
    EXPECT_EQ(scan.cards[2].protocol, FieldProtocol::At88rf020);
    EXPECT_EQ(scan.cards[2].kind, "several cards answered at once");
    EXPECT_EQ(scan.cards[3].protocol, FieldProtocol::Iso15693);
    EXPECT_EQ(scan.cards[3].uid, (cardkit::Bytes{0xE0, 0x07, 0xC6, 0xA1, 0x52, 0x33, 0x10, 0x8E}));
    EXPECT_EQ(scan.cards[3].dsfid, 0x00);
    ASSERT_TRUE(scan.stopped);
    EXPECT_EQ(scan.stopped->function(), "ISO15693_Inventory");
    EXPECT_TRUE(fake_reader::calls_of("rf_st_select").empty());
}

}  // namespace
