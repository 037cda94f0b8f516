#pragma once

// A card the reader found in its field, as the driver knows it: its family and
// what it answered while it was found and activated.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pcsc {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

enum class CardKind : std::uint8_t {
    MifareClassic1K,
    MifareClassic4K,
    MifareMini,
    MifareUltralight,
    OtherTypeA,   // a Type A card that speaks neither ISO 14443-4 nor a family known here
    Iso14443_4A,  // a Type A processor card
    Iso14443_4B,  // a Type B processor card
    Iso15693,
};

struct FieldCard {
    CardKind kind = CardKind::OtherTypeA;
    // Type A: the UID; Type B: the PUPI; ISO 15693: the UID as it travels, least
    // significant byte first (byte 6 is the maker's code).
    Bytes uid;
    // Type A: the answers to request and select.
    std::array<std::uint8_t, 2> atqa{};
    std::uint8_t sak = 0;
    // ISO 14443-4 Type A: the answer to select (TL first, no CRC), once activated.
    Bytes ats;
    // Type B: the whole answer to request (0x50, PUPI, application data, protocol
    // information), 12 bytes.
    Bytes atqb;
    // ISO 15693: the memory as the tag's system information gives it, once activated.
    int block_count = 0;
    int block_size = 0;
};

// The family of a Type A card from its answers to request and select. A SAK that
// announces ISO 14443-4 wins over every storage family.
CardKind type_a_kind(std::array<std::uint8_t, 2> atqa, std::uint8_t sak);

bool is_processor_card(CardKind kind);
bool is_mifare_classic(CardKind kind);

// Which of the reader's protocols ('A', 'B', '1') reaches the card.
char protocol_of(CardKind kind);

// Mifare Classic: the blocks of the card, and the sector a block belongs to
// (sectors 0 to 31 of 4 blocks, 32 to 39 of 16).
int mifare_block_count(CardKind kind);
int mifare_sector_of(int block);

// The same card: the same family and identifier.
bool same_card(const FieldCard &a, const FieldCard &b);

}  // namespace pcsc
