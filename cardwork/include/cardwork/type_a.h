#pragma once

// Finding a Type A card and selecting it again once it has fallen back, which a
// card does after every refused command (a wrong key, a forbidden read).
//
// The steps of a select (request, anticollision and select, or the Ultralight
// select) are shared by every program: each reports the step that stopped it,
// the call's result or the size of an answer that was not the size the step
// needs, so that a program can tell it in its own words.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cardkit/bytes.h"
#include "cardwork/reader_session.h"
#include "protocol/card_protocols.h"

namespace cardwork {

struct TypeACard {
    cardkit::Bytes uid;                  // 4 or 7 bytes
    std::array<std::uint8_t, 2> atqa{};  // as the card sends it
    std::optional<std::uint8_t> sak;     // not told for 7-byte UIDs
};

enum class TypeAStep { Request, Anticollision, Select, UltralightSelect };

// Where a select stopped.
struct StepFailure {
    TypeAStep step;
    const char *function;  // the export: "rf_request", "rf_anticoll", ...
    // The call's result; 0 when the call succeeded with an answer of
    // `answer_size` bytes, which is not the size the step needs.
    std::int32_t result = 0;
    // The answer's size as the call counted it (anticollision and Ultralight
    // select); 0 for the other steps.
    int answer_size = 0;
};

// A card selected, or the step that stopped the select.
struct TypeASelection {
    std::optional<TypeACard> card;
    std::optional<StepFailure> failure;
};

// rf_request with `request_code`, rf_anticoll and rf_select of a 4-byte UID: how
// a single-size card such as a Mifare Classic is selected, whatever its ATQA
// says. The field must be on, protocol A. Step failures are returned, never
// thrown; only a cancellation throws.
TypeASelection select_4_byte_uid(ReaderSession &session,
                                 std::int32_t request_code = protocol::kRequestAll);

// The CardError a step failure makes: the call's, or for an answer of the wrong
// size CardUnusable naming the function and the size.
CardError step_error(const StepFailure &failure, const std::string &context = {});

// What a request and select found in the field.
struct TypeAAnswer {
    std::optional<TypeACard> card;  // nullopt when none answered
    // Cards with UIDs of 4 and of 7 bytes answered together: the reader cannot
    // select one by the size their combined ATQA announces.
    bool mixed_uid_sizes = false;
};

// Requests with `request_code` and selects the card that answers (the field must
// be on, protocol A). The UID size comes from the ATQA: 4-byte cards through
// anticollision and select, 7-byte ones through the Ultralight select.
// CardError for a failed call and for a 10-byte UID (CardUnusable).
TypeAAnswer select_type_a(ReaderSession &session,
                          std::int32_t request_code = protocol::kRequestAll);

// Walks the cards in the field: each is selected in turn and offered to `take`.
// The one taken stays selected and is returned; the others are halted so that
// the next request reaches another. The walk stops early at mixed UID sizes.
struct TypeAWalk {
    std::optional<TypeACard> taken;
    bool mixed_uid_sizes = false;
};
TypeAWalk find_type_a(ReaderSession &session, const std::function<bool(const TypeACard &)> &take);

// find_type_a for the card that `wanted` takes. CardError (CardUnusable) saying
// `why_not` of the last card passed over, or for mixed UID sizes; a CardError of
// rf_request (no card) when none answered at all.
TypeACard require_type_a(ReaderSession &session,
                         const std::function<bool(const TypeACard &)> &wanted,
                         const std::function<std::string(const TypeACard &)> &why_not);

// Wakes the card and selects it by its UID, without anticollision. A CardError
// saying the card no longer answers when it does not.
void reselect(ReaderSession &session, const TypeACard &card);

}  // namespace cardwork
