#pragma once

// An ISO 15693 vicinity tag: an 8-byte UID (E0, the IC manufacturer code, then the
// serial), DSFID, AFI, blocks of 4 bytes each with a lock, and the states READY,
// SELECTED and QUIET. The UID is kept, passed and returned least significant byte
// first, the order in which it travels on air: byte 6 is the manufacturer code,
// byte 7 is E0.
//
// Errors are those of the standard, in the reader's terms: a block beyond the
// memory (0x10) is BadAddress, a lock of something already locked (0x11)
// AlreadyLocked, a write to something locked (0x12) NotAllowed.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cards/card.h"
#include "reply.h"
#include "sim/bytes.h"

namespace sim {

using Iso15693Uid = std::array<std::uint8_t, 8>;  // least significant byte first

class Iso15693Tag : public Card {
  public:
    enum class State { Ready, Selected, Quiet };
    static constexpr std::size_t kBlockSize = 4;

    // `ic_reference` is the IC reference byte of the system information. Blocks
    // start zeroed and unlocked, DSFID and AFI at 00.
    Iso15693Tag(Iso15693Uid uid, int block_count, std::uint8_t ic_reference);

    Protocol protocol() const override { return Protocol::Vicinity; }
    void power_off() override { state_ = State::Ready; }

    const Iso15693Uid &uid() const { return uid_; }
    Bytes identity() const override { return Bytes(uid_.rbegin(), uid_.rend()); }
    // The blocks back to back; a load sets them alone (locks, DSFID and AFI stay).
    std::optional<Bytes> raw_memory() const override;
    bool load_raw_memory(ByteView dump, std::string &error) override;
    State state() const { return state_; }
    std::uint8_t dsfid() const { return dsfid_; }

    void stay_quiet() { state_ = State::Quiet; }
    void select() { state_ = State::Selected; }
    void reset_to_ready() { state_ = State::Ready; }
    void deselect() {
        if (state_ == State::Selected) state_ = State::Ready;
    }

    // `count` blocks from `first`; with `security` each block's data is preceded by
    // its security status byte (the option flag of a read).
    Reply read_blocks(std::uint8_t first, std::uint8_t count, bool security) const;
    Reply write_block(std::uint8_t block, ByteView data);
    Reply lock_block(std::uint8_t block);
    Reply write_afi(std::uint8_t afi);
    Reply lock_afi();
    Reply write_dsfid(std::uint8_t dsfid);
    Reply lock_dsfid();
    // Information flags 0F, UID, DSFID, AFI, block count - 1, block size - 1, IC reference.
    Reply system_information() const;
    Reply block_security(std::uint8_t first, std::uint8_t count) const;

  private:
    bool range_ok(std::uint8_t first, std::uint8_t count) const;

    Iso15693Uid uid_;
    std::uint8_t ic_reference_;
    std::vector<std::array<std::uint8_t, kBlockSize>> blocks_;
    std::vector<bool> locked_;
    std::uint8_t dsfid_ = 0x00;
    std::uint8_t afi_ = 0x00;
    bool dsfid_locked_ = false;
    bool afi_locked_ = false;
    State state_ = State::Ready;
};

}  // namespace sim
