// The request every card command sends: its command code and its data bytes in
// order, through the loaded library and the recording transport.

#include <functional>

#include "reader_fixture.h"

namespace {

using reader_test::Bytes;
using reader_test::operator+;

struct RequestCase {
    const char *call;
    std::function<std::int32_t()> run;
    std::uint8_t code;
    Bytes data;
};

class CardCommandRequests : public reader_test::LoadedLibraryTest {
protected:
    void expect_requests(const std::vector<RequestCase> &cases) {
        for (const RequestCase &c : cases) {
            SCOPED_TRACE(c.call);
            const std::size_t before = sent().size();
            c.run();
            ASSERT_EQ(sent().size(), before + 1);
            EXPECT_EQ(sent_code(before), c.code);
            EXPECT_EQ(sent_data(before), c.data);
        }
    }

    std::uint8_t out[256] = {};
    std::uint8_t length = 0;
    std::uint8_t sak = 0;
    std::int32_t value = 0;
    const Bytes uid4 = {0xC1, 0xC2, 0xC3, 0xC4};
    const Bytes uid8 = {0xE0, 0x04, 0x01, 0x00, 0x12, 0x34, 0x56, 0x78};
    const Bytes four = {0xD1, 0xD2, 0xD3, 0xD4};
    const Bytes six = {0x61, 0x62, 0x63, 0x64, 0x65, 0x66};
    const Bytes eight = {0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88};
    const Bytes apdu = {0x00, 0x84, 0x00, 0x00, 0x08};
};

TEST_F(CardCommandRequests, TypeAAndMifareClassic) {
    Bytes keys(96);
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<std::uint8_t>(i);
    const Bytes block(16, 0x5C);
    expect_requests({
        {CALL(EXPORT(rf_init_type)(0, 'A')), 0x0A, {0x41}},
        {CALL(EXPORT(rf_init_type)(0, '1')), 0x0A, {0x31}},
        {CALL(EXPORT(rf_antenna_sta)(0, 0)), 0x0B, {0}},
        {CALL(EXPORT(rf_antenna_sta)(0, 1)), 0x0B, {1}},
        {CALL(EXPORT(rf_request)(0, 0x26, out)), 0x0C, {0x26}},
        {CALL(EXPORT(rf_request)(0, 0x52, out)), 0x0C, {0x52}},
        {CALL(EXPORT(rf_request)(0, 0x10, out)), 0x0C, {0x52}},   // wakes every card
        {CALL(EXPORT(rf_request)(0, 0x126, out)), 0x0C, {0x26}},  // the low byte counts
        {CALL(EXPORT(rf_anticoll)(0, 4, out, &length)), 0x0D, {4}},
        {CALL(EXPORT(rf_anticoll)(0, 7, out, &length)), 0x0D, {7}},
        {CALL(EXPORT(rf_anticoll)(0, 10, out, &length)), 0x0D, {10}},
        {CALL(EXPORT(rf_select)(0, uid4.data(), 4, &sak)), 0x0E, uid4},
        {CALL(EXPORT(rf_select)(0, uid4.data(), 0x102, &sak)), 0x0E, {0xC1, 0xC2}},
        {CALL(EXPORT(rf_halt)(0)), 0x0F, {}},
        {CALL(EXPORT(rf_download_key)(0, 'B', keys.data())), 0x10, Bytes{0x42} + keys},
        {CALL(EXPORT(rf_M1_authentication1)(0, 'A', 0x3F)), 0x11, {0x41, 0x3F}},
        {CALL(EXPORT(rf_M1_authentication2)(0, 0x60, 4, six.data())), 0x12, Bytes{0x60, 4} + six},
        {CALL(EXPORT(rf_M1_authentication2)(0, 0x61, 9, six.data())), 0x12, Bytes{0x61, 9} + six},
        {CALL(EXPORT(rf_M1_read)(0, 0x102, out, &length)), 0x13, {0x02}},
        {CALL(EXPORT(rf_M1_write)(0, 8, block.data())), 0x14, Bytes{8} + block},
        {CALL(EXPORT(rf_M1_initval)(0, 5, 100)), 0x15, {5, 0x64, 0, 0, 0}},
        {CALL(EXPORT(rf_M1_initval)(0, 5, -1)), 0x15, {5, 0xFF, 0xFF, 0xFF, 0xFF}},
        {CALL(EXPORT(rf_M1_readval)(0, 5, &value)), 0x16, {5}},
        {CALL(EXPORT(rf_M1_decrement)(0, 6, 0x01020304)), 0x17, {6, 4, 3, 2, 1}},
        {CALL(EXPORT(rf_M1_increment)(0, 6, 0x7FFFFFFF)), 0x18, {6, 0xFF, 0xFF, 0xFF, 0x7F}},
        {CALL(EXPORT(rf_M1_restore)(0, 6)), 0x19, {6}},
        {CALL(EXPORT(rf_M1_transfer)(0, 7)), 0x1A, {7}},
        {CALL(EXPORT(rf_request_080)(0, 0x12, 0x34, out, &length)), 0x70, {0x12, 0x34}},
    });
}

TEST_F(CardCommandRequests, ProcessorCardsTypeBAndSam) {
    expect_requests({
        {CALL(EXPORT(rf_typea_rst)(0, 0x52, out, &length)), 0x1B, {0x52}},
        {CALL(EXPORT(rf_cos_command)(0, apdu.data(), 5, out, &length)), 0x1C, apdu},
        {CALL(EXPORT(rf_cos_command)(0, apdu.data(), 0x103, out, &length)), 0x1C, {0, 0x84, 0}},
        {CALL(EXPORT(rf_cl_deselect)(0)), 0x28, {}},
        {CALL(EXPORT(rf_atqb)(0, 0, out, &length)), 0x1D, {0}},
        {CALL(EXPORT(rf_atqb)(0, 1, out, &length)), 0x1D, {1}},
        {CALL(EXPORT(rf_attrib)(0, 0x04030201, 0x08)), 0x1E, {1, 2, 3, 4, 8}},
        {CALL(EXPORT(rf_typeb_cos)(0, 0x01, four.data(), 4, out, &length)), 0x1F,
         Bytes{0x01} + four},
        {CALL(EXPORT(rf_typeb_cos)(0, 0x07, four.data(), 0, out, &length)), 0x1F, {0x07}},
        {CALL(EXPORT(rf_hltb)(0, 1)), 0x20, {1, 0, 0, 0}},
        {CALL(EXPORT(rf_init_sam)(0, 1)), 0x07, {1}},
        {CALL(EXPORT(rf_sam_rst)(0, out, &length)), 0x08, {}},
        {CALL(EXPORT(rf_sam_cos)(0, apdu.data(), 5, out, &length)), 0x09, apdu},
    });
}

TEST_F(CardCommandRequests, MemoryCards) {
    const Bytes two = {0x12, 0x34};
    expect_requests({
        {CALL(EXPORT(rf_at020_check)(0, eight.data())), 0x21, eight},
        {CALL(EXPORT(rf_at020_read)(0, 3, out, &length)), 0x22, {3}},
        {CALL(EXPORT(rf_at020_write)(0, 3, eight.data())), 0x23, Bytes{3} + eight},
        {CALL(EXPORT(rf_at020_lock)(0, four.data())), 0x24, four},
        {CALL(EXPORT(rf_at020_count)(0, six.data())), 0x25, six},
        {CALL(EXPORT(rf_at020_deselect)(0)), 0x26, {}},
        {CALL(EXPORT(rf_st_select)(0, &sak)), 0x29, {}},
        {CALL(EXPORT(rf_st_completion)(0)), 0x2A, {}},
        {CALL(EXPORT(rf_sr176_readblock)(0, 9, out, &length)), 0x2B, {9}},
        {CALL(EXPORT(rf_sr176_writeblock)(0, 3, two.data())), 0x2C, {3, 0x12, 0x34}},
        {CALL(EXPORT(rf_sr176_protectblock)(0, 0x0F)), 0x2D, {0x0F}},
        {CALL(EXPORT(rf_srix4k_readblock)(0, 0x7F, out, &length)), 0x2E, {0x7F}},
        {CALL(EXPORT(rf_srix4k_writeblock)(0, 7, four.data())), 0x2F, Bytes{7} + four},
        {CALL(EXPORT(rf_srix4k_authenticate)(0, six.data(), out, &length)), 0x30, six},
        {CALL(EXPORT(rf_srix4k_getuid)(0, out, &length)), 0x31, {}},
        {CALL(EXPORT(rf_srix4k_writelockreg)(0, 0x80)), 0x32, {0x80}},
        {CALL(EXPORT(rf_ul_select)(0, out, &length)), 0x33, {}},
        {CALL(EXPORT(rf_ul_write)(0, 4, four.data())), 0x34, Bytes{4} + four},
    });
}

TEST_F(CardCommandRequests, Iso15693FlagsThenTheUidAsHeldThenTheArguments) {
    const std::uint8_t *u = uid8.data();
    expect_requests({
        {CALL(EXPORT(ISO15693_Inventory)(0, out, &length)), 0x40, {}},
        {CALL(EXPORT(ISO15693_Stay_Quiet)(0, u)), 0x41, uid8},
        {CALL(EXPORT(ISO15693_Select)(0, u)), 0x42, uid8},
        {CALL(EXPORT(ISO15693_Reset_To_Ready)(0, 0x22, u)), 0x43, Bytes{0x22} + uid8},
        {CALL(EXPORT(ISO15693_Read)(0, 0x02, u, 3, 15, out, &length)), 0x44,
         Bytes{0x02} + uid8 + Bytes{3, 15}},
        {CALL(EXPORT(ISO15693_Write)(0, 0x02, u, 5, four.data())), 0x45,
         Bytes{0x02} + uid8 + Bytes{5} + four},
        {CALL(EXPORT(ISO15693_Lock_Block)(0, 0x02, u, 9)), 0x46, Bytes{0x02} + uid8 + Bytes{9}},
        {CALL(EXPORT(ISO15693_Write_AFI)(0, 0x02, u, 0xAB)), 0x47,
         Bytes{0x02} + uid8 + Bytes{0xAB}},
        {CALL(EXPORT(ISO15693_Lock_AFI)(0, 0x06, u)), 0x48, Bytes{0x06} + uid8},
        {CALL(EXPORT(ISO15693_Write_DSFID)(0, 0x02, u, 0x5A)), 0x49,
         Bytes{0x02} + uid8 + Bytes{0x5A}},
        {CALL(EXPORT(ISO15693_Lock_DSFID)(0, 0x02, u)), 0x4A, Bytes{0x02} + uid8},
        {CALL(EXPORT(ISO15693_Get_System_Information)(0, 0x02, u, out, &length)), 0x4B,
         Bytes{0x02} + uid8},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 0x02, u, 0x1FF, 63, out, &length)), 0x4C,
         Bytes{0x02} + uid8 + Bytes{0xFF, 63}},
    });
}

TEST_F(CardCommandRequests, WholeFramesOnTheWire) {
    std::uint8_t atqa[2];
    EXPECT_EQ(EXPORT(rf_request)(0, 0x26, atqa), 1);  // the default answer carries no ATQA
    EXPECT_EQ(EXPORT(rf_request)(0, 0x10, atqa), 1);
    EXPECT_EQ(EXPORT(rf_M1_read)(0, 0xAA, out, &length), 1);
    EXPECT_EQ(EXPORT(rf_typea_rst)(0, 0x52, out, &length), 0);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x0C, 0x26, 0xD0}));
    EXPECT_EQ(sent()[1], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x0C, 0x52, 0xA4}));
    EXPECT_EQ(sent()[2], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x13, 0xAA, 0x00, 0x43}));
    EXPECT_EQ(sent()[3], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x1B, 0x52, 0xB3}));
}

TEST_F(CardCommandRequests, AnAABytePointedToIsEscapedOnTheWireAndTheAddressIsSent) {
    const Bytes uid = {0x01, 0xAA, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    EXPECT_EQ(EXPORT(ISO15693_Select)(0x0201, uid.data()), 0);
    EXPECT_EQ(EXPORT(rf_at020_read)(0, 0xAA, out, &length), 1);
    const Bytes &select = sent()[0];
    EXPECT_EQ(Bytes(select.begin() + 4, select.begin() + 11),
              (Bytes{0x01, 0x02, 0x42, 0x01, 0xAA, 0x00, 0x03}));
    EXPECT_EQ(sent_data(0), uid);
    EXPECT_EQ(Bytes(sent()[1].begin() + 7, sent()[1].begin() + 9), (Bytes{0xAA, 0x00}));
}

}  // namespace
