#pragma once

// The pauses of a full field cycle (antenna off, protocol, antenna on) before a
// card is searched for: a card in the field needs them to lose its power and
// state, and to power up again and be ready for a request. Callers that know
// their card needs less keep pauses of their own.

namespace protocol {

struct FieldPauses {
    unsigned after_off_ms;
    unsigned after_protocol_ms;
    unsigned after_on_ms;
};

inline constexpr FieldPauses kFieldCyclePauses{20, 20, 50};

}  // namespace protocol
