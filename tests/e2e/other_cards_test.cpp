// The SAM and the cards of the other protocols as their pages work them:
// AT88RF020, the Type B processor card, SR176, SRIX4K and ISO 15693 tags.

#include <cstring>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

class OtherCards : public ReaderTest {};

TEST_F(OtherCards, SamResetAndCommands) {
    ASSERT_EQ(connect({}), 0);
    std::uint8_t answer[256] = {};
    std::uint8_t length = 0;
    const std::uint8_t challenge[] = {0x00, 0x84, 0x00, 0x00, 0x08};
    EXPECT_EQ(DROVIK(rf_sam_cos)(0, challenge, 5, answer, &length), 0x10);  // not reset yet
    ASSERT_EQ(DROVIK(rf_init_sam)(0, 1), 0);
    ASSERT_EQ(DROVIK(rf_sam_rst)(0, answer, &length), 0);
    EXPECT_EQ(answer[0], 0x3B);
    EXPECT_EQ(length, 16);
    ASSERT_EQ(DROVIK(rf_sam_cos)(0, challenge, 5, answer, &length), 0);
    EXPECT_EQ(length, 10);
    EXPECT_EQ(bytes(answer + 8, 2), (Bytes{0x90, 0x00}));
    const std::uint8_t wrong_class[] = {0xFF, 0x84, 0x00, 0x00, 0x08};
    ASSERT_EQ(DROVIK(rf_sam_cos)(0, wrong_class, 5, answer, &length), 0);
    EXPECT_EQ(bytes(answer, length), (Bytes{0x6E, 0x00}));
}

TEST_F(OtherCards, At88rf020Page) {
    ASSERT_EQ(connect({}), 0);  // the default field holds one
    power_up('r');
    std::uint8_t atqb[16] = {}, length = 0;
    ASSERT_EQ(DROVIK(rf_atqb)(0, 0, atqb, &length), 0);
    ASSERT_EQ(length, 12);
    EXPECT_EQ(bytes(atqb + 1, 4), (Bytes{0x4D, 0xAA, 0x20, 0x17}));  // the PUPI

    const std::uint8_t password[8] = {};
    EXPECT_EQ(DROVIK(rf_at020_check)(0, password), 0);
    std::uint8_t page[8] = {1, 2, 3};
    EXPECT_EQ(DROVIK(rf_at020_write)(0, 5, page), 0);
    std::uint8_t read[8] = {};
    for (std::int32_t number = 0; number < 32; ++number) {
        if (number == 3) continue;  // the password page is not read
        ASSERT_EQ(DROVIK(rf_at020_read)(0, number, read, &length), 0) << "page " << number;
        EXPECT_EQ(length, 8);
        if (number == 5) {
            EXPECT_EQ(bytes(read, 8), bytes(page, 8));
        }
    }
    EXPECT_EQ(DROVIK(rf_at020_read)(0, 3, read, &length), 0x06);

    const std::uint8_t lock[4] = {0x20, 0x00, 0x00, 0x00};
    EXPECT_EQ(DROVIK(rf_at020_lock)(0, lock), 0);
    ASSERT_EQ(DROVIK(rf_at020_read)(0, 0, read, &length), 0);
    EXPECT_EQ(bytes(read + 4, 4), bytes(lock, 4));
    EXPECT_EQ(DROVIK(rf_at020_write)(0, 5, page), 0x06);

    const std::uint8_t signature[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(DROVIK(rf_at020_count)(0, signature), 0);
    ASSERT_EQ(DROVIK(rf_at020_read)(0, 2, read, &length), 0);
    EXPECT_EQ(bytes(read, 8), (Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x00, 0x01}));

    EXPECT_EQ(DROVIK(rf_at020_deselect)(0), 0);
    EXPECT_EQ(DROVIK(rf_at020_read)(0, 1, read, &length), 0x02);
}

TEST_F(OtherCards, TypeBProcessorCard) {
    ASSERT_EQ(connect({}), 0);
    power_up('B');
    std::uint8_t atqb[16] = {}, length = 0;
    ASSERT_EQ(DROVIK(rf_atqb)(0, 1, atqb, &length), 0);
    ASSERT_EQ(length, 12);
    // The PUPI as the ATQB holds it in memory, passed as one 32-bit value.
    std::uint32_t pupi = 0;
    std::memcpy(&pupi, atqb + 1, 4);
    ASSERT_EQ(DROVIK(rf_attrib)(0, pupi, 0), 0);
    std::uint8_t answer[256] = {};
    const std::uint8_t challenge[] = {0x00, 0x84, 0x00, 0x00, 0x04};
    ASSERT_EQ(DROVIK(rf_typeb_cos)(0, 0, challenge, 5, answer, &length), 0);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(bytes(answer + 4, 2), (Bytes{0x90, 0x00}));
    EXPECT_EQ(DROVIK(rf_hltb)(0, pupi), 0);
    EXPECT_EQ(DROVIK(rf_atqb)(0, 0, atqb, &length), 0x02);  // halted: only a wake-up
    EXPECT_EQ(DROVIK(rf_atqb)(0, 1, atqb, &length), 0);
}

TEST_F(OtherCards, Sr176Page) {
    ASSERT_EQ(connect({"sr176"}), 0);
    power_up('s');
    std::uint8_t chip = 0;
    ASSERT_EQ(DROVIK(rf_st_select)(0, &chip), 0);
    EXPECT_EQ(chip, 0x06);
    std::uint8_t block[2] = {}, length = 0;
    for (std::int32_t number = 0; number < 16; ++number) {
        ASSERT_EQ(DROVIK(rf_sr176_readblock)(0, number, block, &length), 0) << number;
        EXPECT_EQ(length, 2);
    }
    EXPECT_EQ(bytes(block, 2), (Bytes{0x00, 0x06}));  // block 15: lock byte, chip ID
    const std::uint8_t data[2] = {0x12, 0x34};
    EXPECT_EQ(DROVIK(rf_sr176_writeblock)(0, 9, data), 0);
    ASSERT_EQ(DROVIK(rf_sr176_readblock)(0, 9, block, &length), 0);
    EXPECT_EQ(bytes(block, 2), bytes(data, 2));
    EXPECT_EQ(DROVIK(rf_sr176_protectblock)(0, 0x10), 0);  // blocks 8 and 9, from the next select
    power_up('s');
    ASSERT_EQ(DROVIK(rf_st_select)(0, &chip), 0);
    EXPECT_EQ(DROVIK(rf_sr176_writeblock)(0, 9, data), 0x06);
    EXPECT_EQ(DROVIK(rf_st_completion)(0), 0);
    EXPECT_EQ(DROVIK(rf_sr176_readblock)(0, 9, block, &length), 0x02);
}

TEST_F(OtherCards, Srix4kPage) {
    ASSERT_EQ(connect({}), 0);
    power_up('s');
    std::uint8_t chip = 0;
    ASSERT_EQ(DROVIK(rf_st_select)(0, &chip), 0);
    EXPECT_EQ(chip, 0x5D);
    std::uint8_t uid[8] = {}, length = 0;
    ASSERT_EQ(DROVIK(rf_srix4k_getuid)(0, uid, &length), 0);
    EXPECT_EQ(bytes(uid, 8), (Bytes{0xD0, 0x02, 0x0C, 0x4B, 0x13, 0x72, 0xA9, 0xE5}));

    const std::uint8_t data[4] = {0xAA, 0xBB, 0xCC, 0xDD};
    EXPECT_EQ(DROVIK(rf_srix4k_writeblock)(0, 70, data), 0);
    std::uint8_t block[4] = {};
    for (std::int32_t number = 0; number < 128; ++number) {
        ASSERT_EQ(DROVIK(rf_srix4k_readblock)(0, number, block, &length), 0) << number;
        EXPECT_EQ(length, 4);
        if (number == 70) {
            EXPECT_EQ(bytes(block, 4), bytes(data, 4));
        }
    }
    EXPECT_EQ(DROVIK(rf_srix4k_writelockreg)(0, 0xFE), 0);  // blocks 7 and 8
    EXPECT_EQ(DROVIK(rf_srix4k_writeblock)(0, 7, data), 0x06);
    const std::uint8_t challenge[6] = {1, 2, 3, 4, 5, 6};
    std::uint8_t answer[16] = {};
    EXPECT_EQ(DROVIK(rf_srix4k_authenticate)(0, challenge, answer, &length), 0);
    EXPECT_EQ(length, 3);
}

class Iso15693Page : public ReaderTest {
  protected:
    // Get Information: the 14-byte system information; `uid` gets bytes 1 to 8.
    Bytes get_information(std::uint8_t *uid) {
        EXPECT_EQ(DROVIK(rf_init_type)(0, '1'), 0);
        const std::uint8_t unused[8] = {};
        std::uint8_t info[256] = {}, length = 0;
        EXPECT_EQ(DROVIK(ISO15693_Get_System_Information)(0, 0x00, unused, info, &length), 0);
        std::memcpy(uid, info + 1, 8);
        return bytes(info, length);
    }
};

TEST_F(Iso15693Page, SixtyFourBlockTag) {
    ASSERT_EQ(connect({}), 0);
    std::uint8_t uid[8];
    const Bytes info = get_information(uid);
    ASSERT_EQ(info.size(), 14u);
    EXPECT_EQ(bytes(uid, 8), (Bytes{0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0}));
    EXPECT_NE(info[7], 0x04);  // not the 28-block layout

    const std::uint8_t flags = 0x06;
    EXPECT_EQ(DROVIK(ISO15693_Write_DSFID)(0, flags, uid, 0x21), 0);
    EXPECT_EQ(DROVIK(ISO15693_Lock_DSFID)(0, flags, uid), 0);
    EXPECT_EQ(DROVIK(ISO15693_Write_DSFID)(0, flags, uid, 0x22), 0x06);
    EXPECT_EQ(DROVIK(ISO15693_Write_AFI)(0, flags, uid, 0x33), 0);
    EXPECT_EQ(DROVIK(ISO15693_Lock_AFI)(0, flags, uid), 0);
    EXPECT_EQ(DROVIK(ISO15693_Lock_AFI)(0, flags, uid), 0x09);

    const std::uint8_t data[4] = {0xDE, 0xC0, 0xAD, 0x0B};
    EXPECT_EQ(DROVIK(ISO15693_Write)(0, flags, uid, 60, data), 0);
    EXPECT_EQ(DROVIK(ISO15693_Lock_Block)(0, flags, uid, 60), 0);
    EXPECT_EQ(DROVIK(ISO15693_Write)(0, flags, uid, 60, data), 0x06);

    // Read as the page does: five reads and three security calls, flags 02.
    Bytes all;
    std::uint8_t reply[256] = {}, length = 0;
    for (const auto &[first, count] : {std::pair{0, 14}, {14, 14}, {28, 14}, {42, 14}, {56, 8}}) {
        ASSERT_EQ(DROVIK(ISO15693_Read)(0, 0x02, uid, first, count, reply, &length), 0);
        ASSERT_EQ(length, 4 * count);
        all.insert(all.end(), reply, reply + length);
    }
    EXPECT_EQ(Bytes(all.begin() + 240, all.begin() + 244), bytes(data, 4));
    Bytes security;
    for (const auto &[first, count] : {std::pair{0, 28}, {28, 28}, {56, 8}}) {
        ASSERT_EQ(DROVIK(ISO15693_Get_Block_Security)(0, 0x02, uid, first, count, reply, &length),
                  0);
        ASSERT_EQ(length, count);
        security.insert(security.end(), reply, reply + length);
    }
    for (int block = 0; block < 64; ++block) EXPECT_EQ(security[block], block == 60 ? 1 : 0);

    EXPECT_EQ(get_information(uid)[9], 0x21);  // the locked DSFID
    std::uint8_t inventory[16] = {};
    ASSERT_EQ(DROVIK(ISO15693_Inventory)(0, inventory, &length), 0);
    EXPECT_EQ(bytes(inventory, 9), (Bytes{0x21, 0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0}));
}

TEST_F(Iso15693Page, IcodeTagWithTwentyEightBlocks) {
    ASSERT_EQ(connect({"icode"}), 0);
    std::uint8_t uid[8];
    const Bytes info = get_information(uid);
    ASSERT_GE(info.size(), 12u);
    EXPECT_EQ(info[7], 0x04);
    std::uint8_t reply[256] = {}, length = 0;
    EXPECT_EQ(DROVIK(ISO15693_Read)(0, 0x02, uid, 14, 14, reply, &length), 0);
    EXPECT_EQ(DROVIK(ISO15693_Get_Block_Security)(0, 0x02, uid, 0, 28, reply, &length), 0);
    EXPECT_EQ(length, 28);
    EXPECT_EQ(DROVIK(ISO15693_Read)(0, 0x02, uid, 28, 1, reply, &length), 0x08);
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(DROVIK(ISO15693_Write)(0, 0x02, uid, 27, data), 0);
}

}  // namespace
