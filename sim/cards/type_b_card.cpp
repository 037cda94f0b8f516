#include "cards/type_b_card.h"

namespace sim {

TypeBCard::TypeBCard(Protocol protocol, Pupi pupi, std::array<std::uint8_t, 4> application_data,
                     std::array<std::uint8_t, 3> protocol_info)
    : protocol_(protocol),
      pupi_(pupi),
      application_data_(application_data),
      protocol_info_(protocol_info) {}

void TypeBCard::power_off() {
    state_ = State::Idle;
    on_reset();
}

Bytes TypeBCard::atqb() const {
    Bytes answer = {0x50};
    append(answer, pupi_);
    append(answer, application_data_);
    append(answer, protocol_info_);
    return answer;
}

bool TypeBCard::request(bool wake_up) {
    switch (state_) {
        case State::Idle:
        case State::Ready:
            break;
        case State::Halt:
            if (!wake_up) return false;
            break;
        case State::Active:
            return false;
    }
    state_ = State::Ready;
    on_reset();
    return true;
}

bool TypeBCard::attrib(const Pupi &pupi) {
    if (pupi != pupi_ || (state_ != State::Ready && state_ != State::Active)) return false;
    state_ = State::Active;
    return true;
}

bool TypeBCard::halt(const Pupi &pupi) {
    if (pupi != pupi_ || (state_ != State::Ready && state_ != State::Active)) return false;
    state_ = State::Halt;
    on_reset();
    return true;
}

Reply TypeBCard::exchange(ByteView) {
    return Reply::fail(ReaderStatus::NotIso14443_4);
}

}  // namespace sim
