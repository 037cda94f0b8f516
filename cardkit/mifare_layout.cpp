#include "cardkit/mifare_layout.h"

#include "text_lines.h"

namespace cardkit {

namespace {

// Sectors 0 to 31 hold 4 blocks, 32 to 39 hold 16.
constexpr int kSmallSectors = 32;
constexpr int kSmallSectorBlocks = 4;
constexpr int kLargeSectorBlocks = 16;
constexpr int kSmallSectorsEnd = kSmallSectors * kSmallSectorBlocks;  // block 128

}  // namespace

int sector_count(MifareType type) {
    switch (type) {
        case MifareType::Mini:
            return 5;
        case MifareType::Classic1K:
            return 16;
        case MifareType::Classic2K:
            return 32;
        case MifareType::Classic4K:
            return 40;
    }
    return 0;
}

int block_count(MifareType type) {
    const int sectors = sector_count(type);
    return first_block(sectors - 1) + blocks_in_sector(sectors - 1);
}

int first_block(int sector) {
    if (sector < kSmallSectors) return sector * kSmallSectorBlocks;
    return kSmallSectorsEnd + (sector - kSmallSectors) * kLargeSectorBlocks;
}

int blocks_in_sector(int sector) {
    return sector < kSmallSectors ? kSmallSectorBlocks : kLargeSectorBlocks;
}

int trailer_block(int sector) { return first_block(sector) + blocks_in_sector(sector) - 1; }

int sector_of_block(int block) {
    if (block < kSmallSectorsEnd) return block / kSmallSectorBlocks;
    return kSmallSectors + (block - kSmallSectorsEnd) / kLargeSectorBlocks;
}

bool is_trailer(int block) { return trailer_block(sector_of_block(block)) == block; }

std::string_view mifare_type_name(MifareType type) {
    switch (type) {
        case MifareType::Mini:
            return "Mini";
        case MifareType::Classic1K:
            return "1K";
        case MifareType::Classic2K:
            return "2K";
        case MifareType::Classic4K:
            return "4K";
    }
    return "";
}

std::optional<MifareType> mifare_type_from_name(std::string_view name) {
    const std::string lower = ascii_lower(name);
    for (const MifareType type :
         {MifareType::Mini, MifareType::Classic1K, MifareType::Classic2K, MifareType::Classic4K}) {
        if (lower == ascii_lower(mifare_type_name(type))) return type;
    }
    return std::nullopt;
}

std::optional<MifareType> mifare_type_from_block_count(int blocks) {
    const auto type = mifare_type_holding(blocks);
    if (type && block_count(*type) == blocks) return type;
    return std::nullopt;
}

std::optional<MifareType> mifare_type_holding(int blocks) {
    for (const MifareType type :
         {MifareType::Mini, MifareType::Classic1K, MifareType::Classic2K, MifareType::Classic4K}) {
        if (blocks <= block_count(type)) return type;
    }
    return std::nullopt;
}

std::optional<MifareType> mifare_type_from_sak(std::uint8_t sak) {
    switch (sak) {
        case 0x09:
            return MifareType::Mini;
        case 0x08:
        case 0x28:
        case 0x88:
            return MifareType::Classic1K;
        case 0x19:
            return MifareType::Classic2K;
        case 0x18:
        case 0x38:
            return MifareType::Classic4K;
        default:
            return std::nullopt;
    }
}

}  // namespace cardkit
