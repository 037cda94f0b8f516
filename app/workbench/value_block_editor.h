#pragma once

// The model of the value-block editor: whether a block of a dump can hold a
// Mifare Classic value (a data block, not block 0, not a trailer), the value and
// address it starts from (the block's own when it is a value block already, else
// 0 and the block's number, the address byte card software commonly keeps), the
// 16 bytes a value and an address make with their inverted copies, and what the
// sector's access conditions let the card do with it.

#include <QString>

#include <array>
#include <cstdint>

#include "cardkit/dump.h"

namespace tilvane {

struct ValueDraft {
    bool applicable = false;
    QString why_not;  // when not applicable
    std::int32_t value = 0;
    std::uint8_t address = 0;
    bool is_value_block = false;  // the block holds a value now
    // What the access conditions allow of increment and decrement, in words;
    // empty while they are unknown.
    QString rights;
};

ValueDraft ValueDraftFor(const cardkit::CardDump &dump, int block);

std::array<std::uint8_t, 16> ValueBlockBytes(std::int32_t value, std::uint8_t address);
// The bytes in their parts: "value 64000000, inverted 9BFFFFFF, value 64000000,
// address 04 FB 04 FB".
QString ValueBlockLayout(std::int32_t value, std::uint8_t address);

}  // namespace tilvane
