#include "cardkit/value_block.h"

namespace cardkit {

namespace {

std::uint32_t get_le32(ByteView bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void put_le32(std::uint8_t *out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

ValueBlockFault check_value_block(ByteView block) {
    if (block.size() != 16) return ValueBlockFault::WrongSize;
    const std::uint32_t value = get_le32(block, 0);
    if (get_le32(block, 4) != ~value || get_le32(block, 8) != value) {
        return ValueBlockFault::ValueCopiesDiffer;
    }
    const std::uint8_t address = block[12];
    const std::uint8_t inverted = static_cast<std::uint8_t>(~address);
    if (block[13] != inverted || block[14] != address || block[15] != inverted) {
        return ValueBlockFault::AddressCopiesDiffer;
    }
    return ValueBlockFault::None;
}

std::optional<ValueBlock> decode_value_block(ByteView block) {
    if (check_value_block(block) != ValueBlockFault::None) return std::nullopt;
    return ValueBlock{static_cast<std::int32_t>(get_le32(block, 0)), block[12]};
}

std::array<std::uint8_t, 16> encode_value_block(const ValueBlock &value) {
    std::array<std::uint8_t, 16> block{};
    const auto bits = static_cast<std::uint32_t>(value.value);
    put_le32(&block[0], bits);
    put_le32(&block[4], ~bits);
    put_le32(&block[8], bits);
    const auto inverted = static_cast<std::uint8_t>(~value.address);
    block[12] = value.address;
    block[13] = inverted;
    block[14] = value.address;
    block[15] = inverted;
    return block;
}

std::string_view value_block_fault_text(ValueBlockFault fault) {
    switch (fault) {
        case ValueBlockFault::None:
            return "a value block";
        case ValueBlockFault::WrongSize:
            return "not 16 bytes";
        case ValueBlockFault::ValueCopiesDiffer:
            return "the value copies differ";
        case ValueBlockFault::AddressCopiesDiffer:
            return "the address copies differ";
    }
    return "";
}

}  // namespace cardkit
