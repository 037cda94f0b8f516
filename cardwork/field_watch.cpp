#include "cardwork/field_watch.h"

#include "platform/sleep.h"
#include "protocol/card_protocols.h"

namespace cardwork {

namespace {

// A failed call the reader answered for is the card's; anything else is the line's.
void throw_if_line_failed(const char *function, std::int32_t result) {
    CardError error = CardError::call(function, result);
    if (outcome_unknown(error)) throw error;
}

}  // namespace

FieldWatch::FieldWatch(ReaderSession &session, FieldWatchSettings settings, Pause pause)
    : session_(session), settings_(settings), pause_(std::move(pause)) {}

FieldPoll FieldWatch::find_card() {
    try {
        TypeAAnswer answer = select_type_a(session_, protocol::kRequestAll);
        if (answer.mixed_uid_sizes) {
            return {std::nullopt,
                    "cards with 4-byte and 7-byte UIDs answer together: take all but one out of "
                    "the field"};
        }
        return {std::move(answer.card), {}};
    } catch (const CardError &error) {
        if (error.kind() == CardErrorKind::CardUnusable) return {std::nullopt, error.what()};
        if (error.kind() == CardErrorKind::ReaderFailed && !outcome_unknown(error)) return {};
        throw;
    }
}

std::optional<bool> FieldWatch::still_there(const TypeACard &card) {
    std::uint8_t atqa[2] = {};
    const std::int32_t requested = CARDWORK_TRY(session_, rf_request, protocol::kRequestAll, atqa);
    if (requested == kNoCard) return false;
    if (requested != 0) {
        throw_if_line_failed("rf_request", requested);
        return std::nullopt;
    }
    std::uint8_t sak = 0;
    const std::int32_t selected = CARDWORK_TRY(session_, rf_select, card.uid.data(),
                                               static_cast<std::int32_t>(card.uid.size()), &sak);
    if (selected != 0) {
        throw_if_line_failed("rf_select", selected);
        return false;
    }
    // Halted, it answers the next wake-up request as it did this one.
    const std::int32_t halted = CARDWORK_TRY(session_, rf_halt);
    if (halted != 0) throw_if_line_failed("rf_halt", halted);
    return true;
}

bool FieldWatch::pause(const std::atomic<bool> *stop) {
    if (pause_) {
        pause_(settings_.interval);
    } else {
        platform::sleep_ms(static_cast<unsigned>(settings_.interval.count()));
    }
    return stop == nullptr || !stop->load();
}

std::optional<TypeACard> FieldWatch::wait_for_card(
    const std::atomic<bool> *stop, const std::function<void(const std::string &)> &on_unusable) {
    if (stop != nullptr && stop->load()) return std::nullopt;
    for (;;) {
        FieldPoll poll = find_card();
        if (poll.card) return std::move(poll.card);
        if (!poll.unusable.empty() && on_unusable) on_unusable(poll.unusable);
        if (!pause(stop)) return std::nullopt;
    }
}

bool FieldWatch::wait_until_gone(const TypeACard &card, const std::atomic<bool> *stop) {
    // A card still active from the work would take the first wake-up for an error.
    const std::int32_t halted = CARDWORK_TRY(session_, rf_halt);
    if (halted != 0) throw_if_line_failed("rf_halt", halted);
    int misses = 0;
    for (;;) {
        if (stop != nullptr && stop->load()) return false;
        const std::optional<bool> there = still_there(card);
        if (there == true) {
            misses = 0;
        } else if (there == false && ++misses >= settings_.absences) {
            return true;
        }
        if (!pause(stop)) return false;
    }
}

}  // namespace cardwork
