#include "field_slot.h"

#include <algorithm>

#include "contactless_atr.h"
#include "protocol/frame.h"
#include "protocol/reader_status.h"

namespace pcsc {

namespace {

constexpr std::uint8_t kPseudoApduClass = 0xFF;
constexpr std::int32_t kTypeBLeadingByte = 0;

}  // namespace

void FieldSlot::look(Clock::time_point now) {
    look_once(now);
    const Clock::time_point end = Clock::now();
    next_look_ = std::max(now + kLookInterval, end + (end - now));
}

void FieldSlot::look_once(Clock::time_point now) {
    if (card_) {
        if (now - last_seen_ < kFresh) return;
        const bool in_session = powered_ && is_processor_card(card_->kind);
        const Look look = activation_.check(*card_, in_session);
        if (!look.card()) {
            forget();
            return;
        }
        last_seen_ = now;
        // Selected again: any authentication on the card is gone.
        session_.selected = true;
        session_.card_holds_grant = false;
        return;
    }
    if (field_unknown_) {
        if (activation_.reset_field() != 0) return;
        field_unknown_ = false;
        stale_.reset();
    }
    if (stale_) {
        if (activation_.deactivate(*stale_, true) != 0) return;
        stale_.reset();
    }
    FieldCard found;
    if (!activation_.find(found).card()) return;
    card_ = std::move(found);
    powered_ = false;
    session_ = StorageSession{};
    last_seen_ = now;
    presence_.found();
}

RESPONSECODE FieldSlot::power_up(Bytes &atr) {
    atr.clear();
    if (!card_ || !presence_.reported_card_is_current()) return IFD_ERROR_POWER_ACTION;
    const bool in_session = powered_ && is_processor_card(card_->kind);
    const Look look = activation_.activate(*card_, in_session);
    if (!look.card()) {
        forget();
        return look.seen == Look::Seen::LineFault ? IFD_COMMUNICATION_ERROR
                                                  : IFD_ERROR_POWER_ACTION;
    }
    powered_ = true;
    session_ = StorageSession{};
    last_seen_ = Clock::now();
    atr = contactless_atr(*card_);
    set_atr(atr);
    return IFD_SUCCESS;
}

void FieldSlot::power_down() {
    if (card_ && powered_) activation_.deactivate(*card_, is_processor_card(card_->kind));
    powered_ = false;
    session_ = StorageSession{};
    set_atr({});
}

RESPONSECODE FieldSlot::transmit(ByteView apdu, Bytes &response) {
    response.clear();
    if (!card_ || !powered_) return IFD_COMMUNICATION_ERROR;
    SlotReply reply;
    if (apdu.size() < 4) {
        reply = SlotReply::status(sw::kWrongLength);
    } else if (apdu[0] == kPseudoApduClass) {
        reply = PseudoApdus(api_, activation_, *card_, session_, keys_).answer(apdu);
    } else if (is_processor_card(card_->kind)) {
        reply = exchange(apdu);
    } else {
        reply = SlotReply::status(sw::kClassNotSupported);
    }
    switch (reply.outcome) {
        case SlotReply::Outcome::Answered:
            if (reply.card_answered) last_seen_ = Clock::now();
            response = std::move(reply.response);
            return IFD_SUCCESS;
        case SlotReply::Outcome::Failed:
            return IFD_COMMUNICATION_ERROR;
        case SlotReply::Outcome::CardGone:
        case SlotReply::Outcome::LineFault:
            forget();
            return IFD_COMMUNICATION_ERROR;
    }
    return IFD_COMMUNICATION_ERROR;
}

SlotReply FieldSlot::exchange(ByteView apdu) {
    const bool type_a = card_->kind == CardKind::Iso14443_4A;
    // The reader's exchange chains the blocks itself; it takes no more than this.
    if (apdu.size() > (type_a ? kLongestTypeAApdu : kLongestTypeBApdu)) {
        return SlotReply::status(sw::kWrongLength);
    }
    std::array<std::uint8_t, protocol::kMaxResponseData> answer{};
    std::uint8_t length = 0;
    const auto size = static_cast<std::int32_t>(apdu.size());
    const std::int32_t result =
        type_a ? api_.rf_cos_command(kReaderAddress, apdu.data(), size, answer.data(), &length)
               : api_.rf_typeb_cos(kReaderAddress, kTypeBLeadingByte, apdu.data(), size,
                                   answer.data(), &length);
    if (result == 0) return SlotReply::done_by_card(Bytes(answer.begin(), answer.begin() + length));
    if (is_line_fault(result)) return SlotReply::failed(SlotReply::Outcome::LineFault, result);
    if (result == protocol::status_byte(protocol::ReaderStatus::NoCard) ||
        result == protocol::status_byte(protocol::ReaderStatus::NotIso14443_4)) {
        return SlotReply::failed(SlotReply::Outcome::CardGone, result);
    }
    // The card's answer did not fit in a frame, or the reader reported an error:
    // the card may still be there.
    return SlotReply::failed(SlotReply::Outcome::Failed, result);
}

void FieldSlot::line_lost() {
    activation_.forget_protocol();
    field_unknown_ = true;
    forget();
}

void FieldSlot::forget() {
    if (card_) stale_ = std::move(card_);
    card_.reset();
    powered_ = false;
    session_ = StorageSession{};
    set_atr({});
    presence_.gone();
}

Bytes FieldSlot::atr() const {
    std::lock_guard<std::mutex> lock(atr_mutex_);
    return atr_;
}

void FieldSlot::set_atr(Bytes atr) {
    std::lock_guard<std::mutex> lock(atr_mutex_);
    atr_ = std::move(atr);
}

}  // namespace pcsc
