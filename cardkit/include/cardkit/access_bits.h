#pragma once

// Access conditions of a Mifare Classic sector. Trailer bytes 6 to 8 carry three
// bits C1 C2 C3 for each of four groups (three of data blocks and the trailer),
// every bit twice, once inverted; a triple whose copies disagree makes the card
// refuse the sector, so it is reported as invalid and never read as anything else.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cardkit/bytes.h"
#include "cardkit/mifare_layout.h"

namespace cardkit {

// C1 C2 C3 of one group as a number 0..7, C1 the most significant bit.
using AccessCondition = std::uint8_t;

// Groups 0, 1, 2 (data blocks) and 3 (the trailer).
struct AccessBits {
    std::array<AccessCondition, 4> groups{};
    bool operator==(const AccessBits &) const = default;
};

// Data blocks 000, trailer 001: bytes FF 07 80, as cards leave the factory.
inline constexpr AccessBits kTransportAccess{{0, 0, 0, 1}};

// `bytes` holds at least three bytes (trailer bytes 6, 7, 8).
std::optional<AccessBits> decode_access_bits(ByteView bytes);
std::array<std::uint8_t, 3> encode_access_bits(const AccessBits &access);

// The group of a block in a sector of 4 blocks (one block a group) or of 16
// (five blocks a group); the trailer is group 3.
int access_group(int block_in_sector, int blocks_in_sector);

enum class KeyRight { Never, KeyA, KeyB, KeyAOrB };

struct DataBlockRights {
    KeyRight read, write, increment, decrement_transfer_restore;
};

// Key A is never readable, so the trailer lists the six rights that vary.
struct TrailerRights {
    KeyRight key_a_write, access_read, access_write, key_b_read, key_b_write;
};

DataBlockRights data_block_rights(AccessCondition condition);
TrailerRights trailer_rights(AccessCondition condition);
// While key B can be read it is data, and the card refuses it as a key.
bool key_b_readable(AccessCondition trailer_condition);

// C1 C2 C3 as three digits ("001"), and back; nullopt for anything but three
// digits 0 or 1.
std::string condition_bits(AccessCondition condition);
std::optional<AccessCondition> parse_condition_bits(std::string_view text);

// Whether a right may be exercised after authenticating with key `type`.
bool key_right_allows(KeyRight right, KeyType type);

// "key A", "key B", "key A or B", "never".
std::string_view key_right_name(KeyRight right);

// "read by key A or B, write by key B, increment never, ..." and the trailer's
// "write key A by key A; read access bits by key A; ...".
std::string describe_data_block(AccessCondition condition);
std::string describe_trailer(AccessCondition condition);

// One line a group: "block 1 (000): read by ...", "blocks 5-9 (110): ...",
// "trailer (001): ..." for a sector of 4 or 16 blocks.
std::vector<std::string> describe_access(const AccessBits &access, int blocks_in_sector);

}  // namespace cardkit
