#pragma once

// Value blocks of a Mifare Classic card: read, set, increased or decreased, each
// with a key of the sector that the card's own access conditions allow for the
// operation (key A first), found from the candidates.

#include <cstdint>
#include <optional>
#include <string_view>

#include "cardkit/value_block.h"
#include "cardwork/mifare_card.h"
#include "cardwork/sector_keys.h"

namespace cardwork {

enum class ValueOperation { Read, Init, Increment, Decrement };

// "read", "init", "inc", "dec".
std::string_view value_operation_name(ValueOperation operation);

struct ValueChange {
    std::optional<cardkit::ValueBlock> before;  // increment and decrement, when readable
    cardkit::ValueBlock after;
};

// Runs `operation` on `block` of the sector `keys` opens (init: `operand` is the
// value; increment and decrement: the amount), then reads the block back.
// CardError (CardUnusable) when no key found may do it or the block holds no
// value; the call's own CardError when the card refuses.
ValueChange change_value(MifareCard &card, SectorKeys &keys, ValueOperation operation, int block,
                         std::int32_t operand);

}  // namespace cardwork
