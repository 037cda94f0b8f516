#include "cards/type_a_card.h"

#include <utility>

namespace sim {

TypeACard::TypeACard(Bytes uid, std::array<std::uint8_t, 2> atqa, std::uint8_t sak)
    : uid_(std::move(uid)), atqa_(atqa), sak_(sak) {}

void TypeACard::power_off() {
    state_ = State::Idle;
    level_ = 0;
    woken_from_halt_ = false;
    on_reset();
}

void TypeACard::fall_back() {
    state_ = woken_from_halt_ ? State::Halt : State::Idle;
    level_ = 0;
    on_reset();
}

Reply TypeACard::refuse(ReaderStatus status) {
    fall_back();
    return Reply::fail(status);
}

bool TypeACard::request(bool wake_up) {
    switch (state_) {
        case State::Idle:
            break;
        case State::Halt:
            if (!wake_up) return false;
            woken_from_halt_ = true;
            break;
        case State::Ready:
        case State::Active:
            fall_back();
            return false;
    }
    if (state_ == State::Idle) woken_from_halt_ = false;
    state_ = State::Ready;
    level_ = 0;
    return true;
}

std::array<std::uint8_t, 4> TypeACard::cascade_bytes() const {
    if (uid_.size() == 4) return {uid_[0], uid_[1], uid_[2], uid_[3]};
    if (level_ == 0) return {kCascadeTag, uid_[0], uid_[1], uid_[2]};
    return {uid_[3], uid_[4], uid_[5], uid_[6]};
}

std::optional<std::uint8_t> TypeACard::select(const std::array<std::uint8_t, 4> &bytes) {
    if (state_ != State::Ready || bytes != cascade_bytes()) return std::nullopt;
    if (level_ + 1 < cascade_levels()) {
        ++level_;
        return kSakCascadeBit;
    }
    state_ = State::Active;
    return sak_;
}

void TypeACard::halt() {
    if (state_ != State::Active) return;
    state_ = State::Halt;
    level_ = 0;
    on_reset();
}

Reply TypeACard::authenticate(MifareKeyType, std::uint8_t, ByteView) {
    return refuse(ReaderStatus::AuthFailed);
}
Reply TypeACard::read_block(std::uint8_t) {
    return refuse(ReaderStatus::CardError);
}
Reply TypeACard::write_block(std::uint8_t, ByteView) {
    return refuse(ReaderStatus::CardError);
}
Reply TypeACard::value_operation(ValueOperation, std::uint8_t, std::uint32_t) {
    return refuse(ReaderStatus::CardError);
}
Reply TypeACard::transfer(std::uint8_t) {
    return refuse(ReaderStatus::CardError);
}
Reply TypeACard::write_page(std::uint8_t, ByteView) {
    return refuse(ReaderStatus::CardError);
}
Reply TypeACard::activate() {
    return refuse(ReaderStatus::NotIso14443_4);
}
Reply TypeACard::exchange(ByteView) {
    return refuse(ReaderStatus::NotIso14443_4);
}
Reply TypeACard::deselect() {
    return refuse(ReaderStatus::NotIso14443_4);
}

}  // namespace sim
