#pragma once

// What answers in the reader's field, protocol by protocol: each protocol's
// field cycle, then every card of it that can be told apart.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cardkit/bytes.h"
#include "cardwork/card_error.h"
#include "cardwork/reader_session.h"

namespace cardwork {

enum class FieldProtocol { TypeA, TypeB, At88rf020, Iso15693, ShortRange };

// One card that answered, or what the reader could not tell apart.
struct FieldCard {
    FieldProtocol protocol = FieldProtocol::TypeA;
    std::optional<std::uint8_t> chip_id;  // SR176 and SRIX4K
    cardkit::Bytes uid;                   // Type A, ISO 15693 (maker byte first), SRIX4K
    std::optional<std::array<std::uint8_t, 2>> atqa;  // Type A
    std::optional<std::uint8_t> sak;                  // Type A with a 4-byte UID
    cardkit::Bytes pupi;                              // Type B and AT88RF020
    std::optional<std::uint8_t> dsfid;                // ISO 15693
    // The kind where the answers tell it ("Mifare Classic 1K", "Ultralight",
    // "SRIX4K"), or what the reader could not tell apart ("several cards answered
    // at once") or read ("an answer too short to hold a PUPI"); empty otherwise.
    std::string kind;
};

// The cards found in order, and what stopped the scan before its end.
struct FieldScan {
    std::vector<FieldCard> cards;
    std::optional<CardError> stopped;
};

// Type A (every card, walked one by one), Type B (one card), AT88RF020 (one),
// ISO 15693 (every tag, each told to stay quiet) and SR176/SRIX4K (every card,
// each deactivated).
FieldScan scan_field(ReaderSession &session);

}  // namespace cardwork
