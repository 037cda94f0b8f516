#pragma once

// Mifare Classic 1K and 4K. 1K: 16 sectors of 4 blocks. 4K: 32 sectors of 4 blocks,
// then 8 sectors of 16 blocks (blocks 128 to 255). The last block of a sector is its
// trailer: key A, access bits, the general-purpose byte, key B. Block 0 is the
// manufacturer block (UID, BCC, SAK, ATQA, maker's data) and can never be written.
//
// Authentication opens one sector with key A or B; reads, writes and the value
// operations then obey the sector's access conditions. A refused command (wrong
// key, forbidden operation, another sector, a malformed value block) ends the
// authentication and sends the card back to IDLE, as a real card does after a NAK.
// Increment, decrement and restore work on the card's transfer buffer; transfer
// writes the buffer into a block of the authenticated sector.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "cards/mifare_access.h"
#include "cards/type_a_card.h"

namespace sim {

using MifareBlock = std::array<std::uint8_t, 16>;
using MifareKey = std::array<std::uint8_t, 6>;

inline constexpr MifareKey kDefaultMifareKey = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// A value block in the card's format: value, inverted value, value (each least
// significant byte first), then the address byte, its inverse, the address, its inverse.
MifareBlock make_value_block(std::int32_t value, std::uint8_t address);
// The value and address byte of a well-formed value block; nullopt otherwise.
struct ValueBlock {
    std::int32_t value;
    std::uint8_t address;
};
std::optional<ValueBlock> parse_value_block(const MifareBlock &block);

class MifareClassic : public TypeACard {
  public:
    enum class Size { k1K, k4K };

    // `uid` is 4 bytes; every sector starts in the transport configuration with
    // both keys FF FF FF FF FF FF and zeroed data blocks.
    MifareClassic(Size size, std::array<std::uint8_t, 4> uid);

    Reply authenticate(MifareKeyType key_type, std::uint8_t block, ByteView key) override;
    Reply read_block(std::uint8_t block) override;
    Reply write_block(std::uint8_t block, ByteView data) override;
    Reply value_operation(ValueOperation operation, std::uint8_t block,
                          std::uint32_t operand) override;
    Reply transfer(std::uint8_t block) override;

    // Every block back to back (1024 or 4096 bytes), keys in the trailers. A load
    // sets every block; block 0 must be the card's.
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;

    // The stored block as it is, keys included; for tests and inspection.
    const MifareBlock &stored_block(int block) const { return memory_.at(block); }

    static int sector_of(int block);
    static int first_block_of(int sector);
    static int blocks_in(int sector);

  protected:
    void on_reset() override;

  private:
    int trailer_of(int sector) const { return first_block_of(sector) + blocks_in(sector) - 1; }
    bool is_trailer(int block) const { return block == trailer_of(sector_of(block)); }
    // The access-condition group (0..3) that governs `block`.
    int group_of(int block) const;
    std::optional<SectorAccess> access_of(int sector) const;
    // Checks that `block` lies in the authenticated sector and that the sector's
    // access bits are readable; Ok with them in `access`, or the status.
    ReaderStatus opened_access(int block, SectorAccess &access) const;
    // opened_access(), and that the conditions allow `operation` on the data
    // block `block` with the key used. Ok or the status.
    ReaderStatus check_data_access(int block, DataOperation operation) const;

    std::vector<MifareBlock> memory_;
    std::optional<int> authenticated_sector_;
    MifareKeyType authenticated_key_ = MifareKeyType::A;
    std::optional<MifareBlock> transfer_buffer_;
};

}  // namespace sim
