#include "cardwork/key_candidates.h"

#include <algorithm>
#include <unordered_set>

namespace cardwork {

namespace {

using cardkit::KeyType;
using cardkit::MifareKey;

std::uint64_t as_number(const MifareKey &key) {
    std::uint64_t number = 0;
    for (const std::uint8_t byte : key) number = number << 8 | byte;
    return number;
}

KeyType other(KeyType type) { return type == KeyType::A ? KeyType::B : KeyType::A; }

}  // namespace

KeyCandidates::KeyCandidates(std::vector<MifareKey> given, std::vector<MifareKey> listed)
    : given_(std::move(given)), listed_(std::move(listed)) {}

void KeyCandidates::add_known(const cardkit::CardDump &keys) {
    if (keys.family() != cardkit::CardFamily::MifareClassic) return;
    for (int sector = 0; sector < keys.sector_count(); ++sector) {
        for (const KeyType type : {KeyType::A, KeyType::B}) {
            if (const auto key = keys.key(sector, type)) known_[{sector, type}] = *key;
        }
    }
}

void KeyCandidates::add_found(int sector, KeyType type, const MifareKey &key) {
    known_[{sector, type}] = key;
    std::erase(found_, key);
    found_.push_back(key);
}

std::vector<MifareKey> KeyCandidates::for_sector(int sector, KeyType type) const {
    std::vector<MifareKey> order;
    std::unordered_set<std::uint64_t> seen;
    const auto add = [&](const MifareKey &key) {
        if (seen.insert(as_number(key)).second) order.push_back(key);
    };
    for (const KeyType slot_type : {type, other(type)}) {
        if (const auto known = known_.find({sector, slot_type}); known != known_.end())
            add(known->second);
    }
    for (const MifareKey &key : given_) add(key);
    std::for_each(found_.rbegin(), found_.rend(), add);
    for (const auto &[slot, key] : known_) add(key);
    for (const MifareKey &key : listed_) add(key);
    return order;
}

}  // namespace cardwork
