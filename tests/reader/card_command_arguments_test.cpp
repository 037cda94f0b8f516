// Arguments the card commands refuse with 1 before anything is sent: values out of
// range, more data than a request can carry, and null pointers, for every export.

#include <functional>

#include "reader_fixture.h"

namespace {

using reader_test::Bytes;

struct Refused {
    const char *call;
    std::function<std::int32_t()> run;
};

class CardCommandArguments : public reader_test::LoadedLibraryTest {
protected:
    void expect_refused(const std::vector<Refused> &cases) {
        for (const Refused &c : cases) {
            EXPECT_EQ(c.run(), 1) << c.call;
            EXPECT_TRUE(sent().empty()) << c.call;
        }
    }

    std::uint8_t out[256] = {};
    std::uint8_t length = 0;
    std::uint8_t byte = 0;
    std::int32_t value = 0;
    const Bytes data = Bytes(256, 0x3C);
    const std::uint8_t *in = data.data();
};

TEST_F(CardCommandArguments, ValuesOutsideTheirRange) {
    expect_refused({
        {CALL(EXPORT(rf_antenna_sta)(0, 2))},
        {CALL(EXPORT(rf_antenna_sta)(0, 0xFF))},
        {CALL(EXPORT(rf_anticoll)(0, 0, out, &length))},
        {CALL(EXPORT(rf_anticoll)(0, 5, out, &length))},
        {CALL(EXPORT(rf_anticoll)(0, 8, out, &length))},
        {CALL(EXPORT(rf_anticoll)(0, 0x10B, out, &length))},
        {CALL(EXPORT(rf_download_key)(0, 'C', in))},
        {CALL(EXPORT(rf_download_key)(0, 'a', in))},
        {CALL(EXPORT(rf_M1_authentication1)(0, 'C', 4))},
        {CALL(EXPORT(rf_M1_authentication1)(0, 0x60, 4))},
        {CALL(EXPORT(rf_M1_authentication2)(0, 'A', 4, in))},
        {CALL(EXPORT(rf_M1_authentication2)(0, 0x62, 4, in))},
        {CALL(EXPORT(rf_atqb)(0, 2, out, &length))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, in, 0, 16, out, &length))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, in, 0, 0x110, out, &length))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, in, 0, 255, out, &length))},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 2, in, 0, 64, out, &length))},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 2, in, 0, 0x140, out, &length))},
    });
}

TEST_F(CardCommandArguments, BlockCountsUpToTheLimitAreSentAndOnlyTheLowByteCounts) {
    EXPECT_EQ(EXPORT(ISO15693_Read)(0, 2, in, 0, 15, out, &length), 0);
    EXPECT_EQ(EXPORT(ISO15693_Read)(0, 2, in, 0, 0x10F, out, &length), 0);
    EXPECT_EQ(EXPORT(ISO15693_Get_Block_Security)(0, 2, in, 0, 63, out, &length), 0);
    ASSERT_EQ(sent().size(), 3u);
    EXPECT_EQ(sent_data(1).back(), 0x0F);
    EXPECT_EQ(sent_data(2).back(), 63);
}

// A request carries at most 251 data bytes: a longer exchange is refused rather
// than sent with a length byte that wrapped around.
TEST_F(CardCommandArguments, CommandsLongerThanARequestCanCarry) {
    expect_refused({
        {CALL(EXPORT(rf_cos_command)(0, in, 252, out, &length))},
        {CALL(EXPORT(rf_cos_command)(0, in, 255, out, &length))},
        {CALL(EXPORT(rf_sam_cos)(0, in, 252, out, &length))},
        {CALL(EXPORT(rf_typeb_cos)(0, 1, in, 251, out, &length))},  // with the leading byte
        {CALL(EXPORT(rf_select)(0, in, 252, &byte))},
    });
    EXPECT_EQ(EXPORT(rf_cos_command)(0, in, 251, out, &length), 0);
    EXPECT_EQ(EXPORT(rf_sam_cos)(0, in, 251, out, &length), 0);
    EXPECT_EQ(EXPORT(rf_typeb_cos)(0, 1, in, 250, out, &length), 0);
    fake_selmek::respond(0, {0x08});
    EXPECT_EQ(EXPORT(rf_select)(0, in, 251, &byte), 0);
    ASSERT_EQ(sent().size(), 4u);
    for (std::size_t i = 0; i < sent().size(); ++i) EXPECT_EQ(sent_data(i).size(), 251u) << i;
}

TEST_F(CardCommandArguments, NullPointersInEveryCardCommand) {
    std::uint8_t *no_out = nullptr;
    const std::uint8_t *no_in = nullptr;
    std::uint8_t *no_length = nullptr;
    expect_refused({
        {CALL(EXPORT(rf_request)(0, 0x26, no_out))},
        {CALL(EXPORT(rf_anticoll)(0, 4, no_out, &length))},
        {CALL(EXPORT(rf_anticoll)(0, 4, out, no_length))},
        {CALL(EXPORT(rf_select)(0, no_in, 4, &byte))},
        {CALL(EXPORT(rf_select)(0, no_in, 0, &byte))},
        {CALL(EXPORT(rf_select)(0, in, 4, no_out))},
        {CALL(EXPORT(rf_download_key)(0, 'A', no_in))},
        {CALL(EXPORT(rf_M1_authentication2)(0, 0x60, 4, no_in))},
        {CALL(EXPORT(rf_M1_read)(0, 4, no_out, &length))},
        {CALL(EXPORT(rf_M1_read)(0, 4, out, no_length))},
        {CALL(EXPORT(rf_M1_write)(0, 4, no_in))},
        {CALL(EXPORT(rf_M1_readval)(0, 4, nullptr))},
        {CALL(EXPORT(rf_request_080)(0, 1, 2, no_out, &length))},
        {CALL(EXPORT(rf_request_080)(0, 1, 2, out, no_length))},
        {CALL(EXPORT(rf_typea_rst)(0, 0x52, no_out, &length))},
        {CALL(EXPORT(rf_typea_rst)(0, 0x52, out, no_length))},
        {CALL(EXPORT(rf_cos_command)(0, no_in, 5, out, &length))},
        {CALL(EXPORT(rf_cos_command)(0, no_in, 0, out, &length))},
        {CALL(EXPORT(rf_cos_command)(0, in, 5, no_out, &length))},
        {CALL(EXPORT(rf_cos_command)(0, in, 5, out, no_length))},
        {CALL(EXPORT(rf_atqb)(0, 1, no_out, &length))},
        {CALL(EXPORT(rf_atqb)(0, 1, out, no_length))},
        {CALL(EXPORT(rf_typeb_cos)(0, 1, no_in, 5, out, &length))},
        {CALL(EXPORT(rf_typeb_cos)(0, 1, in, 5, no_out, &length))},
        {CALL(EXPORT(rf_typeb_cos)(0, 1, in, 5, out, no_length))},
        {CALL(EXPORT(rf_sam_rst)(0, no_out, &length))},
        {CALL(EXPORT(rf_sam_rst)(0, out, no_length))},
        {CALL(EXPORT(rf_sam_cos)(0, no_in, 5, out, &length))},
        {CALL(EXPORT(rf_sam_cos)(0, in, 5, no_out, &length))},
        {CALL(EXPORT(rf_sam_cos)(0, in, 5, out, no_length))},
        {CALL(EXPORT(rf_at020_check)(0, no_in))},
        {CALL(EXPORT(rf_at020_read)(0, 1, no_out, &length))},
        {CALL(EXPORT(rf_at020_read)(0, 1, out, no_length))},
        {CALL(EXPORT(rf_at020_write)(0, 1, no_in))},
        {CALL(EXPORT(rf_at020_lock)(0, no_in))},
        {CALL(EXPORT(rf_at020_count)(0, no_in))},
        {CALL(EXPORT(rf_st_select)(0, no_out))},
        {CALL(EXPORT(rf_sr176_readblock)(0, 1, no_out, &length))},
        {CALL(EXPORT(rf_sr176_readblock)(0, 1, out, no_length))},
        {CALL(EXPORT(rf_sr176_writeblock)(0, 1, no_in))},
        {CALL(EXPORT(rf_srix4k_readblock)(0, 1, no_out, &length))},
        {CALL(EXPORT(rf_srix4k_readblock)(0, 1, out, no_length))},
        {CALL(EXPORT(rf_srix4k_writeblock)(0, 1, no_in))},
        {CALL(EXPORT(rf_srix4k_authenticate)(0, no_in, out, &length))},
        {CALL(EXPORT(rf_srix4k_authenticate)(0, in, no_out, &length))},
        {CALL(EXPORT(rf_srix4k_authenticate)(0, in, out, no_length))},
        {CALL(EXPORT(rf_srix4k_getuid)(0, no_out, &length))},
        {CALL(EXPORT(rf_srix4k_getuid)(0, out, no_length))},
        {CALL(EXPORT(rf_ul_select)(0, no_out, &length))},
        {CALL(EXPORT(rf_ul_select)(0, out, no_length))},
        {CALL(EXPORT(rf_ul_write)(0, 4, no_in))},
        {CALL(EXPORT(rf_getlockcardinfo)(0, 0x52, no_out, &length, out))},
        {CALL(EXPORT(rf_getlockcardinfo)(0, 0x52, out, no_length, out))},
        {CALL(EXPORT(rf_getlockcardinfo)(0, 0x52, out, &length, no_out))},
        {CALL(EXPORT(ISO15693_Inventory)(0, no_out, &length))},
        {CALL(EXPORT(ISO15693_Inventory)(0, out, no_length))},
        {CALL(EXPORT(ISO15693_Stay_Quiet)(0, no_in))},
        {CALL(EXPORT(ISO15693_Select)(0, no_in))},
        {CALL(EXPORT(ISO15693_Reset_To_Ready)(0, 2, no_in))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, no_in, 0, 1, out, &length))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, in, 0, 1, no_out, &length))},
        {CALL(EXPORT(ISO15693_Read)(0, 2, in, 0, 1, out, no_length))},
        {CALL(EXPORT(ISO15693_Write)(0, 2, no_in, 0, in))},
        {CALL(EXPORT(ISO15693_Write)(0, 2, in, 0, no_in))},
        {CALL(EXPORT(ISO15693_Lock_Block)(0, 2, no_in, 0))},
        {CALL(EXPORT(ISO15693_Write_AFI)(0, 2, no_in, 0))},
        {CALL(EXPORT(ISO15693_Lock_AFI)(0, 2, no_in))},
        {CALL(EXPORT(ISO15693_Write_DSFID)(0, 2, no_in, 0))},
        {CALL(EXPORT(ISO15693_Lock_DSFID)(0, 2, no_in))},
        {CALL(EXPORT(ISO15693_Get_System_Information)(0, 2, no_in, out, &length))},
        {CALL(EXPORT(ISO15693_Get_System_Information)(0, 2, in, no_out, &length))},
        {CALL(EXPORT(ISO15693_Get_System_Information)(0, 2, in, out, no_length))},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 2, no_in, 0, 1, out, &length))},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 2, in, 0, 1, no_out, &length))},
        {CALL(EXPORT(ISO15693_Get_Block_Security)(0, 2, in, 0, 1, out, no_length))},
    });
}

TEST_F(CardCommandArguments, ARefusedCommandLeavesTheLastStatusAlone) {
    fake_selmek::respond(0x0A);
    EXPECT_EQ(EXPORT(rf_halt)(0), 0x0A);
    EXPECT_EQ(EXPORT(rf_atqb)(0, 2, out, &length), 1);
    EXPECT_EQ(EXPORT(rf_cos_command)(0, in, 252, out, &length), 1);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0x0A);
}

}  // namespace
