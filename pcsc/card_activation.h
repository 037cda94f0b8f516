#pragma once

// Finding, checking and activating the card in the reader's field, over the
// library's exports: Type A (storage cards with a 4-byte UID, Ultralight, and ISO
// 14443-4 cards with a 4-byte UID), then Type B processor cards, then ISO 15693
// tags. Kept apart from the driver's slots so the select sequences can come from
// the card-work library later.

#include <cstdint>

#include "binding/reader_api.h"
#include "field_card.h"

namespace pcsc {

inline constexpr std::int32_t kReaderAddress = 0;

// A transport result: the line failed, not the card.
bool is_line_fault(std::int32_t result);

// How a look for or at a card ended; `result` is the failing call's result.
struct Look {
    enum class Seen { Card, NoCard, LineFault };
    Seen seen = Seen::NoCard;
    std::int32_t result = 0;

    bool card() const { return seen == Seen::Card; }
    static Look found() { return {Seen::Card, 0}; }
    static Look from(std::int32_t result) {
        return {is_line_fault(result) ? Seen::LineFault : Seen::NoCard, result};
    }
};

class CardActivation {
public:
    explicit CardActivation(const binding::ReaderApi &api) : api_(api) {}

    // The reader's protocol is no longer known (the line was opened again).
    void forget_protocol() { protocol_ = 0; }

    // Looks for a card in a field where none is known: Type A first, then Type B,
    // then ISO 15693. A card found is left selected (Type A), ready (Type B) or as
    // it was (ISO 15693), and the reader on its protocol. Cards of other kinds are
    // passed over.
    Look find(FieldCard &card);

    // Whether `card` is still in the field. An activated processor card is asked
    // with an empty command block, which leaves its session as it is; any other
    // card is halted and selected again by its identifier (a Mifare
    // authentication is lost).
    Look check(const FieldCard &card, bool activated);

    // Makes `card` ready for commands from its start: a processor card is taken
    // out of its session if it is in one and activated again (Type A: ATS into
    // card.ats; Type B: ATTRIB), a Type A storage card selected again, an ISO 15693
    // tag's memory read from its system information. NoCard when another card
    // answered in its place.
    Look activate(FieldCard &card, bool activated);

    // Ends the card's session: deselect or halt. The card may have left already:
    // only a line fault counts, and is returned (0 otherwise).
    std::int32_t deactivate(const FieldCard &card, bool activated);

    // Turns the field off and on again: every card in it starts from power-up.
    // 0 or the failing call's result.
    std::int32_t reset_field();

private:
    std::int32_t use_protocol(char protocol);
    Look find_type_a(FieldCard &card);
    Look find_type_b(FieldCard &card);
    Look find_iso15693(FieldCard &card);
    Look select_again(const FieldCard &card);
    Look wake_type_b(const FieldCard &card);
    Look read_system_information(FieldCard &card);

    const binding::ReaderApi &api_;
    char protocol_ = 0;
};

// The PUPI as rf_attrib and rf_hltb take it: the four bytes as they stand in the
// ATQB, least significant first.
std::uint32_t pupi_value(ByteView pupi);

}  // namespace pcsc
