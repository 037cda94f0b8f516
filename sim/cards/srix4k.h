#pragma once

// SRIX4K: 128 blocks of 4 bytes, an 8-byte UID and an 8-bit lock register.
//   blocks 0-4    resettable OTP area: a write can only clear bits
//   blocks 5, 6   32-bit count-down counters: a write is taken only when the new
//                 value is lower than the stored one (5 starts at FFFFFFFE, 6 at
//                 FFFFFFFF)
//   blocks 7-15   lockable area: lock register bit 0 at 0 protects blocks 7 and 8,
//                 bit n (1..7) at 0 protects block 8 + n
//   blocks 16-127 user data
// The lock register starts at FF; a write ANDs the new value in (bits only go from
// 1 to 0). A read of block 255, the system block, answers the lock register then
// FF FF FF (bits 31 to 24, then bits the chip keeps for itself). AUTHENTICATE answers a 6-byte challenge with 3 bytes that depend on the
// challenge and on a secret of the card (a keyed function of this simulator's own,
// not the chip's algorithm): the same challenge always gets the same answer.

#include <array>
#include <cstdint>

#include "cards/short_range_card.h"

namespace sim {

class Srix4k : public ShortRangeCard {
  public:
    using Block = std::array<std::uint8_t, 4>;  // byte 3 .. byte 0
    static constexpr int kBlocks = 128;

    // `uid` most significant byte first (D0 02 ...).
    Srix4k(std::array<std::uint8_t, 8> uid, std::uint8_t chip_id);

    std::size_t block_size() const override { return 4; }

    Reply read_block(std::uint8_t block) override;
    Reply write_block(std::uint8_t block, ByteView data) override;
    Reply get_uid() const;
    Reply write_lock_register(std::uint8_t value);
    Reply authenticate(ByteView challenge) const;

    std::uint8_t lock_register() const { return lock_register_; }

    Bytes identity() const override { return Bytes(uid_.begin(), uid_.end()); }
    // The 128 blocks back to back, each as the reader reads it (byte 3 first), then
    // the system block (516 bytes). A load takes the
    // blocks as they are (no OTP or counter rule); 516 bytes set the lock register
    // from the system block's first byte, 512 leave it.
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;

  private:
    bool block_locked(int block) const;
    Block system_block() const { return {lock_register_, 0xFF, 0xFF, 0xFF}; }

    std::array<std::uint8_t, 8> uid_;
    std::array<Block, kBlocks> blocks_{};
    std::uint8_t lock_register_ = 0xFF;
};

}  // namespace sim
