#pragma once

// Finding a Type A card and selecting it again once it has fallen back, which a
// card does after every refused command (a wrong key, a forbidden read).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cardkit/bytes.h"
#include "cli/reader.h"

namespace rfcard {

struct TypeACard {
    cardkit::Bytes uid;                  // 4 or 7 bytes
    std::array<std::uint8_t, 2> atqa{};  // as the card sends it
    std::optional<std::uint8_t> sak;     // not told for 7-byte UIDs
};

// Cards with UIDs of 4 and of 7 bytes answered together: the reader cannot
// select one by the size their combined ATQA announces.
class MixedUidSizes : public ToolError {
public:
    MixedUidSizes()
        : ToolError(kExitReaderFailed,
                    "cards with 4-byte and 7-byte UIDs answer together: take all but one out "
                    "of the field") {}
};

// Requests with `request_code` and selects the card that answers (the field must
// be on, protocol A); nullopt when none answers. The UID size comes from the
// ATQA: 4-byte cards through anticollision and select, 7-byte ones through the
// Ultralight select. ToolError for a 10-byte UID, MixedUidSizes.
std::optional<TypeACard> select_type_a(Reader &reader, std::int32_t request_code = protocol::kRequestAll);

// Walks the cards in the field: each is selected in turn and offered to `take`.
// The one taken stays selected and is returned; the others are halted so that
// the next request reaches another. nullopt when none was taken.
std::optional<TypeACard> find_type_a(Reader &reader,
                                     const std::function<bool(const TypeACard &)> &take);

// find_type_a for the card that `wanted` takes: a ToolError saying `why_not` of
// the last card passed over, or a ReaderError (rf_request, no card) when none
// answered at all.
TypeACard require_type_a(Reader &reader, const std::function<bool(const TypeACard &)> &wanted,
                         const std::function<std::string(const TypeACard &)> &why_not);

// Wakes the card and selects it by its UID, without anticollision. A ReaderError
// saying the card no longer answers when it does not.
void reselect(Reader &reader, const TypeACard &card);

}  // namespace rfcard
