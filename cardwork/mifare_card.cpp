#include "cardwork/mifare_card.h"

#include <string>

#include "protocol/card_protocols.h"

namespace cardwork {

bool MifareCard::authenticate(int sector, cardkit::KeyType type, const cardkit::MifareKey &key) {
    if (!selected_) reselect(session_, card_);
    selected_ = true;
    const std::int32_t mode =
        type == cardkit::KeyType::A ? protocol::kAuthenticateKeyA : protocol::kAuthenticateKeyB;
    const std::int32_t result = CARDWORK_TRY(session_, rf_M1_authentication2, mode,
                                             cardkit::trailer_block(sector), key.data());
    if (result == kAuthFailed) {
        last_refusal_ = Refusal{"rf_M1_authentication2", result};
        fell_back();
        return false;
    }
    if (result != 0) throw CardError::call("rf_M1_authentication2", result);
    authenticated_ = true;
    in_use_ = KeyInUse{sector, type, key};
    return true;
}

std::optional<cardkit::MifareKey> MifareCard::find_key(
    int sector, cardkit::KeyType type, const std::vector<cardkit::MifareKey> &candidates,
    const std::function<void(std::size_t)> &on_try) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (on_try) on_try(i);
        // Counted once it is sure to be tried: a cancellation stops before.
        session_.check_cancel();
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
        throw CardError::call(
            "rf_M1_authentication2", kAuthFailed,
            "the key that opened sector " + std::to_string(key.sector) + " no longer does");
    }
}

std::optional<MifareBlock> MifareCard::read(int block) {
    open();
    MifareBlock data{};
    std::uint8_t length = 0;
    const std::int32_t result = CARDWORK_TRY(session_, rf_M1_read, block, data.data(), &length);
    if (result == kNotAllowed) {
        last_refusal_ = Refusal{"rf_M1_read", result};
        fell_back();
        return std::nullopt;
    }
    if (result != 0) throw CardError::call("rf_M1_read", result);
    return data;
}

bool MifareCard::write(int block, cardkit::ByteView data) {
    open();
    const std::int32_t result = CARDWORK_TRY(session_, rf_M1_write, block, data.data());
    if (result == kNotAllowed) {
        last_refusal_ = Refusal{"rf_M1_write", result};
        fell_back();
        return false;
    }
    if (result != 0) throw CardError::call("rf_M1_write", result);
    return true;
}

template <typename Function>
void MifareCard::value_call(const char *name, Function function, int block, std::int32_t operand) {
    open();
    const std::int32_t result = session_.attempt(function, block, operand);
    if (result == 0) return;
    // Whatever the card refused, it is no longer authenticated.
    fell_back();
    throw CardError::call(name, result);
}

void MifareCard::init_value(int block, std::int32_t value) {
    value_call("rf_M1_initval", session_.api().rf_M1_initval, block, value);
}

void MifareCard::increment(int block, std::int32_t amount) {
    value_call("rf_M1_increment", session_.api().rf_M1_increment, block, amount);
}

void MifareCard::decrement(int block, std::int32_t amount) {
    value_call("rf_M1_decrement", session_.api().rf_M1_decrement, block, amount);
}

}  // namespace cardwork
