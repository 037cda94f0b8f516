#include "cardkit/access_bits.h"

namespace cardkit {

namespace {

constexpr KeyRight N = KeyRight::Never;
constexpr KeyRight A = KeyRight::KeyA;
constexpr KeyRight B = KeyRight::KeyB;
constexpr KeyRight AB = KeyRight::KeyAOrB;

// The card's tables, indexed by C1C2C3.
constexpr DataBlockRights kDataRights[8] = {
    {AB, AB, AB, AB},  // 000 transport configuration
    {AB, N, N, AB},    // 001 value block, not rechargeable
    {AB, N, N, N},     // 010 read only
    {B, B, N, N},      // 011
    {AB, B, N, N},     // 100
    {B, N, N, N},      // 101
    {AB, B, B, AB},    // 110 value block, rechargeable
    {N, N, N, N},      // 111 blocked
};

// Key A write; access bits read and write; key B read and write.
constexpr TrailerRights kTrailerRights[8] = {
    {A, A, N, A, A},   // 000
    {A, A, A, A, A},   // 001 transport configuration
    {N, A, N, A, N},   // 010
    {B, AB, B, N, B},  // 011
    {B, AB, N, N, B},  // 100
    {N, AB, B, N, N},  // 101
    {N, AB, N, N, N},  // 110
    {N, AB, N, N, N},  // 111
};

std::string phrase(std::string_view action, KeyRight right) {
    std::string text(action);
    text += right == KeyRight::Never ? " never" : " by " + std::string(key_right_name(right));
    return text;
}

}  // namespace

std::string condition_bits(AccessCondition condition) {
    return {static_cast<char>('0' + ((condition >> 2) & 1)),
            static_cast<char>('0' + ((condition >> 1) & 1)),
            static_cast<char>('0' + (condition & 1))};
}

std::optional<AccessCondition> parse_condition_bits(std::string_view text) {
    if (text.size() != 3) return std::nullopt;
    AccessCondition condition = 0;
    for (const char digit : text) {
        if (digit != '0' && digit != '1') return std::nullopt;
        condition = static_cast<AccessCondition>(condition << 1 | (digit - '0'));
    }
    return condition;
}

std::optional<AccessBits> decode_access_bits(ByteView bytes) {
    if (bytes.size() < 3) return std::nullopt;
    const std::uint8_t c1 = bytes[1] >> 4, c2 = bytes[2] & 0x0F, c3 = bytes[2] >> 4;
    const std::uint8_t not_c1 = bytes[0] & 0x0F, not_c2 = bytes[0] >> 4, not_c3 = bytes[1] & 0x0F;
    if ((c1 ^ not_c1) != 0x0F || (c2 ^ not_c2) != 0x0F || (c3 ^ not_c3) != 0x0F) {
        return std::nullopt;
    }
    AccessBits access;
    for (int group = 0; group < 4; ++group) {
        access.groups[group] = static_cast<AccessCondition>(
            ((c1 >> group) & 1) << 2 | ((c2 >> group) & 1) << 1 | ((c3 >> group) & 1));
    }
    return access;
}

std::array<std::uint8_t, 3> encode_access_bits(const AccessBits &access) {
    unsigned c1 = 0, c2 = 0, c3 = 0;
    for (int group = 0; group < 4; ++group) {
        c1 |= ((access.groups[group] >> 2) & 1u) << group;
        c2 |= ((access.groups[group] >> 1) & 1u) << group;
        c3 |= (access.groups[group] & 1u) << group;
    }
    return {static_cast<std::uint8_t>((~c2 & 0x0F) << 4 | (~c1 & 0x0F)),
            static_cast<std::uint8_t>(c1 << 4 | (~c3 & 0x0F)),
            static_cast<std::uint8_t>(c3 << 4 | c2)};
}

int access_group(int block_in_sector, int blocks_in_sector) {
    if (block_in_sector >= blocks_in_sector - 1) return 3;
    return blocks_in_sector > 4 ? block_in_sector / 5 : block_in_sector;
}

DataBlockRights data_block_rights(AccessCondition condition) { return kDataRights[condition & 7]; }

TrailerRights trailer_rights(AccessCondition condition) { return kTrailerRights[condition & 7]; }

bool key_b_readable(AccessCondition trailer_condition) {
    return trailer_rights(trailer_condition).key_b_read != KeyRight::Never;
}

bool key_right_allows(KeyRight right, KeyType type) {
    return right == KeyRight::KeyAOrB || (right == KeyRight::KeyA && type == KeyType::A) ||
           (right == KeyRight::KeyB && type == KeyType::B);
}

std::string_view key_right_name(KeyRight right) {
    switch (right) {
        case KeyRight::Never:
            return "never";
        case KeyRight::KeyA:
            return "key A";
        case KeyRight::KeyB:
            return "key B";
        case KeyRight::KeyAOrB:
            return "key A or B";
    }
    return "";
}

std::string describe_data_block(AccessCondition condition) {
    const DataBlockRights rights = data_block_rights(condition);
    return phrase("read", rights.read) + ", " + phrase("write", rights.write) + ", " +
           phrase("increment", rights.increment) + ", " +
           phrase("decrement/transfer/restore", rights.decrement_transfer_restore);
}

std::string describe_trailer(AccessCondition condition) {
    const TrailerRights rights = trailer_rights(condition);
    std::string text = phrase("write key A", rights.key_a_write) + "; " +
                       phrase("read access bits", rights.access_read) + ", " +
                       phrase("write access bits", rights.access_write) + "; " +
                       phrase("read key B", rights.key_b_read) + ", " +
                       phrase("write key B", rights.key_b_write);
    if (key_b_readable(condition)) text += "; key B is readable, so it is not a key";
    return text;
}

std::vector<std::string> describe_access(const AccessBits &access, int blocks_in_sector) {
    std::vector<std::string> lines;
    const int per_group = blocks_in_sector > 4 ? 5 : 1;
    for (int group = 0; group < 3; ++group) {
        const AccessCondition condition = access.groups[group];
        const int first = group * per_group;
        std::string label = per_group == 1 ? "block " + std::to_string(first)
                                           : "blocks " + std::to_string(first) + "-" +
                                                 std::to_string(first + per_group - 1);
        lines.push_back(label + " (" + condition_bits(condition) +
                        "): " + describe_data_block(condition));
    }
    lines.push_back("trailer (" + condition_bits(access.groups[3]) +
                    "): " + describe_trailer(access.groups[3]));
    return lines;
}

}  // namespace cardkit
