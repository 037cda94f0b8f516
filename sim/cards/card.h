#pragma once

// A virtual card in the reader's field. The reader reaches it only while the
// field is on and the protocol type it is set to (rf_init_type) is the card's.

#include "protocol/card_protocols.h"

namespace sim {

// The protocol type bytes of rf_init_type, one per air interface the reader speaks.
enum class Protocol : char {
    TypeA = protocol::kProtocolTypeA,  // ISO 14443 Type A: Mifare Classic, Ultralight,
                                       // Type A processor cards
    TypeB = protocol::kProtocolTypeB,  // ISO 14443 Type B processor cards
    At88rf020 = protocol::kProtocolAt88rf020,    // Type B signalling, its own command set
    ShortRange = protocol::kProtocolShortRange,  // SR176 and SRIX4K
    Vicinity = protocol::kProtocolIso15693,      // ISO 15693 tags
};

class Card {
  public:
    virtual ~Card() = default;
    Card(const Card &) = delete;
    Card &operator=(const Card &) = delete;

    virtual Protocol protocol() const = 0;
    // The field went off: everything volatile (state, authentication, selection)
    // is lost; the card's memory stays. The card wakes in its power-on state.
    virtual void power_off() = 0;

  protected:
    Card() = default;
};

}  // namespace sim
