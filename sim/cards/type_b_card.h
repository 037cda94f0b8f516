#pragma once

// ISO 14443-3 Type B: REQB (request mode 0) wakes idle cards, WUPB (mode 1) idle
// and halted ones; the answer is the 12-byte ATQB 50, PUPI (4), application data
// (4), protocol information (3). ATTRIB with the card's PUPI makes it ACTIVE;
// HLTB with its PUPI halts it.

#include <array>
#include <cstdint>

#include "cards/card.h"
#include "reply.h"
#include "sim/bytes.h"

namespace sim {

using Pupi = std::array<std::uint8_t, 4>;

class TypeBCard : public Card {
  public:
    enum class State { Idle, Ready, Active, Halt };

    Protocol protocol() const override { return protocol_; }
    void power_off() override;

    const Pupi &pupi() const { return pupi_; }
    Bytes identity() const override { return Bytes(pupi_.begin(), pupi_.end()); }
    State state() const { return state_; }
    Bytes atqb() const;

    // REQB or WUPB; true when the card answers with its ATQB.
    bool request(bool wake_up);
    // ATTRIB; true when the PUPI is the card's and it was READY (or ACTIVE).
    bool attrib(const Pupi &pupi);
    // HLTB; true when the PUPI is the card's and it was READY or ACTIVE.
    bool halt(const Pupi &pupi);

    // An APDU to an ACTIVE card. The default: a card without an operating system.
    virtual Reply exchange(ByteView apdu);

  protected:
    TypeBCard(Protocol protocol, Pupi pupi, std::array<std::uint8_t, 4> application_data,
              std::array<std::uint8_t, 3> protocol_info);

    virtual void on_reset() {}
    void set_state(State state) { state_ = state; }

  private:
    Protocol protocol_;
    Pupi pupi_;
    std::array<std::uint8_t, 4> application_data_;
    std::array<std::uint8_t, 3> protocol_info_;
    State state_ = State::Idle;
};

}  // namespace sim
