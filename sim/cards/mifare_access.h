#pragma once

// The access conditions of a Mifare Classic sector: three bits C1 C2 C3 for each of
// the three data-block groups and for the sector trailer, stored in trailer bytes
// 6 to 8 twice (once inverted), and the tables that say which key may do what.

#include <array>
#include <cstdint>
#include <optional>

#include "cards/type_a_card.h"

namespace sim {

// C1 C2 C3 of one group as a number 0..7 (C1 the most significant bit).
using AccessCondition = std::uint8_t;

// Conditions of groups 0, 1, 2 (data blocks) and 3 (the sector trailer).
using SectorAccess = std::array<AccessCondition, 4>;

// Decodes trailer bytes 6, 7, 8; nullopt when the inverted copies disagree (the
// card then refuses every access to the sector).
std::optional<SectorAccess> decode_access_bits(const std::uint8_t *bytes);
std::array<std::uint8_t, 3> encode_access_bits(const SectorAccess &access);

enum class DataOperation { Read, Write, Increment, DecrementTransferRestore };
enum class TrailerPart { KeyA, AccessBits, KeyB };

bool data_block_allows(AccessCondition condition, DataOperation operation, MifareKeyType key);
bool trailer_allows_read(AccessCondition condition, TrailerPart part, MifareKeyType key);
bool trailer_allows_write(AccessCondition condition, TrailerPart part, MifareKeyType key);
// While key B can be read from the trailer it may not be used to authenticate.
bool key_b_readable(AccessCondition trailer_condition);

// The transport configuration of a new card: data blocks 000, trailer 001
// (bytes FF 07 80, general-purpose byte 69).
inline constexpr SectorAccess kTransportAccess = {0, 0, 0, 1};

}  // namespace sim
