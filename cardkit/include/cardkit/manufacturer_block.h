#pragma once

// The identity a card keeps in its first bytes: block 0 of a Mifare Classic card
// (UID, check byte, SAK, ATQA, maker's data) and pages 0 to 2 of an Ultralight.

#include <array>
#include <cstdint>
#include <optional>

#include "cardkit/bytes.h"

namespace cardkit {

// XOR of the bytes: the check byte that follows a 4-byte UID.
std::uint8_t uid_check_byte(ByteView uid);

struct ManufacturerBlock {
    Bytes uid;                               // 4 or 7 bytes
    std::optional<std::uint8_t> check_byte;  // 4-byte UIDs only
    bool check_byte_valid = false;           // always true for a 7-byte UID
    std::uint8_t sak = 0;
    std::array<std::uint8_t, 2> atqa{};  // in the order the card sends them
    Bytes maker_data;
};

// `block` is 16 bytes; a 4-byte UID is followed by its check byte, SAK, ATQA and
// 8 bytes of maker's data, a 7-byte UID directly by SAK, ATQA and 6 bytes.
// nullopt for another block size or UID size.
std::optional<ManufacturerBlock> decode_manufacturer_block(ByteView block, int uid_size = 4);

// Block 0 of a 4-byte-UID card, the check byte computed; `maker_data` fills bytes
// 8 to 15 (zeros where it is shorter, cut where longer).
std::array<std::uint8_t, 16> encode_manufacturer_block(const std::array<std::uint8_t, 4> &uid,
                                                       std::uint8_t sak,
                                                       const std::array<std::uint8_t, 2> &atqa,
                                                       ByteView maker_data);

// Pages 0 to 2 of an Ultralight: UID0-2, BCC0 (88 ^ UID0 ^ UID1 ^ UID2), UID3-6,
// BCC1 (UID3 ^ ... ^ UID6).
struct UltralightIdentity {
    std::array<std::uint8_t, 7> uid{};
    bool check_bytes_valid = false;
};

// `pages` holds at least the 12 bytes of pages 0 to 2; nullopt when shorter.
std::optional<UltralightIdentity> decode_ultralight_identity(ByteView pages);

}  // namespace cardkit
