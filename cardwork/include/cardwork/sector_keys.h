#pragma once

// The keys of one sector of a card about to be written or counted on: key A
// searched for at once (it reads the card's access bits), key B only when an
// operation needs it, and for each operation a found key that the card's own
// access conditions allow for it.

#include <functional>
#include <optional>
#include <string>

#include "cardkit/access_bits.h"
#include "cardkit/dump.h"
#include "cardwork/key_candidates.h"
#include "cardwork/mifare_card.h"

namespace cardwork {

class SectorKeys {
public:
    // Keys found are added to `keys` and written into `found`.
    SectorKeys(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &found);

    // The card's access bits for the sector, when a found key could read them.
    const std::optional<cardkit::AccessBits> &access() const { return access_; }
    std::optional<cardkit::MifareKey> key(cardkit::KeyType type);

    // Makes a found key that may exercise `right` on the data block `block` the
    // key in use (key A first); nullopt with `why` set when there is none. While
    // the access bits are unknown any found key is taken and the card decides.
    std::optional<cardkit::KeyType> use_for_data(int block,
                                                 cardkit::KeyRight cardkit::DataBlockRights::*right,
                                                 std::string &why);
    // The same for writing the whole trailer: keys, access bits and all.
    std::optional<cardkit::KeyType> use_for_trailer(std::string &why);

private:
    void read_access();
    std::optional<cardkit::MifareKey> search(cardkit::KeyType type);
    std::optional<cardkit::KeyType> use(const std::function<bool(cardkit::KeyType)> &allowed,
                                        std::string &why);

    MifareCard &card_;
    int sector_;
    KeyCandidates &keys_;
    cardkit::CardDump &found_;
    std::optional<cardkit::MifareKey> a_, b_;
    bool b_searched_ = false;
    std::optional<cardkit::AccessBits> access_;
};

}  // namespace cardwork
