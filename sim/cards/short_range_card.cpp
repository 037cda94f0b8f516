#include "cards/short_range_card.h"

namespace sim {

void ShortRangeCard::power_off() {
    state_ = State::Ready;
}

std::optional<std::uint8_t> ShortRangeCard::initiate() {
    if (state_ != State::Ready) return std::nullopt;
    state_ = State::Inventory;
    return chip_id_;
}

bool ShortRangeCard::select(std::uint8_t chip_id) {
    if (state_ != State::Inventory && state_ != State::Selected) return false;
    if (chip_id != chip_id_) {
        if (state_ == State::Selected) state_ = State::Inventory;
        return false;
    }
    state_ = State::Selected;
    on_select();
    return true;
}

void ShortRangeCard::completion() {
    if (state_ == State::Selected) state_ = State::Deactivated;
}

}  // namespace sim
