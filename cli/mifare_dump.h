#pragma once

// Reading a whole Mifare Classic card: each sector's keys from the candidates,
// then every block those keys may read. What no key opens stays unknown in the
// dump; keys live in the trailers as on the card.

#include <optional>
#include <vector>

#include "cardkit/dump.h"
#include "cli/key_candidates.h"
#include "cli/mifare_card.h"
#include "cli/progress_bar.h"

namespace rfcard {

struct SectorReport {
    int sector = 0;
    std::optional<cardkit::MifareKey> key_a, key_b;
    bool key_b_readable = false;  // key B was read as data: it is no key
    int blocks = 0;
    int blocks_read = 0;
};

struct MifareDumpReport {
    cardkit::CardDump dump;
    std::vector<SectorReport> sectors;
};

// Finds the keys of `sector` (key A, then key B unless the trailer shows it to
// be readable data) and reads into `dump` every block they open.
SectorReport read_sector(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &dump,
                         ProgressBar &progress, int sector_count);

// Every sector into `report`, whose dump has the card's size. What was read stays
// there when a failure ends the reading half way.
void dump_mifare_card(MifareCard &card, KeyCandidates &keys, ProgressBar &progress,
                      MifareDumpReport &report);

}  // namespace rfcard
