// The Type A cards as their pages work them: Mifare Classic (search, purse, block
// windows), Ultralight, the ISO 14443-4 card.

#include <cstring>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

const std::uint8_t kDefaultKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

class TypeACards : public ReaderTest {
  protected:
    // The Mifare page's card search: the 4-byte UID.
    Bytes search_mifare() {
        power_up('A');
        std::uint8_t atqa[2] = {}, uid[10] = {}, length = 0, sak = 0;
        EXPECT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0);
        EXPECT_EQ(DROVIK(rf_anticoll)(0, 4, uid, &length), 0);
        EXPECT_EQ(length, 4);
        EXPECT_EQ(DROVIK(rf_select)(0, uid, 4, &sak), 0);
        return bytes(uid, length);
    }
    std::int32_t authenticate(std::int32_t block, std::int32_t code = 0x60,
                              const std::uint8_t *key = kDefaultKey) {
        return DROVIK(rf_M1_authentication2)(0, code, block, key);
    }
    Bytes read_block(std::int32_t block) {
        std::uint8_t data[16] = {};
        std::uint8_t length = 0;
        EXPECT_EQ(DROVIK(rf_M1_read)(0, block, data, &length), 0) << "block " << block;
        EXPECT_EQ(length, 16);
        return bytes(data, 16);
    }
};

TEST_F(TypeACards, MifareSearchFindsTheCardsUid) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    EXPECT_EQ(search_mifare(), (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
}

TEST_F(TypeACards, MifarePurseInitialiseIncreaseDecreaseBalance) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    search_mifare();
    const std::int32_t block = 5 * 4 + 2;
    ASSERT_EQ(authenticate(5 * 4), 0);
    EXPECT_EQ(DROVIK(rf_M1_initval)(0, block, 1000), 0);
    EXPECT_EQ(DROVIK(rf_M1_increment)(0, block, 500), 0);
    EXPECT_EQ(DROVIK(rf_M1_decrement)(0, block, 1700), 0);
    std::int32_t balance = 0;
    EXPECT_EQ(DROVIK(rf_M1_readval)(0, block, &balance), 0);
    EXPECT_EQ(balance, -200);
    // The block holds the card's own value format.
    const Bytes stored = read_block(block);
    EXPECT_EQ(Bytes(stored.begin() + 12, stored.end()), (Bytes{22, 0xE9, 22, 0xE9}));
    // Restore and transfer: a copy in block 21 of the same sector.
    EXPECT_EQ(DROVIK(rf_M1_restore)(0, block), 0);
    EXPECT_EQ(DROVIK(rf_M1_transfer)(0, 21), 0);
    EXPECT_EQ(DROVIK(rf_M1_readval)(0, 21, &balance), 0);
    EXPECT_EQ(balance, -200);
}

TEST_F(TypeACards, MifareBlockWindowReadsDataAndTrailerAndWrites) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    search_mifare();
    ASSERT_EQ(authenticate(8), 0);
    std::uint8_t data[16];
    for (int i = 0; i < 16; ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);
    EXPECT_EQ(DROVIK(rf_M1_write)(0, 9, data), 0);
    EXPECT_EQ(read_block(8), Bytes(16, 0x00));
    EXPECT_EQ(read_block(9), bytes(data, 16));
    EXPECT_EQ(read_block(11), (Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0x07, 0x80, 0x69, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF}));
    // The manufacturer block is never written.
    ASSERT_EQ(authenticate(0), 0);
    EXPECT_EQ(DROVIK(rf_M1_write)(0, 0, data), 0x06);
}

TEST_F(TypeACards, MifareWrongKeyFailsAndTheCardMustBeFoundAgain) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    search_mifare();
    const std::uint8_t wrong[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(authenticate(4, 0x60, wrong), 0x04);
    EXPECT_EQ(authenticate(4), 0x02);  // the card left the selected state
    search_mifare();
    EXPECT_EQ(authenticate(4), 0);
    // In the shipped configuration key B is readable, so it does not authenticate.
    EXPECT_EQ(authenticate(4, 0x61), 0x04);
}

TEST_F(TypeACards, MifareKeysLoadedIntoTheReader) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    search_mifare();
    std::uint8_t keys[96];
    std::memset(keys, 0xFF, sizeof keys);
    EXPECT_EQ(DROVIK(rf_download_key)(0, 'A', keys), 0);
    EXPECT_EQ(DROVIK(rf_M1_authentication1)(0, 'A', 12), 0);
    EXPECT_EQ(read_block(13), Bytes(16, 0x00));
}

TEST_F(TypeACards, Mifare4kLargeSectorWindow) {
    ASSERT_EQ(connect({"mifare4k"}), 0);
    search_mifare();
    const std::int32_t first = 128 + 16 * (39 - 32);
    ASSERT_EQ(authenticate(first), 0);
    std::uint8_t data[16];
    std::memset(data, 0x39, sizeof data);
    EXPECT_EQ(DROVIK(rf_M1_write)(0, first + 14, data), 0);
    for (std::int32_t block = first; block < first + 15; ++block) {
        EXPECT_EQ(read_block(block), block == first + 14 ? bytes(data, 16) : Bytes(16, 0));
    }
    EXPECT_EQ(read_block(first + 15)[6], 0xFF);  // the trailer's access bits
}

TEST_F(TypeACards, UltralightSearchReadAndWrite) {
    ASSERT_EQ(connect({"ultralight"}), 0);
    power_up('A');
    std::uint8_t atqa[2] = {}, uid[10] = {}, length = 0;
    ASSERT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0);
    EXPECT_EQ(bytes(atqa, 2), (Bytes{0x44, 0x00}));
    ASSERT_EQ(DROVIK(rf_ul_select)(0, uid, &length), 0);
    EXPECT_EQ(bytes(uid, length), (Bytes{0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80}));

    const std::uint8_t page[4] = {0xCA, 0xFE, 0xBA, 0xBE};
    EXPECT_EQ(DROVIK(rf_ul_write)(0, 7, page), 0);
    Bytes pages;
    for (int read = 0; read < 4; ++read) {
        const Bytes four = read_block(4 * read);
        pages.insert(pages.end(), four.begin(), four.end());
    }
    ASSERT_EQ(pages.size(), 64u);
    EXPECT_EQ(Bytes(pages.begin(), pages.begin() + 3), (Bytes{0x04, 0x6E, 0x31}));
    EXPECT_EQ(Bytes(pages.begin() + 28, pages.begin() + 32), bytes(page, 4));

    // Lock page 7 through the lock bytes of page 2: the next write is refused.
    const std::uint8_t locks[4] = {0x00, 0x00, 0x80, 0x00};
    EXPECT_EQ(DROVIK(rf_ul_write)(0, 2, locks), 0);
    EXPECT_EQ(DROVIK(rf_ul_write)(0, 7, page), 0x06);
}

TEST_F(TypeACards, LockCardInfoTakesEitherUidSize) {
    ASSERT_EQ(connect({"ultralight"}), 0);
    power_up('A');
    std::uint8_t uid[10] = {}, length = 0, atqa[4] = {};
    EXPECT_EQ(DROVIK(rf_getlockcardinfo)(0, 0x52, uid, &length, atqa), 0);
    EXPECT_EQ(length, 7);
    DROVIK(rf_ClosePort)();
    connected_ = false;
    sim_.stop();

    ASSERT_EQ(connect({"mifare1k"}), 0);
    power_up('A');
    EXPECT_EQ(DROVIK(rf_getlockcardinfo)(0, 0x52, uid, &length, atqa), 0);
    EXPECT_EQ(bytes(uid, length), (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
}

TEST_F(TypeACards, NoCardWithTheFieldOffOrInAnotherProtocol) {
    ASSERT_EQ(connect({"mifare1k"}), 0);
    std::uint8_t atqa[2];
    power_up('B');
    EXPECT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0x02);
    power_up('A');
    ASSERT_EQ(DROVIK(rf_antenna_sta)(0, 0), 0);
    EXPECT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0x02);
}

TEST_F(TypeACards, ProcessorCardResetAndCommands) {
    ASSERT_EQ(connect({"cpu-a"}), 0);
    power_up('A');
    std::uint8_t answer[256] = {};
    std::uint8_t length = 0;
    ASSERT_EQ(DROVIK(rf_typea_rst)(0, 0x52, answer, &length), 0);
    ASSERT_EQ(length, 20);
    EXPECT_EQ(bytes(answer, 4), (Bytes{0x3E, 0x81, 0x22, 0x6D}));  // CSN
    EXPECT_EQ(answer[4], 16);                                      // the ATS's own length

    const std::uint8_t challenge[] = {0x00, 0x84, 0x00, 0x00, 0x08};
    ASSERT_EQ(DROVIK(rf_cos_command)(0, challenge, 5, answer, &length), 0);
    ASSERT_EQ(length, 10);
    EXPECT_EQ(bytes(answer + 8, 2), (Bytes{0x90, 0x00}));

    const std::uint8_t select[] = {0x00, 0xA4, 0x04, 0x00, 0x09, 0xF0, 0x54,
                                   0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45, 0x01};
    ASSERT_EQ(DROVIK(rf_cos_command)(0, select, sizeof select, answer, &length), 0);
    EXPECT_EQ(answer[0], 0x6F);
    EXPECT_EQ(bytes(answer + length - 2, 2), (Bytes{0x90, 0x00}));

    const std::uint8_t unknown[] = {0x00, 0xCA, 0x00, 0x00, 0x00};
    ASSERT_EQ(DROVIK(rf_cos_command)(0, unknown, 5, answer, &length), 0);
    EXPECT_EQ(bytes(answer, length), (Bytes{0x6D, 0x00}));

    EXPECT_EQ(DROVIK(rf_cl_deselect)(0), 0);
    EXPECT_EQ(DROVIK(rf_cos_command)(0, challenge, 5, answer, &length), 0x02);
}

}  // namespace
