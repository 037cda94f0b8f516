#pragma once

// Mifare Classic value blocks: a signed 32-bit value stored three times (the middle
// copy inverted, least significant byte first) and an address byte stored four
// times (alternately inverted), which the card's increment and decrement check.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "cardkit/bytes.h"

namespace cardkit {

struct ValueBlock {
    std::int32_t value = 0;
    std::uint8_t address = 0;
    bool operator==(const ValueBlock &) const = default;
};

// What keeps 16 bytes from being a value block.
enum class ValueBlockFault { None, WrongSize, ValueCopiesDiffer, AddressCopiesDiffer };

ValueBlockFault check_value_block(ByteView block);
// nullopt unless check_value_block finds no fault.
std::optional<ValueBlock> decode_value_block(ByteView block);
std::array<std::uint8_t, 16> encode_value_block(const ValueBlock &value);

// "not 16 bytes", "the value copies differ", "the address copies differ".
std::string_view value_block_fault_text(ValueBlockFault fault);

}  // namespace cardkit
