#pragma once

// Where sectors, blocks and trailers lie on a Mifare Classic card. The four sizes
// share one layout: sectors 0 to 31 hold 4 blocks, sectors 32 to 39 (4K only) 16,
// and the last block of each sector is its trailer (key A, access bits, user byte,
// key B).

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace cardkit {

enum class MifareType { Mini, Classic1K, Classic2K, Classic4K };

inline constexpr int kMifareBlockSize = 16;

using MifareKey = std::array<std::uint8_t, 6>;
enum class KeyType { A, B };

// Byte offsets inside a trailer.
inline constexpr int kTrailerKeyA = 0;
inline constexpr int kTrailerAccessBits = 6;
inline constexpr int kTrailerUserByte = 9;
inline constexpr int kTrailerKeyB = 10;

int sector_count(MifareType type);
int block_count(MifareType type);

// For any sector 0..39 and block 0..255; the caller keeps them in range.
int first_block(int sector);
int blocks_in_sector(int sector);
int trailer_block(int sector);
int sector_of_block(int block);
bool is_trailer(int block);

// "Mini", "1K", "2K", "4K".
std::string_view mifare_type_name(MifareType type);
// The names above in either case ("MINI" too); nullopt for anything else.
std::optional<MifareType> mifare_type_from_name(std::string_view name);
// 20, 64, 128 or 256 blocks.
std::optional<MifareType> mifare_type_from_block_count(int blocks);
// The smallest size with at least this many blocks; nullopt above 256.
std::optional<MifareType> mifare_type_holding(int blocks);
// The size a card's SAK announces (09 Mini, 08 1K, 19 2K, 18 4K, and the 1K and 4K
// values of cards that emulate them: 88, 28, 38); nullopt for other SAKs.
std::optional<MifareType> mifare_type_from_sak(std::uint8_t sak);

}  // namespace cardkit
