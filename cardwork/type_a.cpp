#include "cardwork/type_a.h"

#include <utility>

namespace cardwork {

namespace {

constexpr int kSingleUidSize = 4;
constexpr int kDoubleUidSize = 7;

// Bits 7 and 6 of the ATQA's first byte: 0 a single-size UID, 1 double, 2 triple.
int uid_size_from_atqa(std::uint8_t first) {
    const int size_bits = (first >> 6) & 3;
    return size_bits == 0 ? kSingleUidSize : size_bits == 1 ? kDoubleUidSize : 10;
}

std::optional<StepFailure> request(ReaderSession &session, std::int32_t request_code,
                                   TypeACard &card) {
    const std::int32_t result = CARDWORK_TRY(session, rf_request, request_code, card.atqa.data());
    if (result != 0) return StepFailure{TypeAStep::Request, "rf_request", result};
    return std::nullopt;
}

// Anticollision for a 4-byte UID, then the select that gives the SAK.
std::optional<StepFailure> anticollision_and_select(ReaderSession &session, TypeACard &card) {
    std::uint8_t uid[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t found = CARDWORK_TRY(session, rf_anticoll, kSingleUidSize, uid, &length);
    if (found != 0 || length != kSingleUidSize) {
        return StepFailure{TypeAStep::Anticollision, "rf_anticoll", found, length};
    }
    std::uint8_t sak = 0;
    const std::int32_t selected = CARDWORK_TRY(session, rf_select, uid, kSingleUidSize, &sak);
    if (selected != 0) return StepFailure{TypeAStep::Select, "rf_select", selected};
    card.uid.assign(uid, uid + kSingleUidSize);
    card.sak = sak;
    return std::nullopt;
}

}  // namespace

TypeASelection select_4_byte_uid(ReaderSession &session, std::int32_t request_code) {
    TypeACard card;
    if (auto failure = request(session, request_code, card)) return {std::nullopt, failure};
    if (auto failure = anticollision_and_select(session, card)) return {std::nullopt, failure};
    return {std::move(card), std::nullopt};
}

CardError step_error(const StepFailure &failure, const std::string &context) {
    if (failure.result != 0) return CardError::call(failure.function, failure.result, context);
    return CardError(
        CardErrorKind::CardUnusable,
        (context.empty() ? "" : context + ": ") + failure.function + " answered " +
            std::to_string(failure.answer_size) + " bytes, not a UID of " +
            std::to_string(failure.step == TypeAStep::UltralightSelect ? kDoubleUidSize
                                                                       : kSingleUidSize));
}

TypeAAnswer select_type_a(ReaderSession &session, std::int32_t request_code) {
    TypeACard card;
    if (const auto failure = request(session, request_code, card)) {
        if (failure->result == kNoCard) return {};
        throw step_error(*failure);
    }
    switch (uid_size_from_atqa(card.atqa[0])) {
        case kSingleUidSize:
            if (const auto failure = anticollision_and_select(session, card)) {
                throw step_error(*failure);
            }
            return {std::move(card)};
        case kDoubleUidSize: {
            std::uint8_t uid[protocol::kAnswerRoom] = {};
            std::uint8_t length = 0;
            const std::int32_t result = CARDWORK_TRY(session, rf_ul_select, uid, &length);
            // The ATQAs of several cards arrive OR-ed; a 4-byte card got selected here.
            if (result == 1 && length == kSingleUidSize) return {std::nullopt, true};
            if (result != 0 || length != kDoubleUidSize) {
                throw step_error({TypeAStep::UltralightSelect, "rf_ul_select", result, length});
            }
            card.uid.assign(uid, uid + kDoubleUidSize);
            return {std::move(card)};
        }
        default:
            throw CardError(CardErrorKind::CardUnusable,
                            "the card has a 10-byte UID, which this reader cannot select");
    }
}

TypeAWalk find_type_a(ReaderSession &session, const std::function<bool(const TypeACard &)> &take) {
    // A field holds a few cards; the walk ends there whatever the reader says.
    constexpr int kMostCards = 16;
    // A card left ready by an earlier anticollision takes the next request for
    // an error and falls back silently: only a second silence means no more cards.
    constexpr int kSilencesAtTheEnd = 2;
    int silences = 0;
    for (int tries = 0; tries < kMostCards + kSilencesAtTheEnd && silences < kSilencesAtTheEnd;
         ++tries) {
        TypeAAnswer answer =
            select_type_a(session, tries == 0 ? protocol::kRequestAll : protocol::kRequestIdle);
        if (answer.mixed_uid_sizes) return {std::nullopt, true};
        if (!answer.card) {
            ++silences;
            continue;
        }
        silences = 0;
        if (take(*answer.card)) return {std::move(answer.card)};
        CARDWORK_CALL(session, rf_halt);
    }
    return {};
}

TypeACard require_type_a(ReaderSession &session,
                         const std::function<bool(const TypeACard &)> &wanted,
                         const std::function<std::string(const TypeACard &)> &why_not) {
    std::optional<TypeACard> passed_over;
    TypeAWalk walk = find_type_a(session, [&](const TypeACard &card) {
        if (wanted(card)) return true;
        passed_over = card;
        return false;
    });
    if (walk.taken) return std::move(*walk.taken);
    if (walk.mixed_uid_sizes) {
        throw CardError(CardErrorKind::CardUnusable,
                        "cards with 4-byte and 7-byte UIDs answer together: take all but one out "
                        "of the field");
    }
    if (passed_over) throw CardError(CardErrorKind::CardUnusable, why_not(*passed_over));
    throw CardError::call("rf_request", kNoCard, "no Type A card in the field");
}

void reselect(ReaderSession &session, const TypeACard &card) {
    std::uint8_t atqa[2] = {};
    const std::int32_t requested = CARDWORK_TRY(session, rf_request, protocol::kRequestAll, atqa);
    if (requested != 0)
        throw CardError::call("rf_request", requested, "the card no longer answers");
    std::uint8_t sak = 0;
    const std::int32_t selected = CARDWORK_TRY(session, rf_select, card.uid.data(),
                                               static_cast<std::int32_t>(card.uid.size()), &sak);
    if (selected != 0) {
        throw CardError::call("rf_select", selected, "the card no longer answers to its UID");
    }
}

}  // namespace cardwork
