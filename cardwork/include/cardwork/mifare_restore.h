#pragma once

// Writing a dump back to a Mifare Classic card: data blocks always, block 0 and
// trailers only on request. Each block is written with a key the card's own
// access conditions allow for it, found from the candidates; a trailer is written
// last in its sector, since it changes the keys.

#include <optional>
#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/card_error.h"
#include "cardwork/key_candidates.h"
#include "cardwork/mifare_card.h"
#include "cardwork/progress.h"

namespace cardwork {

struct RestoreOptions {
    bool include_block0 = false;
    bool include_trailers = false;
    bool verify = false;
};

struct BlockNote {
    int block = 0;
    std::string note;
};

struct RestoreReport {
    std::vector<int> written;            // in the order written, each confirmed by the card
    std::vector<BlockNote> skipped;      // not written, and why
    int verified = 0;                    // written blocks read back
    std::vector<BlockNote> differences;  // what read back differently
    cardkit::CardDump keys;              // the card's keys as far as known afterwards
    // The block whose write was sent when the line failed (no answer, a broken
    // one): it may or may not hold the dump's bytes now.
    std::optional<int> in_doubt;
};

// What a restore of `dump` onto a card of `card_type` would write beyond data
// blocks: block 0 and the trailers whose 16 bytes the dump holds. A CardError
// (DumpUnusable) before anything is written when the dump is no Mifare Classic
// dump, is larger than the card, or holds a trailer to be written whose access
// bits are invalid (the card would refuse that sector for good).
struct PrivilegedWrites {
    bool block0 = false;
    std::vector<int> trailer_sectors;
};
PrivilegedWrites check_restorable(const cardkit::CardDump &dump, cardkit::MifareType card_type,
                                  const RestoreOptions &options);

// What was done, and what stopped it before the end: a failed call, the card
// gone, the caller's cancellation, an unexpected failure, or a dump
// check_restorable refuses (then nothing was written).
struct RestoreOutcome {
    RestoreReport report;
    std::optional<CardError> stopped;
};

// Writes `dump` onto the card (selected, of `card_type`), sector by sector;
// `progress` is told at each sector's start and at the end.
RestoreOutcome restore_mifare_card(MifareCard &card, cardkit::MifareType card_type,
                                   const cardkit::CardDump &dump, KeyCandidates &keys,
                                   const RestoreOptions &options,
                                   const ProgressCallback &progress = {});

}  // namespace cardwork
