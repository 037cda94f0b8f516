#include "cli/mifare_card.h"

namespace rfcard {

namespace {

constexpr std::int32_t kAuthKeyA = 0x60;
constexpr std::int32_t kAuthKeyB = 0x61;

}  // namespace

bool MifareCard::authenticate(int sector, cardkit::KeyType type, const cardkit::MifareKey &key) {
    if (!selected_) reselect(reader_, card_);
    selected_ = true;
    const std::int32_t result =
        RF_TRY(reader_, rf_M1_authentication2, type == cardkit::KeyType::A ? kAuthKeyA : kAuthKeyB,
               cardkit::trailer_block(sector), key.data());
    if (result == kAuthFailed) {
        fell_back();
        return false;
    }
    if (result != 0) throw ReaderError("rf_M1_authentication2", result);
    authenticated_ = true;
    in_use_ = KeyInUse{sector, type, key};
    return true;
}

std::optional<cardkit::MifareKey> MifareCard::find_key(
    int sector, cardkit::KeyType type, const std::vector<cardkit::MifareKey> &candidates,
    const std::function<void(std::size_t)> &on_try) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (on_try) on_try(i);
        ++keys_tried_;
        if (authenticate(sector, type, candidates[i])) return candidates[i];
        ++keys_failed_;
    }
    return std::nullopt;
}

void MifareCard::use_key(int sector, cardkit::KeyType type, const cardkit::MifareKey &key) {
    if (in_use_ && in_use_->sector == sector && in_use_->type == type && in_use_->key == key)
        return;
    in_use_ = KeyInUse{sector, type, key};
    authenticated_ = false;
}

std::optional<cardkit::KeyType> MifareCard::key_in_use() const {
    if (!in_use_) return std::nullopt;
    return in_use_->type;
}

void MifareCard::open() {
    if (authenticated_ || !in_use_) return;
    const KeyInUse key = *in_use_;
    if (!authenticate(key.sector, key.type, key.key)) {
        throw ReaderError(
            "rf_M1_authentication2", kAuthFailed,
            "the key that opened sector " + std::to_string(key.sector) + " no longer does");
    }
}

std::optional<MifareBlock> MifareCard::read(int block) {
    open();
    MifareBlock data{};
    std::uint8_t length = 0;
    const std::int32_t result = RF_TRY(reader_, rf_M1_read, block, data.data(), &length);
    if (result == kNotAllowed) {
        fell_back();
        return std::nullopt;
    }
    if (result != 0) throw ReaderError("rf_M1_read", result);
    return data;
}

bool MifareCard::write(int block, cardkit::ByteView data) {
    open();
    const std::int32_t result = RF_TRY(reader_, rf_M1_write, block, data.data());
    if (result == kNotAllowed) {
        fell_back();
        return false;
    }
    if (result != 0) throw ReaderError("rf_M1_write", result);
    return true;
}

}  // namespace rfcard
