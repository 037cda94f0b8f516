#pragma once

// ISO 14443-4 processor cards of Type A and B: activated, then commands (APDUs)
// exchanged with them, then left as they were found.

#include <cstdint>
#include <optional>

#include "cardkit/bytes.h"
#include "cardwork/reader_session.h"

namespace cardwork {

struct ProcessorCard {
    char type = 'A';          // 'A' or 'B'
    cardkit::Bytes uid, ats;  // Type A: the activation answer, UID then ATS
    cardkit::Bytes atqb;      // Type B: the whole ATQB
    cardkit::Bytes pupi;      // Type B: as it stands in the ATQB
};

// A card activated, or the result that says why none was: no card answered
// (kNoCard), or the Type A card that did speaks no ISO 14443-4 (kNotIso14443_4).
struct Activation {
    std::optional<ProcessorCard> card;
    std::int32_t refusal = 0;
};

// The field cycle for the type, then rf_typea_rst (every card) or rf_atqb (wake
// up) and rf_attrib. CardError for any other failure, and for an ATQB too short
// to hold a PUPI (CardUnusable).
Activation activate_type_a(ReaderSession &session);
Activation activate_type_b(ReaderSession &session);

// One command; the card's answer, its status word last. CardError when the call
// fails.
cardkit::Bytes exchange_apdu(ReaderSession &session, const ProcessorCard &card,
                             cardkit::ByteView command);

// Deselects a Type A card, halts a Type B one; a card already gone does not
// matter.
void release(ReaderSession &session, const ProcessorCard &card);

}  // namespace cardwork
