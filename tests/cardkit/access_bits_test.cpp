// Access bits: the byte triples cards carry, every condition in every group, the
// triples a card refuses, and the rights in words.

#include <gtest/gtest.h>

#include "cardkit/access_bits.h"

namespace {

using cardkit::AccessBits;
using cardkit::Bytes;

struct KnownTriple {
    const char *name;
    Bytes bytes;
    AccessBits access;
};

// Worked out by hand from the bit layout, not from the encoder.
const KnownTriple kKnownTriples[] = {
    {"transport FF0780", {0xFF, 0x07, 0x80}, {{0, 0, 0, 1}}},
    {"data open, trailer by key B 7F0788", {0x7F, 0x07, 0x88}, {{0, 0, 0, 3}}},
    {"directory sector 787788", {0x78, 0x77, 0x88}, {{4, 4, 4, 3}}},
    {"rechargeable values 08778F", {0x08, 0x77, 0x8F}, {{6, 6, 6, 3}}},
    {"read only 0F0F0F", {0x0F, 0x0F, 0x0F}, {{2, 2, 2, 2}}},
    {"each group its own DB4692", {0xDB, 0x46, 0x92}, {{1, 2, 4, 1}}},
};

TEST(AccessBits, WellKnownTriplesDecodeAndEncode) {
    for (const KnownTriple &known : kKnownTriples) {
        SCOPED_TRACE(known.name);
        EXPECT_EQ(cardkit::decode_access_bits(known.bytes), known.access);
        const auto encoded = cardkit::encode_access_bits(known.access);
        EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), known.bytes);
    }
}

TEST(AccessBits, EveryConditionInEveryGroupRoundTrips) {
    for (int packed = 0; packed < 8 * 8 * 8 * 8; ++packed) {
        AccessBits access;
        for (int group = 0; group < 4; ++group) {
            access.groups[group] =
                static_cast<cardkit::AccessCondition>((packed >> (3 * group)) & 7);
        }
        const auto encoded = cardkit::encode_access_bits(access);
        ASSERT_EQ(cardkit::decode_access_bits(encoded), access) << "conditions " << packed;
    }
}

TEST(AccessBits, EachConditionBitLandsInItsGroupsBitAndItsInverse) {
    // C1 of group g is bit g of byte 7's high nibble, C2 of byte 8's low nibble,
    // C3 of byte 8's high nibble; the inverted copies sit in bytes 6 and 7.
    for (int group = 0; group < 4; ++group) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1 << group);
        AccessBits access;
        access.groups[group] = 4;  // C1
        auto bytes = cardkit::encode_access_bits(access);
        EXPECT_EQ(bytes[1] >> 4, bit);
        EXPECT_EQ(bytes[0] & 0x0F, 0x0F ^ bit);
        access.groups[group] = 2;  // C2
        bytes = cardkit::encode_access_bits(access);
        EXPECT_EQ(bytes[2] & 0x0F, bit);
        EXPECT_EQ(bytes[0] >> 4, 0x0F ^ bit);
        access.groups[group] = 1;  // C3
        bytes = cardkit::encode_access_bits(access);
        EXPECT_EQ(bytes[2] >> 4, bit);
        EXPECT_EQ(bytes[1] & 0x0F, 0x0F ^ bit);
    }
}

TEST(AccessBits, TriplesWhoseCopiesDisagreeAreInvalid) {
    const Bytes transport = {0xFF, 0x07, 0x80};
    for (int bit = 0; bit < 24; ++bit) {
        Bytes flipped = transport;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
        EXPECT_FALSE(cardkit::decode_access_bits(flipped)) << "bit " << bit;
    }
    for (const Bytes &bytes : {Bytes{0, 0, 0}, Bytes{0xFF, 0xFF, 0xFF}, Bytes{0xFF, 0x07}}) {
        EXPECT_FALSE(cardkit::decode_access_bits(bytes));
    }
}

TEST(AccessBits, RightsReadInWords) {
    const struct {
        cardkit::AccessCondition condition;
        const char *data;
        const char *trailer;
    } rows[] = {
        {0,
         "read by key A or B, write by key A or B, increment by key A or B, "
         "decrement/transfer/restore by key A or B",
         "write key A by key A; read access bits by key A, write access bits never; "
         "read key B by key A, write key B by key A; key B is readable, so it is not a key"},
        {1,
         "read by key A or B, write never, increment never, decrement/transfer/restore by key A or "
         "B",
         "write key A by key A; read access bits by key A, write access bits by key A; "
         "read key B by key A, write key B by key A; key B is readable, so it is not a key"},
        {3, "read by key B, write by key B, increment never, decrement/transfer/restore never",
         "write key A by key B; read access bits by key A or B, write access bits by key B; "
         "read key B never, write key B by key B"},
        {6,
         "read by key A or B, write by key B, increment by key B, "
         "decrement/transfer/restore by key A or B",
         "write key A never; read access bits by key A or B, write access bits never; "
         "read key B never, write key B never"},
        {7, "read never, write never, increment never, decrement/transfer/restore never",
         "write key A never; read access bits by key A or B, write access bits never; "
         "read key B never, write key B never"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(cardkit::describe_data_block(row.condition), row.data);
        EXPECT_EQ(cardkit::describe_trailer(row.condition), row.trailer);
    }
}

TEST(AccessBits, ConditionsReadAndWriteAsThreeDigits) {
    for (cardkit::AccessCondition condition = 0; condition < 8; ++condition)
        EXPECT_EQ(cardkit::parse_condition_bits(cardkit::condition_bits(condition)), condition);
    EXPECT_EQ(cardkit::condition_bits(6), "110");
    for (const char *refused : {"", "01", "0011", "012", "1a0", " 01"})
        EXPECT_EQ(cardkit::parse_condition_bits(refused), std::nullopt) << refused;
}

TEST(AccessBits, ARightNamesTheKeysThatMayExerciseIt) {
    using cardkit::KeyRight, cardkit::KeyType;
    const struct {
        KeyRight right;
        bool by_a, by_b;
    } rows[] = {
        {KeyRight::Never, false, false},
        {KeyRight::KeyA, true, false},
        {KeyRight::KeyB, false, true},
        {KeyRight::KeyAOrB, true, true},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(cardkit::key_right_allows(row.right, KeyType::A), row.by_a);
        EXPECT_EQ(cardkit::key_right_allows(row.right, KeyType::B), row.by_b);
    }
}

TEST(AccessBits, LargeSectorsShareAConditionAmongFiveBlocks) {
    const int small[] = {0, 1, 2, 3};
    const int large[] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3};
    for (int block = 0; block < 4; ++block)
        EXPECT_EQ(cardkit::access_group(block, 4), small[block]);
    for (int block = 0; block < 16; ++block)
        EXPECT_EQ(cardkit::access_group(block, 16), large[block]);

    const auto lines = cardkit::describe_access({{0, 2, 6, 1}}, 16);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].starts_with("blocks 0-4 (000): read by key A or B"));
    EXPECT_TRUE(lines[1].starts_with("blocks 5-9 (010): "));
    EXPECT_TRUE(lines[2].starts_with("blocks 10-14 (110): "));
    EXPECT_TRUE(lines[3].starts_with("trailer (001): write key A by key A"));
    EXPECT_TRUE(
        cardkit::describe_access(cardkit::kTransportAccess, 4)[2].starts_with("block 2 (000)"));
}

}  // namespace
