#include "cardwork/sector_keys.h"

namespace cardwork {

namespace {

using cardkit::KeyType;

std::string key_name(KeyType type) { return type == KeyType::A ? "key A" : "key B"; }

}  // namespace

SectorKeys::SectorKeys(MifareCard &card, int sector, KeyCandidates &keys, cardkit::CardDump &found)
    : card_(card), sector_(sector), keys_(keys), found_(found) {
    a_ = search(KeyType::A);
    if (a_) read_access();
}

std::optional<cardkit::MifareKey> SectorKeys::key(KeyType type) {
    if (type == KeyType::A) return a_;
    if (!b_searched_) {
        b_searched_ = true;
        // Key B that reads as data cannot authenticate.
        if (!access_ || !cardkit::key_b_readable(access_->groups[3])) b_ = search(KeyType::B);
        if (b_ && !access_) read_access();
    }
    return b_;
}

void SectorKeys::read_access() {
    // Parts the key in use may not read come back as zeros, which never decode.
    if (const auto trailer = card_.read(cardkit::trailer_block(sector_))) {
        access_ = cardkit::decode_access_bits(cardkit::ByteView(*trailer).subspan(6, 3));
    }
}

std::optional<cardkit::MifareKey> SectorKeys::search(KeyType type) {
    const auto key = card_.find_key(sector_, type, keys_.for_sector(sector_, type));
    if (key) {
        keys_.add_found(sector_, type, *key);
        found_.set_key(sector_, type, *key);
    }
    return key;
}

std::optional<KeyType> SectorKeys::use(const std::function<bool(KeyType)> &allowed,
                                       std::string &why) {
    std::vector<KeyType> needed;
    for (const KeyType type : {KeyType::A, KeyType::B}) {
        if (access_ && !allowed(type)) continue;
        if (const auto found = key(type)) {
            card_.use_key(sector_, type, *found);
            return type;
        }
        needed.push_back(type);
    }
    if (!access_) {
        why = "no key of sector " + std::to_string(sector_) + " was found";
    } else if (needed.empty()) {
        why = "the card's access conditions never allow it";
    } else {
        why = "it needs " + key_name(needed.front()) +
              (needed.size() > 1 ? " or " + key_name(needed.back()) : "") + ", which was not found";
    }
    return std::nullopt;
}

std::optional<KeyType> SectorKeys::use_for_data(int block,
                                                cardkit::KeyRight cardkit::DataBlockRights::*right,
                                                std::string &why) {
    const int count = cardkit::blocks_in_sector(sector_);
    const int index = block - cardkit::first_block(sector_);
    return use(
        [&](KeyType type) {
            const auto group = access_->groups[cardkit::access_group(index, count)];
            return cardkit::key_right_allows(cardkit::data_block_rights(group).*right, type);
        },
        why);
}

std::optional<KeyType> SectorKeys::use_for_trailer(std::string &why) {
    return use(
        [&](KeyType type) {
            const auto rights = cardkit::trailer_rights(access_->groups[3]);
            return cardkit::key_right_allows(rights.key_a_write, type) &&
                   cardkit::key_right_allows(rights.access_write, type) &&
                   cardkit::key_right_allows(rights.key_b_write, type);
        },
        why);
}

}  // namespace cardwork
