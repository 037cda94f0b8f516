#pragma once

// AT88RF020: a Type B memory card of 32 pages of 8 bytes, answering REQB/WUPB in
// the reader's protocol 'r' with an ATQB of protocol type 0 (no ISO 14443-4). Once
// it has answered, the reader addresses its memory commands to it.
//
//   page 0   bytes 0-3 the PUPI, bytes 4-7 the lock bytes
//   page 1   application data
//   page 2   bytes 0-5 the signature of the last count, bytes 6-7 the counter
//            (most significant byte first)
//   page 3   the password: written like any page, never read back
//   4 to 31  user data
//
// Reads are free (except page 3). Writing a page and locking need the password
// checked since the card answered; a wrong password clears an earlier check.
// Lock bit n (bit n % 8 of lock byte n / 8) locks page n for good; lock bits are
// only ever set, and once page 0 is locked the lock bytes are frozen. Pages 0 and 2
// change only through lock and count. Count writes the signature and adds one to
// the counter; it needs no password (the counter only goes up) and is refused
// when page 2 is locked or the counter is at FFFF.

#include <array>
#include <cstdint>

#include "cards/type_b_card.h"

namespace sim {

class At88rf020 : public TypeBCard {
  public:
    using Page = std::array<std::uint8_t, 8>;
    static constexpr int kPages = 32;
    static constexpr Page kDefaultPassword = {0, 0, 0, 0, 0, 0, 0, 0};

    explicit At88rf020(Pupi pupi);

    // True while the card may take memory commands (it has answered a request).
    bool listening() const { return state() == State::Ready || state() == State::Active; }

    Reply check_password(ByteView password);
    Reply read_page(std::uint8_t page);
    Reply write_page(std::uint8_t page, ByteView data);
    Reply lock(ByteView lock_bytes);
    Reply count(ByteView signature);
    // Deselect: the card goes to HALT until a WUPB or the next power-up.
    Reply deselect();

    // The 32 pages back to back (256 bytes), the password in page 3 included; a
    // load sets them all, but the PUPI in page 0 must be the card's.
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;

  protected:
    void on_reset() override { password_checked_ = false; }

  private:
    bool page_locked(int page) const;

    std::array<Page, kPages> pages_{};
    bool password_checked_ = false;
};

}  // namespace sim
