#pragma once

// Writing a dump back to a Mifare Classic card: data blocks always, block 0 and
// trailers only on request. Each block is written with a key the card's own
// access conditions allow for it, found from the candidates; a trailer is written
// last in its sector, since it changes the keys.

#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cli/key_candidates.h"
#include "cli/mifare_card.h"
#include "cli/progress_bar.h"

namespace rfcard {

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
    std::vector<int> written;
    std::vector<BlockNote> skipped;      // not written, and why
    int verified = 0;                    // written blocks read back
    std::vector<BlockNote> differences;  // what read back differently
    cardkit::CardDump keys;              // the card's keys as far as known afterwards
};

// What a restore of `dump` onto a card of `card_type` would write beyond data
// blocks: block 0 and the trailers whose 16 bytes the dump holds. A ToolError
// (kExitBadInput) before anything is written when the dump is no Mifare Classic
// dump, is larger than the card, or holds a trailer to be written whose access
// bits are invalid (the card would refuse that sector for good).
struct PrivilegedWrites {
    bool block0 = false;
    std::vector<int> trailer_sectors;
};
PrivilegedWrites check_restorable(const cardkit::CardDump &dump, cardkit::MifareType card_type,
                                  const RestoreOptions &options);

// Into `report`, whose keys dump has the card's size; what was done stays there
// when a failure ends the restore half way.
void restore_mifare_card(MifareCard &card, const cardkit::CardDump &dump, KeyCandidates &keys,
                         const RestoreOptions &options, ProgressBar &progress,
                         RestoreReport &report);

}  // namespace rfcard
