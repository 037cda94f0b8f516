#include "cards/mifare_access.h"

namespace sim {

namespace {

// Which keys a table entry admits.
enum : std::uint8_t { kNever = 0, kKeyA = 1, kKeyB = 2, kEither = 3 };

bool admits(std::uint8_t entry, MifareKeyType key) {
    return (entry & (key == MifareKeyType::A ? kKeyA : kKeyB)) != 0;
}

// Data blocks, indexed by C1C2C3: read, write, increment, decrement/transfer/restore.
constexpr std::uint8_t kDataTable[8][4] = {
    {kEither, kEither, kEither, kEither},  // 000 transport configuration
    {kEither, kNever, kNever, kEither},    // 001 value block, not rechargeable
    {kEither, kNever, kNever, kNever},     // 010 read only
    {kKeyB, kKeyB, kNever, kNever},        // 011
    {kEither, kKeyB, kNever, kNever},      // 100
    {kKeyB, kNever, kNever, kNever},       // 101
    {kEither, kKeyB, kKeyB, kEither},      // 110 value block, rechargeable
    {kNever, kNever, kNever, kNever},      // 111 blocked
};

// Sector trailer, indexed by C1C2C3: key A read/write, access bits read/write,
// key B read/write.
constexpr std::uint8_t kTrailerTable[8][6] = {
    {kNever, kKeyA, kKeyA, kNever, kKeyA, kKeyA},       // 000
    {kNever, kKeyA, kKeyA, kKeyA, kKeyA, kKeyA},        // 001 transport configuration
    {kNever, kNever, kKeyA, kNever, kKeyA, kNever},     // 010
    {kNever, kKeyB, kEither, kKeyB, kNever, kKeyB},     // 011
    {kNever, kKeyB, kEither, kNever, kNever, kKeyB},    // 100
    {kNever, kNever, kEither, kKeyB, kNever, kNever},   // 101
    {kNever, kNever, kEither, kNever, kNever, kNever},  // 110
    {kNever, kNever, kEither, kNever, kNever, kNever},  // 111
};

int trailer_column(TrailerPart part) {
    switch (part) {
        case TrailerPart::KeyA:
            return 0;
        case TrailerPart::AccessBits:
            return 2;
        case TrailerPart::KeyB:
            return 4;
    }
    return 0;
}

}  // namespace

std::optional<SectorAccess> decode_access_bits(const std::uint8_t *bytes) {
    const std::uint8_t c1 = bytes[1] >> 4, c2 = bytes[2] & 0x0F, c3 = bytes[2] >> 4;
    const std::uint8_t c1_inverted = bytes[0] & 0x0F, c2_inverted = bytes[0] >> 4;
    const std::uint8_t c3_inverted = bytes[1] & 0x0F;
    if ((c1 ^ c1_inverted) != 0x0F || (c2 ^ c2_inverted) != 0x0F || (c3 ^ c3_inverted) != 0x0F) {
        return std::nullopt;
    }
    SectorAccess access{};
    for (int group = 0; group < 4; ++group) {
        access[group] = static_cast<AccessCondition>(
            ((c1 >> group) & 1) << 2 | ((c2 >> group) & 1) << 1 | ((c3 >> group) & 1));
    }
    return access;
}

std::array<std::uint8_t, 3> encode_access_bits(const SectorAccess &access) {
    std::uint8_t c1 = 0, c2 = 0, c3 = 0;
    for (int group = 0; group < 4; ++group) {
        c1 |= ((access[group] >> 2) & 1) << group;
        c2 |= ((access[group] >> 1) & 1) << group;
        c3 |= (access[group] & 1) << group;
    }
    return {static_cast<std::uint8_t>((~c2 & 0x0F) << 4 | (~c1 & 0x0F)),
            static_cast<std::uint8_t>(c1 << 4 | (~c3 & 0x0F)),
            static_cast<std::uint8_t>(c3 << 4 | c2)};
}

bool data_block_allows(AccessCondition condition, DataOperation operation, MifareKeyType key) {
    return admits(kDataTable[condition & 7][static_cast<int>(operation)], key);
}

bool trailer_allows_read(AccessCondition condition, TrailerPart part, MifareKeyType key) {
    return admits(kTrailerTable[condition & 7][trailer_column(part)], key);
}

bool trailer_allows_write(AccessCondition condition, TrailerPart part, MifareKeyType key) {
    return admits(kTrailerTable[condition & 7][trailer_column(part) + 1], key);
}

bool key_b_readable(AccessCondition trailer_condition) {
    return trailer_allows_read(trailer_condition, TrailerPart::KeyB, MifareKeyType::A);
}

}  // namespace sim
