#pragma once

// Whole reads of the cards without keys: Ultralight by its 16 pages, SRIX4K by
// its 128 blocks and the system block, SR176 by its 16 blocks, an ISO 15693 tag
// by addressed requests with its block security. Each powers the field for its
// protocol, finds the card and reads it through.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/card_error.h"
#include "cardwork/progress.h"
#include "cardwork/reader_session.h"

namespace cardwork {

// A card read, or as much of it as was read when something stopped the work.
struct MemoryCardRead {
    // From the moment the card's size is known (an ISO 15693 tag's from its
    // system information); its identity once the card told it.
    std::optional<cardkit::CardDump> dump;
    std::optional<std::uint8_t> chip_id;  // SR176 and SRIX4K
    std::vector<std::string> warnings;    // what the dump goes without
    // A failed call, a card that is not of the family, the caller's
    // cancellation, an unexpected failure. What was read before stays in `dump`.
    std::optional<CardError> stopped;
};

// `progress` is told after each read, in blocks (pages for Ultralight). An
// Ultralight is read as `type` says (its pages); the first Ultralight's 16 by
// default. SRIX4K blocks and the system block are kept as the tag sends them,
// least significant byte first, the reverse of the order the reader hands them
// over in.
MemoryCardRead read_ultralight(ReaderSession &session, const ProgressCallback &progress = {},
                               cardkit::UltralightType type = cardkit::UltralightType::Ultralight);
MemoryCardRead read_srix4k(ReaderSession &session, const ProgressCallback &progress = {});
MemoryCardRead read_sr176(ReaderSession &session, const ProgressCallback &progress = {});
MemoryCardRead read_iso15693(ReaderSession &session, const ProgressCallback &progress = {});

}  // namespace cardwork
