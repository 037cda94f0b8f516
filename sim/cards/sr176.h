#pragma once

// SR176: 16 blocks of 2 bytes. Blocks 0-3 hold the 64-bit UID (block 0 the least
// significant part) and are read-only; blocks 4-14 are user data; block 15 holds
// the lock byte (byte 1) and the 4-bit chip ID (byte 0, low nibble).
// PROTECT_BLOCK ORs its byte into the lock byte (bits are only ever set); bit n
// write-protects blocks 2n and 2n+1. As on the chip, a new protection takes effect
// at the next SELECT.

#include <array>
#include <cstdint>

#include "cards/short_range_card.h"

namespace sim {

class Sr176 : public ShortRangeCard {
  public:
    using Block = std::array<std::uint8_t, 2>;  // byte 1, byte 0
    static constexpr int kBlocks = 16;

    // `uid` most significant byte first; `chip_id` 0..15.
    Sr176(std::array<std::uint8_t, 8> uid, std::uint8_t chip_id);

    std::size_t block_size() const override { return 2; }

    Reply read_block(std::uint8_t block) override;
    Reply write_block(std::uint8_t block, ByteView data) override;
    Reply protect(std::uint8_t lock_byte);

    // The UID from blocks 3 to 0.
    Bytes identity() const override;
    // The 16 blocks back to back, each as the reader reads it (byte 1, byte 0). A
    // load sets the lock byte too (in force from the next SELECT, as a protection
    // is); the UID blocks 0 to 3 and the chip ID must be the card's.
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;

    std::uint8_t lock_byte() const { return blocks_[15][0]; }

  protected:
    void on_select() override { effective_lock_ = lock_byte(); }

  private:
    std::array<Block, kBlocks> blocks_{};
    std::uint8_t effective_lock_ = 0;  // the lock byte as the last SELECT found it
};

}  // namespace sim
