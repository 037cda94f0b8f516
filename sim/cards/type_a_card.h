#pragma once

// ISO 14443-3 Type A: what every Type A card shares. The state machine
// IDLE -> READY (REQA or WUPA) -> ACTIVE (SELECT of the last cascade level) and
// HALT (HLTA), where only WUPA wakes a halted card; the cascade levels of 4- and
// 7-byte UIDs (cascade tag 0x88 and the BCC check byte); and the commands of an
// active card, which the families override with their own behaviour.

#include <array>
#include <cstdint>
#include <optional>

#include "cards/card.h"
#include "reply.h"
#include "sim/bytes.h"

namespace sim {

enum class MifareKeyType { A, B };
enum class ValueOperation { Increment, Decrement, Restore };

inline constexpr std::uint8_t kCascadeTag = 0x88;
inline constexpr std::uint8_t kSakCascadeBit = 0x04;
inline constexpr std::uint8_t kSakIso14443_4 = 0x20;

class TypeACard : public Card {
  public:
    enum class State { Idle, Ready, Active, Halt };

    Protocol protocol() const override { return Protocol::TypeA; }
    void power_off() override;

    const Bytes &uid() const { return uid_; }
    Bytes identity() const override { return uid_; }
    std::array<std::uint8_t, 2> atqa() const { return atqa_; }
    std::uint8_t final_sak() const { return sak_; }
    State state() const { return state_; }
    int cascade_levels() const { return uid_.size() == 4 ? 1 : 2; }
    int cascade_level() const { return level_; }

    // REQA (wake_up false) or WUPA (true). True when the card answers with its ATQA.
    // A card that is already READY or ACTIVE takes the request for a protocol error
    // and falls back without answering.
    bool request(bool wake_up);
    // The four bytes the card sends in the anticollision of its current cascade
    // level: the UID, or the cascade tag and the first three UID bytes, then the rest.
    std::array<std::uint8_t, 4> cascade_bytes() const;
    // SELECT at the current level; the SAK when the bytes are the card's. The card
    // then moves on to the next level (SAK with the cascade bit) or becomes ACTIVE.
    std::optional<std::uint8_t> select(const std::array<std::uint8_t, 4> &bytes);
    // HLTA: an active card goes to HALT.
    void halt();

    // Commands of an active card, in the reader's terms. The defaults are those of
    // a card that does not know the command: it gives no answer and falls back to
    // IDLE (or HALT when it was woken from there).
    virtual Reply authenticate(MifareKeyType key_type, std::uint8_t block, ByteView key);
    virtual Reply read_block(std::uint8_t block);
    virtual Reply write_block(std::uint8_t block, ByteView data);
    virtual Reply value_operation(ValueOperation operation, std::uint8_t block,
                                  std::uint32_t operand);
    virtual Reply transfer(std::uint8_t block);
    virtual Reply write_page(std::uint8_t page, ByteView data);
    // ISO 14443-4: RATS (the answer is the ATS), one APDU exchange, DESELECT.
    virtual Reply activate();
    virtual Reply exchange(ByteView apdu);
    virtual Reply deselect();

  protected:
    // `uid` is 4 or 7 bytes; `sak` is the SAK of the last cascade level.
    TypeACard(Bytes uid, std::array<std::uint8_t, 2> atqa, std::uint8_t sak);

    // The card's own volatile state (authentication, layer 4) is lost.
    virtual void on_reset() {}
    // A command the card does not accept in its state: back to IDLE or HALT.
    void fall_back();
    // fall_back() and the status the reader then reports.
    Reply refuse(ReaderStatus status);
    bool active() const { return state_ == State::Active; }

  private:
    Bytes uid_;
    std::array<std::uint8_t, 2> atqa_;
    std::uint8_t sak_;
    State state_ = State::Idle;
    int level_ = 0;
    bool woken_from_halt_ = false;
};

}  // namespace sim
