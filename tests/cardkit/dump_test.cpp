// The dump model: unknown bytes, keys kept in the trailer, and sizes it refuses.

#include <gtest/gtest.h>

#include "cardkit/dump.h"
#include "sample_dumps.h"

namespace {

using namespace cardkit;

TEST(CardDump, KeysAndAccessBitsAreKnownExactlyWhenTheirTrailerBytesAre) {
    CardDump dump = CardDump::mifare_classic(MifareType::Classic4K);
    EXPECT_TRUE(dump.block_unknown(255));
    EXPECT_EQ(dump.key(39, KeyType::A), std::nullopt);

    const MifareKey key = {1, 2, 3, 4, 5, 6};
    dump.set_key(39, KeyType::B, key);
    EXPECT_EQ(dump.key(39, KeyType::B), key);
    EXPECT_EQ(dump.block(255)[kTrailerKeyB], 1);
    EXPECT_FALSE(dump.block_unknown(255));
    EXPECT_FALSE(dump.block_known(255));
    EXPECT_EQ(dump.access_bits(39), std::nullopt);

    dump.set_bytes(255, kTrailerAccessBits, Bytes{0xFF, 0x07, 0x80});
    EXPECT_EQ(dump.access_bits(39), kTransportAccess);
    dump.set_bytes(255, kTrailerAccessBits, Bytes{0xFF, 0x07, 0x81});
    EXPECT_EQ(dump.access_bits(39), std::nullopt);

    dump.forget_bytes(255, kTrailerKeyB + 2, 1);
    EXPECT_EQ(dump.key(39, KeyType::B), std::nullopt);
}

TEST(CardDump, RefusesBlocksAndSectorsItDoesNotHave) {
    CardDump dump = CardDump::mifare_classic(MifareType::Classic1K);
    EXPECT_THROW(dump.block(64), std::out_of_range);
    EXPECT_THROW(dump.set_block(0, Bytes(15)), std::invalid_argument);
    EXPECT_THROW(dump.set_bytes(0, 10, Bytes(7)), std::out_of_range);
    EXPECT_THROW(dump.key(16, KeyType::A), std::out_of_range);
    EXPECT_THROW(CardDump::ultralight().sector_count(), std::logic_error);
    EXPECT_THROW(dump.set_system_block(std::nullopt), std::logic_error);
    EXPECT_THROW(CardDump::iso15693(4, 4).set_block_security(Bytes(3)), std::invalid_argument);
    EXPECT_THROW(CardDump::iso15693(257, 4), std::invalid_argument);
}

TEST(CardDump, IdentityInBlocksNeedsAValidCheckByte) {
    CardDump dump = cardkit_test::mifare_dump(MifareType::Classic1K, false);
    EXPECT_EQ(identity_in_blocks(dump).uid, (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
    EXPECT_EQ(identity_in_blocks(dump).sak, 0x08);
    dump.set_bytes(0, 4, Bytes{0x00});
    EXPECT_EQ(identity_in_blocks(dump), CardIdentity{});
    EXPECT_EQ(identity_in_blocks(cardkit_test::ultralight_dump()).uid.size(), 7u);
}

}  // namespace
