#pragma once

// Mifare Ultralight: 16 pages of 4 bytes and a 7-byte UID (ATQA 44 00, SAK 00).
// Page 0: UID0 UID1 UID2 BCC0 (BCC0 = 88 ^ UID0 ^ UID1 ^ UID2); page 1: UID3..UID6;
// page 2: BCC1 (UID3 ^ .. ^ UID6), an internal byte, lock bytes 0 and 1; page 3: the
// one-time-programmable bytes; pages 4 to 15: data.
//
// READ returns four pages from the one given, wrapping from page 15 to page 0.
// WRITE (4 bytes) and COMPATIBILITY WRITE (16 bytes, of which the first 4 are
// written) obey the locks: pages 0 and 1 are never written; a write to page 2
// ORs its last two bytes into the lock bytes (lock bits only ever get set, and
// block-lock bits freeze the lock bits they cover); a write to page 3 ORs into the
// OTP bytes; a page whose lock bit is set refuses writes.
//
// Lock byte 0: bit 0 freezes the lock bit of page 3, bit 1 those of pages 4-9,
// bit 2 those of pages 10-15; bits 3 to 7 lock pages 3 to 7. Lock byte 1: bits 0 to
// 7 lock pages 8 to 15.

#include <array>
#include <cstdint>

#include "cards/type_a_card.h"

namespace sim {

class Ultralight : public TypeACard {
  public:
    explicit Ultralight(std::array<std::uint8_t, 7> uid);

    Reply read_block(std::uint8_t page) override;
    Reply write_block(std::uint8_t page, ByteView data) override;
    Reply write_page(std::uint8_t page, ByteView data) override;

    // The 16 pages back to back. A load sets lock and OTP bytes as they are in the
    // dump; the UID bytes (pages 0, 1 and bytes 0 and 1 of page 2) must be the card's.
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;

    static constexpr int kPages = 16;
    const std::array<std::uint8_t, 4> &stored_page(int page) const { return pages_.at(page); }

  private:
    bool page_locked(int page) const;
    // The lock bits that may still change, given the block-lock bits.
    std::uint16_t changeable_lock_bits() const;
    Reply write_four(std::uint8_t page, const std::uint8_t *data);

    std::array<std::array<std::uint8_t, 4>, kPages> pages_{};
};

}  // namespace sim
