#pragma once

// Reading a whole Mifare Classic card: each sector's keys from the candidates,
// then every block those keys may read. What no key opens stays unknown in the
// dump; keys live in the trailers as on the card.

#include <optional>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/card_error.h"
#include "cardwork/key_candidates.h"
#include "cardwork/mifare_card.h"
#include "cardwork/progress.h"

namespace cardwork {

struct SectorReport {
    int sector = 0;
    std::optional<cardkit::MifareKey> key_a, key_b;
    bool key_b_readable = false;  // key B was read as data: it is no key
    int blocks = 0;
    int blocks_read = 0;
};

struct MifareDumpReport {
    cardkit::CardDump dump;
    // One a sector begun; when the work stopped, the last one holds what its
    // sector gave before.
    std::vector<SectorReport> sectors;
};

// Finds the keys of `sector` (key A, then key B unless the trailer shows it to
// be readable data) and reads into `dump` every block they open. `progress` is
// told of each key tried, in units of the dump's sectors.
SectorReport read_sector(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &dump,
                         const ProgressCallback &progress = {});

// A dump, or as much of it as was read when something stopped the work.
struct MifareDumpOutcome {
    MifareDumpReport report;
    // What ended the work before the last sector: a failed call, the card gone,
    // the caller's cancellation, an unexpected failure. Everything read before
    // stays in `report`.
    std::optional<CardError> stopped;
};

// Every sector of a card of `type` (the card selected, as find_key needs it).
MifareDumpOutcome dump_mifare_card(MifareCard &card, cardkit::MifareType type, KeyCandidates &keys,
                                   const ProgressCallback &progress = {});

}  // namespace cardwork
