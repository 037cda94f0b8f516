#pragma once

// The keys a Mifare Classic sector is tried with, in the order most likely to
// find its keys soon: the keys this card had before, then the operator's, then
// those found on its other sectors, then the dictionaries and the defaults.

#include <map>
#include <utility>
#include <vector>

#include "cardkit/dump.h"
#include "cardkit/mifare_layout.h"

namespace cardwork {

class KeyCandidates {
public:
    // `given`: keys named on the command line; `listed`: the dictionaries' keys,
    // then the defaults.
    KeyCandidates(std::vector<cardkit::MifareKey> given, std::vector<cardkit::MifareKey> listed);

    // The keys a dump (a remembered one, or the dump being restored) knows.
    void add_known(const cardkit::CardDump &keys);
    // A key that opened a sector of this card.
    void add_found(int sector, cardkit::KeyType type, const cardkit::MifareKey &key);

    // Each key once: the sector's known key of that type, its other known key,
    // the given keys, the keys found in this run (latest first), every other
    // known key, the listed keys.
    std::vector<cardkit::MifareKey> for_sector(int sector, cardkit::KeyType type) const;

private:
    using Slot = std::pair<int, cardkit::KeyType>;
    std::vector<cardkit::MifareKey> given_;
    std::vector<cardkit::MifareKey> listed_;
    std::map<Slot, cardkit::MifareKey> known_;
    std::vector<cardkit::MifareKey> found_;
};

}  // namespace cardwork
