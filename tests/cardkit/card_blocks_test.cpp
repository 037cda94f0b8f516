// The Mifare Classic layout, value blocks and the identity in the first blocks.

#include <gtest/gtest.h>

#include <limits>

#include "cardkit/manufacturer_block.h"
#include "cardkit/mifare_layout.h"
#include "cardkit/value_block.h"

namespace {

using cardkit::Bytes;
using cardkit::MifareType;

TEST(MifareLayout, SizesAndSectorBoundaries) {
    const struct {
        MifareType type;
        int sectors, blocks;
    } sizes[] = {{MifareType::Mini, 5, 20},
                 {MifareType::Classic1K, 16, 64},
                 {MifareType::Classic2K, 32, 128},
                 {MifareType::Classic4K, 40, 256}};
    for (const auto &size : sizes) {
        EXPECT_EQ(cardkit::sector_count(size.type), size.sectors);
        EXPECT_EQ(cardkit::block_count(size.type), size.blocks);
        EXPECT_EQ(cardkit::mifare_type_from_block_count(size.blocks), size.type);
    }
    const struct {
        int sector, first, count;
    } sectors[] = {{0, 0, 4}, {15, 60, 4}, {31, 124, 4}, {32, 128, 16}, {39, 240, 16}};
    for (const auto &sector : sectors) {
        EXPECT_EQ(cardkit::first_block(sector.sector), sector.first);
        EXPECT_EQ(cardkit::blocks_in_sector(sector.sector), sector.count);
        EXPECT_EQ(cardkit::trailer_block(sector.sector), sector.first + sector.count - 1);
        EXPECT_EQ(cardkit::sector_of_block(sector.first + sector.count - 1), sector.sector);
        EXPECT_TRUE(cardkit::is_trailer(sector.first + sector.count - 1));
        EXPECT_FALSE(cardkit::is_trailer(sector.first));
    }
    EXPECT_EQ(cardkit::mifare_type_from_block_count(63), std::nullopt);
    EXPECT_EQ(cardkit::mifare_type_holding(21), MifareType::Classic1K);
    EXPECT_EQ(cardkit::mifare_type_holding(257), std::nullopt);
    EXPECT_EQ(cardkit::mifare_type_from_sak(0x18), MifareType::Classic4K);
    EXPECT_EQ(cardkit::mifare_type_from_sak(0x20), std::nullopt);
    EXPECT_EQ(cardkit::mifare_type_from_name("mini"), MifareType::Mini);
    EXPECT_EQ(cardkit::mifare_type_from_name("8K"), std::nullopt);
}

TEST(ValueBlock, EncodesInTheCardsLayoutAndDecodesBack) {
    const auto block = cardkit::encode_value_block({100, 4});
    EXPECT_EQ(Bytes(block.begin(), block.end()), (Bytes{0x64, 0, 0, 0, 0x9B, 0xFF, 0xFF, 0xFF, 0x64,
                                                        0, 0, 0, 0x04, 0xFB, 0x04, 0xFB}));
    for (const cardkit::ValueBlock value : {cardkit::ValueBlock{0, 0},
                                            {-1, 255},
                                            {std::numeric_limits<std::int32_t>::min(), 7},
                                            {std::numeric_limits<std::int32_t>::max(), 128}}) {
        EXPECT_EQ(cardkit::decode_value_block(cardkit::encode_value_block(value)), value);
    }
}

TEST(ValueBlock, EachBrokenCopyIsNamed) {
    const auto good = cardkit::encode_value_block({100, 4});
    const struct {
        int byte;
        cardkit::ValueBlockFault fault;
    } breaks[] = {
        {0, cardkit::ValueBlockFault::ValueCopiesDiffer},
        {5, cardkit::ValueBlockFault::ValueCopiesDiffer},
        {11, cardkit::ValueBlockFault::ValueCopiesDiffer},
        {12, cardkit::ValueBlockFault::AddressCopiesDiffer},
        {15, cardkit::ValueBlockFault::AddressCopiesDiffer},
    };
    for (const auto &broken : breaks) {
        auto block = good;
        block[broken.byte] ^= 0x01;
        EXPECT_EQ(cardkit::check_value_block(block), broken.fault) << "byte " << broken.byte;
        EXPECT_FALSE(cardkit::decode_value_block(block));
    }
    EXPECT_EQ(cardkit::check_value_block(cardkit::ByteView(good).first(15)),
              cardkit::ValueBlockFault::WrongSize);
}

TEST(ManufacturerBlock, DecodesUidCheckByteSakAndAtqa) {
    const Bytes block = {0x5A, 0x3C, 0x71, 0xE2, 0xF5, 0x08, 0x04, 0x00,
                         0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    const auto decoded = cardkit::decode_manufacturer_block(block);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->uid, (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
    EXPECT_TRUE(decoded->check_byte_valid);
    EXPECT_EQ(decoded->sak, 0x08);
    EXPECT_EQ(decoded->atqa, (std::array<std::uint8_t, 2>{0x04, 0x00}));
    EXPECT_EQ(decoded->maker_data, Bytes(block.begin() + 8, block.end()));

    const auto encoded = cardkit::encode_manufacturer_block({0x5A, 0x3C, 0x71, 0xE2}, 0x08,
                                                            {0x04, 0x00}, decoded->maker_data);
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), block);

    Bytes bad = block;
    bad[4] ^= 0xFF;
    EXPECT_FALSE(cardkit::decode_manufacturer_block(bad)->check_byte_valid);

    const auto seven = cardkit::decode_manufacturer_block(block, 7);
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->uid.size(), 7u);
    EXPECT_EQ(seven->sak, 0x00);
    EXPECT_EQ(seven->atqa, (std::array<std::uint8_t, 2>{0x62, 0x63}));
    EXPECT_FALSE(cardkit::decode_manufacturer_block(cardkit::ByteView(block).first(8)));
}

TEST(ManufacturerBlock, UltralightUidAndItsTwoCheckBytes) {
    Bytes pages = {0x04, 0x6E, 0x31, 0xD3, 0x5A, 0x2B, 0x48, 0x80, 0xB9, 0x48, 0x00, 0x00};
    const auto identity = cardkit::decode_ultralight_identity(pages);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->uid,
              (std::array<std::uint8_t, 7>{0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80}));
    EXPECT_TRUE(identity->check_bytes_valid);
    pages[8] ^= 1;
    EXPECT_FALSE(cardkit::decode_ultralight_identity(pages)->check_bytes_valid);
}

}  // namespace
